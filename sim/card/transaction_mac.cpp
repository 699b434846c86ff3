#include "transaction_mac.h"

#include <memory>

#include <openssl/evp.h>

#include "common/secure_buffer.h"

namespace velkor::sim {

std::optional<Bytes> TransactionMac(const Bytes& key, const Bytes& message)
{
    if (key.size() != kTacKeySize) {
        return std::nullopt;
    }
    // Padding method 2: 80, then zeros up to a whole block.
    Bytes padded = message;
    padded.push_back(0x80);
    while (padded.size() % kTacSize != 0) {
        padded.push_back(0x00);
    }
    uint8_t tripleKey[24];
    std::copy(key.begin(), key.end(), tripleKey);
    std::copy(key.begin(), key.begin() + 8, tripleKey + 16);
    const uint8_t zeroIv[kTacSize] = {};

    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(
        EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    Bytes cipher(padded.size() + kTacSize);
    int written = 0;
    const bool ok = context
        && EVP_EncryptInit_ex(context.get(), EVP_des_ede3_cbc(), nullptr, tripleKey, zeroIv) == 1
        && EVP_CIPHER_CTX_set_padding(context.get(), 0) == 1
        && EVP_EncryptUpdate(context.get(), cipher.data(), &written, padded.data(),
               static_cast<int>(padded.size()))
            == 1
        && static_cast<size_t>(written) == padded.size();
    Wipe(tripleKey, sizeof tripleKey);
    if (!ok) {
        return std::nullopt;
    }
    return Bytes(cipher.begin() + written - static_cast<int>(kTacSize), cipher.begin() + written);
}

} // namespace velkor::sim
