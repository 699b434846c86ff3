#include "crypto/data_process.h"

#include <cstring>

#include "common/status_codes.h"
#include "crypto/tdea_cipher.h"

namespace velkor {

namespace {

bool ValidForm(KeyForm form)
{
    return form == KeyForm::SingleDes || form == KeyForm::TwoKey || form == KeyForm::ThreeKey;
}

bool ValidMode(ChainMode mode)
{
    return mode == ChainMode::Ecb || mode == ChainMode::CbcPadded
        || mode == ChainMode::CbcNoPadding;
}

int32_t CheckArguments(const uint8_t* key, KeyForm form, const size_t* length, const uint8_t* input,
    const uint8_t* output, ChainMode mode, const uint8_t* initialValue)
{
    if (key == nullptr || length == nullptr || input == nullptr || output == nullptr
        || !ValidForm(form) || !ValidMode(mode)
        || (mode != ChainMode::Ecb && initialValue == nullptr)) {
        return status::kCipherBadArgument;
    }
    return status::kOk;
}

} // namespace

int32_t CDataProcess::DesEncrypt(const uint8_t* key, KeyForm form, size_t* length,
    const uint8_t* input, uint8_t* output, ChainMode mode, const uint8_t* initialValue)
{
    if (const int32_t bad = CheckArguments(key, form, length, input, output, mode, initialValue)) {
        return bad;
    }
    const size_t inputLength = *length;
    const size_t tail = inputLength % kBlockSize;
    if (mode != ChainMode::CbcPadded && tail != 0) {
        return status::kCipherBadLength;
    }
    uint8_t expanded[24];
    WipeOnExit wipeKey(expanded);
    tdea::ExpandKey(key, KeyLength(form), expanded);
    const uint8_t* iv = mode == ChainMode::Ecb ? nullptr : initialValue;
    const size_t whole = inputLength - tail;

    if (mode != ChainMode::CbcPadded) {
        if (!tdea::Run(true, expanded, iv, input, output, whole)) {
            return status::kCipherBadArgument;
        }
        return status::kOk;
    }
    // The final block: the tail followed by padding bytes that each hold the padding count; a
    // whole number of blocks gets a full block of 8s. It is copied before the body is written, so
    // input and output may be the same buffer.
    uint8_t last[kBlockSize];
    WipeOnExit wipeLast(last);
    std::memcpy(last, input + whole, tail);
    std::memset(last + tail, static_cast<int>(kBlockSize - tail), kBlockSize - tail);
    uint8_t chain[kBlockSize];
    std::memcpy(chain, initialValue, kBlockSize);
    if (!tdea::Run(true, expanded, chain, input, output, whole)) {
        return status::kCipherBadArgument;
    }
    if (whole != 0) {
        std::memcpy(chain, output + whole - kBlockSize, kBlockSize);
    }
    if (!tdea::Run(true, expanded, chain, last, output + whole, kBlockSize)) {
        return status::kCipherBadArgument;
    }
    *length = whole + kBlockSize;
    return status::kOk;
}

int32_t CDataProcess::DesDecrypt(const uint8_t* key, KeyForm form, size_t* length,
    const uint8_t* input, uint8_t* output, ChainMode mode, const uint8_t* initialValue)
{
    if (const int32_t bad = CheckArguments(key, form, length, input, output, mode, initialValue)) {
        return bad;
    }
    const size_t inputLength = *length;
    // Whole blocks only; a padded ciphertext holds at least its padding block. Anything else is
    // refused rather than read or written past its end.
    if (inputLength % kBlockSize != 0 || (mode == ChainMode::CbcPadded && inputLength == 0)) {
        return status::kCipherBadLength;
    }
    uint8_t expanded[24];
    WipeOnExit wipeKey(expanded);
    tdea::ExpandKey(key, KeyLength(form), expanded);
    if (!tdea::Run(false, expanded, mode == ChainMode::Ecb ? nullptr : initialValue, input, output,
            inputLength)) {
        return status::kCipherBadArgument;
    }
    if (mode == ChainMode::CbcPadded) {
        const uint8_t count = output[inputLength - 1];
        if (count > kBlockSize) {
            Wipe(output, inputLength);
            return status::kCipherBadPadding;
        }
        // Only the count is examined; a count of 0 removes nothing.
        *length = inputLength - count;
    }
    return status::kOk;
}

} // namespace velkor
