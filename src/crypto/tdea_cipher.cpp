#include "crypto/tdea_cipher.h"

#include <climits>
#include <cstring>
#include <memory>

#include <openssl/evp.h>

namespace velkor::tdea {

namespace {

struct CipherFree {
    void operator()(EVP_CIPHER* cipher) const { EVP_CIPHER_free(cipher); }
};
struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

// Fetched once: an explicit fetch avoids a provider lookup on every operation.
const EVP_CIPHER* Algorithm(bool cbc)
{
    static const std::unique_ptr<EVP_CIPHER, CipherFree> ecb(
        EVP_CIPHER_fetch(nullptr, "DES-EDE3-ECB", nullptr));
    static const std::unique_ptr<EVP_CIPHER, CipherFree> chained(
        EVP_CIPHER_fetch(nullptr, "DES-EDE3-CBC", nullptr));
    return cbc ? chained.get() : ecb.get();
}

} // namespace

void ExpandKey(const uint8_t* key, size_t keyLength, uint8_t (&expanded)[24])
{
    std::memcpy(expanded, key, 8);
    std::memcpy(expanded + 8, keyLength >= 16 ? key + 8 : key, 8);
    std::memcpy(expanded + 16, keyLength >= 24 ? key + 16 : key, 8);
}

bool Run(bool encrypt, const uint8_t (&key)[24], const uint8_t* iv, const uint8_t* input,
    uint8_t* output, size_t length)
{
    if (length == 0) {
        return true;
    }
    const EVP_CIPHER* algorithm = Algorithm(iv != nullptr);
    if (algorithm == nullptr || length > static_cast<size_t>(INT_MAX)) {
        return false;
    }
    const std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> context(EVP_CIPHER_CTX_new());
    if (!context
        || EVP_CipherInit_ex2(context.get(), algorithm, key, iv, encrypt ? 1 : 0, nullptr) != 1
        || EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1) {
        return false;
    }
    int written = 0;
    return EVP_CipherUpdate(context.get(), output, &written, input, static_cast<int>(length)) == 1
        && static_cast<size_t>(written) == length;
}

} // namespace velkor::tdea
