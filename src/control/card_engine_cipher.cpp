#include "control/card_engine.h"

#include <cstring>

#include "common/status_codes.h"
#include "crypto/data_process.h"

namespace velkor {

namespace {

constexpr int32_t kMacMaxBytes = 1024;
constexpr int32_t kIntToHexMaxChars = 4096;
constexpr int32_t kHexToIntMaxDigits = 8192;

bool ValidKeyLength(int32_t keyLength)
{
    return keyLength == 8 || keyLength == 16 || keyLength == 24;
}

KeyForm FormOf(int32_t keyLength)
{
    return static_cast<KeyForm>(keyLength / 8 - 1);
}

} // namespace

int32_t CardEngine::Des(int32_t direction, int32_t keyLength, const OptText& keyHex,
    const OptText& dataHex, Text& respData) const
{
    if ((direction != 0 && direction != 1) || !ValidKeyLength(keyLength)) {
        return status::kBadValue;
    }
    if (!keyHex || !dataHex) {
        return status::kMissingArgument;
    }
    if (keyHex->size() / 2 != static_cast<size_t>(keyLength) || dataHex->size() != 16) {
        return status::kBadLength;
    }
    uint8_t key[24] = {};
    uint8_t block[8] = {};
    WipeOnExit wipeKey(key);
    WipeOnExit wipeBlock(block);
    if (!CDataProcess::HexToBytes(2 * static_cast<size_t>(keyLength), *keyHex, key)
        || !CDataProcess::HexToBytes(16, *dataHex, block)) {
        return status::kCipherFailed;
    }
    size_t length = sizeof block;
    const auto run = direction == 0 ? &CDataProcess::DesEncrypt : &CDataProcess::DesDecrypt;
    if (run(key, FormOf(keyLength), &length, block, block, ChainMode::Ecb, nullptr) != 0) {
        return status::kCipherFailed;
    }
    respData = CDataProcess::HexText(block);
    return status::kOk;
}

int32_t CardEngine::Mac(int32_t keyLength, const OptText& keyHex, const OptText& initialValueHex,
    int32_t byteCount, const OptText& dataHex, Text& respData) const
{
    if (!ValidKeyLength(keyLength)) {
        return status::kBadValue;
    }
    if (!keyHex || !initialValueHex || !dataHex) {
        return status::kMissingArgument;
    }
    if (keyHex->size() / 2 != static_cast<size_t>(keyLength) || initialValueHex->size() != 16) {
        return status::kBadLength;
    }
    if (byteCount < 8 || byteCount > kMacMaxBytes || byteCount % 8 != 0) {
        return status::kBadValue;
    }
    if (dataHex->size() / 2 != static_cast<size_t>(byteCount)) {
        return status::kBadLength;
    }
    uint8_t key[24] = {};
    uint8_t initialValue[8] = {};
    uint8_t data[kMacMaxBytes] = {};
    WipeOnExit wipeKey(key);
    WipeOnExit wipeData(data);
    const size_t dataLength = static_cast<size_t>(byteCount);
    if (!CDataProcess::HexToBytes(2 * static_cast<size_t>(keyLength), *keyHex, key)
        || !CDataProcess::HexToBytes(2 * dataLength, *dataHex, data)
        || !CDataProcess::HexToBytes(16, *initialValueHex, initialValue)) {
        return status::kCipherFailed;
    }
    size_t length = dataLength;
    if (CDataProcess::DesEncrypt(
            key, FormOf(keyLength), &length, data, data, ChainMode::CbcNoPadding, initialValue)
        != 0) {
        return status::kCipherFailed;
    }
    // The MAC is the last ciphertext block, not truncated.
    respData = CDataProcess::HexText(std::span<const uint8_t>(data + length - 8, 8));
    return status::kOk;
}

Text CardEngine::ConvertIntToHex(
    int32_t characterCount, const OptText& input, int32_t& lastErrorCode) const
{
    // A length beyond the text is refused rather than read past it.
    if (!input || characterCount > kIntToHexMaxChars || characterCount < 1
        || static_cast<size_t>(characterCount) > input->size()) {
        lastErrorCode = status::kConversionFailed;
        return {};
    }
    const SecureBytes bytes
        = TextLow8(std::u16string_view(*input).substr(0, static_cast<size_t>(characterCount)));
    Text hex;
    CDataProcess::BytesToHex(bytes.size(), bytes.data(), hex);
    return hex;
}

Text CardEngine::ConvertHexToInt(
    int32_t characterCount, const OptText& input, int32_t& lastErrorCode) const
{
    const auto digits = static_cast<size_t>(characterCount);
    if (!input || characterCount > kHexToIntMaxDigits || characterCount < 1
        || digits > input->size()) {
        lastErrorCode = status::kConversionFailed;
        return {};
    }
    SecureBytes bytes((digits + 1) / 2);
    if (!CDataProcess::HexToBytes(digits, *input, bytes.data())) {
        lastErrorCode = status::kConversionFailed;
        return {};
    }
    // An odd final digit is dropped; the text ends at the first zero byte.
    size_t count = 0;
    while (count < digits / 2 && bytes[count] != 0) {
        ++count;
    }
    return BytesAsText(bytes.data(), count);
}

} // namespace velkor
