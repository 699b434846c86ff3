#include "crypto/key_blob.h"

#include <bit>
#include <cstring>

#include "common/secure_buffer.h"
#include "crypto/data_process.h"

namespace velkor::keyblob {

namespace {

constexpr uint8_t kZeroInitialValue[CDataProcess::kBlockSize] = {};

void StoreBigEndian(uint64_t value, uint8_t* out)
{
    for (int i = 7; i >= 0; --i) {
        out[i] = static_cast<uint8_t>(value);
        value >>= 8;
    }
}

} // namespace

void DeriveStoreKey(std::span<const uint8_t, kConstantSize> constant, uint8_t (&key)[16])
{
    uint64_t number = 0;
    WipeOnExit wipeNumber(number);
    for (const uint8_t byte : constant) {
        number = (number << 8) | byte;
    }
    StoreBigEndian(std::rotr(number, 1), key);
    StoreBigEndian(std::rotl(number, 1), key + 8);
}

bool Seal(std::span<const uint8_t, kConstantSize> constant, std::span<const uint8_t> plain,
    std::vector<uint8_t>& blob)
{
    uint8_t key[16];
    WipeOnExit wipeKey(key);
    DeriveStoreKey(constant, key);
    const size_t cipherLength = plain.size() / CDataProcess::kBlockSize * CDataProcess::kBlockSize
        + CDataProcess::kBlockSize;
    blob.assign(kLengthPrefix + cipherLength, 0);
    size_t length = plain.size();
    static const uint8_t kNothing = 0;
    if (CDataProcess::DesEncrypt(key, KeyForm::TwoKey, &length,
            plain.empty() ? &kNothing : plain.data(), blob.data() + kLengthPrefix,
            ChainMode::CbcPadded, kZeroInitialValue)
        != 0) {
        blob.clear();
        return false;
    }
    for (size_t i = 0; i < kLengthPrefix; ++i) {
        blob[i] = static_cast<uint8_t>(length >> (8 * (kLengthPrefix - 1 - i)));
    }
    return true;
}

std::optional<size_t> Open(std::span<const uint8_t, kConstantSize> constant,
    std::span<const uint8_t> blob, std::span<uint8_t> buffer)
{
    if (blob.size() < kLengthPrefix) {
        return std::nullopt;
    }
    size_t length = 0;
    for (size_t i = 0; i < kLengthPrefix; ++i) {
        length = (length << 8) | blob[i];
    }
    if (length > blob.size() - kLengthPrefix || length > buffer.size()) {
        return std::nullopt;
    }
    uint8_t key[16];
    WipeOnExit wipeKey(key);
    DeriveStoreKey(constant, key);
    if (CDataProcess::DesDecrypt(key, KeyForm::TwoKey, &length, blob.data() + kLengthPrefix,
            buffer.data(), ChainMode::CbcPadded, kZeroInitialValue)
            != 0
        || length >= buffer.size()) {
        Wipe(buffer.data(), buffer.size());
        return std::nullopt;
    }
    buffer[length] = 0;
    return length;
}

} // namespace velkor::keyblob
