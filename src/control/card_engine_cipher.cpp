#include "control/card_engine.h"

#include <cstring>

#include "common/status_codes.h"
#include "crypto/data_process.h"

namespace velkor {

namespace {

constexpr int32_t kFailed = -1;
constexpr int32_t kMacMaxBytes = 1024;
constexpr int32_t kIntToHexMaxChars = 4096;
constexpr int32_t kHexToIntMaxDigits = 8192;

bool ValidKeyLength(int32_t keyLen)
{
    return keyLen == 8 || keyLen == 16 || keyLen == 24;
}

KeyForm FormOf(int32_t keyLen)
{
    return static_cast<KeyForm>(keyLen / 8 - 1);
}

} // namespace

int32_t CardEngine::Des(int32_t opflag, int32_t keyLen, const OptText& keyVal,
    const OptText& inData, Text& respData) const
{
    if ((opflag != 0 && opflag != 1) || !ValidKeyLength(keyLen)) {
        return status::kBadValue;
    }
    if (!keyVal || !inData) {
        return status::kMissingArgument;
    }
    if (keyVal->size() / 2 != static_cast<size_t>(keyLen) || inData->size() != 16) {
        return status::kBadLength;
    }
    uint8_t key[24] = {};
    uint8_t block[8] = {};
    WipeOnExit wipeKey(key);
    WipeOnExit wipeBlock(block);
    if (!CDataProcess::HexToBytes(2 * static_cast<size_t>(keyLen), *keyVal, key)
        || !CDataProcess::HexToBytes(16, *inData, block)) {
        return kFailed;
    }
    size_t length = sizeof block;
    const auto run = opflag == 0 ? &CDataProcess::DesEncrypt : &CDataProcess::DesDecrypt;
    if (run(key, FormOf(keyLen), &length, block, block, ChainMode::Ecb, nullptr) != 0) {
        return kFailed;
    }
    respData = CDataProcess::HexText(block);
    return status::kOk;
}

int32_t CardEngine::Mac(int32_t keyLen, const OptText& keyVal, const OptText& icv, int32_t inLen,
    const OptText& inData, Text& respData) const
{
    if (!ValidKeyLength(keyLen)) {
        return status::kBadValue;
    }
    if (!keyVal || !icv || !inData) {
        return status::kMissingArgument;
    }
    if (keyVal->size() / 2 != static_cast<size_t>(keyLen) || icv->size() != 16) {
        return status::kBadLength;
    }
    if (inLen < 8 || inLen > kMacMaxBytes || inLen % 8 != 0) {
        return status::kBadValue;
    }
    if (inData->size() / 2 != static_cast<size_t>(inLen)) {
        return status::kBadLength;
    }
    uint8_t key[24] = {};
    uint8_t initialValue[8] = {};
    uint8_t data[kMacMaxBytes] = {};
    WipeOnExit wipeKey(key);
    WipeOnExit wipeData(data);
    const size_t dataLength = static_cast<size_t>(inLen);
    if (!CDataProcess::HexToBytes(2 * static_cast<size_t>(keyLen), *keyVal, key)
        || !CDataProcess::HexToBytes(2 * dataLength, *inData, data)
        || !CDataProcess::HexToBytes(16, *icv, initialValue)) {
        return kFailed;
    }
    size_t length = dataLength;
    if (CDataProcess::DesEncrypt(
            key, FormOf(keyLen), &length, data, data, ChainMode::CbcNoPadding, initialValue)
        != 0) {
        return kFailed;
    }
    // The MAC is the last ciphertext block, not truncated.
    respData = CDataProcess::HexText(std::span<const uint8_t>(data + length - 8, 8));
    return status::kOk;
}

Text CardEngine::ConvertIntToHex(
    int32_t inLength, const OptText& pInval, int32_t& lastErrorCode) const
{
    // A length beyond the text is refused rather than read past it.
    if (!pInval || inLength > kIntToHexMaxChars || inLength < 1
        || static_cast<size_t>(inLength) > pInval->size()) {
        lastErrorCode = status::kConversionFailed;
        return {};
    }
    const SecureBytes bytes
        = TextLow8(std::u16string_view(*pInval).substr(0, static_cast<size_t>(inLength)));
    Text hex;
    CDataProcess::BytesToHex(bytes.size(), bytes.data(), hex);
    return hex;
}

Text CardEngine::ConvertHexToInt(
    int32_t inLength, const OptText& pInval, int32_t& lastErrorCode) const
{
    const auto digits = static_cast<size_t>(inLength);
    if (!pInval || inLength > kHexToIntMaxDigits || inLength < 1 || digits > pInval->size()) {
        lastErrorCode = status::kConversionFailed;
        return {};
    }
    SecureBytes bytes((digits + 1) / 2);
    if (!CDataProcess::HexToBytes(digits, *pInval, bytes.data())) {
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
