#include "crypto/data_process.h"

#include <algorithm>
#include <cstring>

#include "common/status_codes.h"
#include "crypto/session_key.h"

namespace velkor {

namespace {

// The dialogs' data cipher opens the session key with the key store their caller opened.
constexpr SessionKeyRules kDataCipherRules { 2532, 2532, false, false, false };

int32_t DataCipherStatus(SessionKeyError error)
{
    switch (error) {
    case SessionKeyError::None:
        return status::kOk;
    case SessionKeyError::KeyNotHex:
        return status::kDataCipherKeyNotHex;
    case SessionKeyError::KeyUndecipherable:
        return status::kDataCipherKeyUndecipherable;
    case SessionKeyError::KeyBadLength:
        return status::kDataCipherKeyBadLength;
    case SessionKeyError::HashNotHex:
        return status::kDataCipherHashNotHex;
    case SessionKeyError::HashMismatch:
        return status::kDataCipherHashMismatch;
    }
    return status::kDataCipherFailed;
}

// Opens the session key and keeps its first 16 bytes as the data cipher key (an 8-byte key is
// followed by zeros); the session key itself is wiped before returning. 0 or the cipher's code.
int32_t OpenDataCipherKey(
    std::u16string_view pSessionKeyHash, std::u16string_view pCpukEncSessionKey, uint8_t (&key)[16])
{
    std::memset(key, 0, sizeof key);
    SecureBytes sessionKey;
    if (const SessionKeyError error
        = OpenSessionKey(pCpukEncSessionKey, pSessionKeyHash, kDataCipherRules, sessionKey);
        error != SessionKeyError::None) {
        return DataCipherStatus(error);
    }
    std::memcpy(key, sessionKey.data(), std::min(sessionKey.size(), sizeof key));
    return status::kOk;
}

bool IsAsciiAlphanumericOrSpace(uint8_t byte)
{
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z')
        || (byte >= 'a' && byte <= 'z') || byte == ' ';
}

// Plain text that looks like UTF-16LE (some ASCII letter, digit or space followed by a zero byte)
// is taken as such; anything else is widened byte by byte.
Text PlainAsText(const uint8_t* plain, size_t length)
{
    bool utf16 = false;
    for (size_t i = 0; i + 1 < length && !utf16; i += 2) {
        utf16 = IsAsciiAlphanumericOrSpace(plain[i]) && plain[i + 1] == 0;
    }
    if (!utf16) {
        return BytesAsText(plain, length);
    }
    Text text(length / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(plain[2 * i] | (plain[2 * i + 1] << 8));
    }
    return text;
}

// Converts the SessionCipher input by its form into `bytes`; false when it cannot be decoded or
// does not fit.
bool ConvertSessionInput(int32_t form, std::u16string_view input, SecureBytes& bytes)
{
    const size_t count = input.size();
    if (form == CDataProcess::kInputLow8) {
        bytes = TextLow8(input);
    } else if (form == CDataProcess::kInputHex) {
        bytes = SecureBytes((count + 1) / 2);
        if (!CDataProcess::HexToBytes(count, input, bytes.data())) {
            return false;
        }
    } else if (form == CDataProcess::kInputUtf16Le) {
        bytes = SecureBytes(count * 2);
        for (size_t i = 0; i < count; ++i) {
            bytes[2 * i] = static_cast<uint8_t>(input[i] & 0xFF);
            bytes[2 * i + 1] = static_cast<uint8_t>(input[i] >> 8);
        }
    } else {
        bytes = CDataProcess::Base64Decode(input);
    }
    return bytes.size() <= CDataProcess::kSessionCipherMaxBytes;
}

} // namespace

int32_t CDataProcess::SessionCipher(int32_t direction, int32_t inputForm, int32_t& length,
    OptTextView input, OptTextView pSessionKeyHash, OptTextView pCpukEncSessionKey, Text& output)
{
    if (!pCpukEncSessionKey || !pSessionKeyHash || !input) {
        return status::kDataCipherMissingText;
    }
    uint8_t key[16];
    WipeOnExit wipeKey(key);
    if (const int32_t opened = OpenDataCipherKey(*pSessionKeyHash, *pCpukEncSessionKey, key);
        opened != status::kOk) {
        return opened;
    }

    // The length counts characters of the input and must not reach past it.
    if (length < 0 || static_cast<size_t>(length) > input->size()) {
        return status::kDataCipherBadInput;
    }
    SecureBytes work;
    if (!ConvertSessionInput(inputForm, input->substr(0, static_cast<size_t>(length)), work)) {
        return status::kDataCipherBadInput;
    }
    const bool encipher = direction == 0;
    SecureBytes result(work.size() + kBlockSize);
    size_t resultLength = work.size();
    static const uint8_t kZeroInitialValue[kBlockSize] = {};
    const uint8_t anchor = 0; // an empty input is still given, not missing
    const uint8_t* in = work.empty() ? &anchor : work.data();
    const int32_t cipher = encipher ? DesEncrypt(key, KeyForm::TwoKey, &resultLength, in,
                               result.data(), ChainMode::CbcPadded, kZeroInitialValue)
                                    : DesDecrypt(key, KeyForm::TwoKey, &resultLength, in,
                                        result.data(), ChainMode::CbcPadded, kZeroInitialValue);
    if (cipher != 0) {
        return status::kDataCipherFailed;
    }
    output = encipher ? BytesAsText(result.data(), resultLength)
                      : PlainAsText(result.data(), resultLength);
    length = static_cast<int32_t>(resultLength);
    return status::kOk;
}

int32_t CDataProcess::ProtectOutput(int32_t inputForm, std::span<const uint8_t> input,
    const uint8_t* initialValue, ChainMode mode, OptTextView pSessionKeyHash,
    OptTextView pCpukEncSessionKey, Text& output)
{
    if (!pCpukEncSessionKey || !pSessionKeyHash || input.data() == nullptr) {
        return status::kDataCipherMissingText;
    }
    if (mode != ChainMode::CbcPadded && mode != ChainMode::CbcNoPadding) {
        return status::kConversionFailed;
    }
    uint8_t key[16];
    WipeOnExit wipeKey(key);
    if (const int32_t opened = OpenDataCipherKey(*pSessionKeyHash, *pCpukEncSessionKey, key);
        opened != status::kOk) {
        return opened;
    }

    const bool padded = mode == ChainMode::CbcPadded;
    SecureBytes work;
    if (inputForm == kInputLow8) {
        work = SecureBytes(input.data(), input.size());
    } else {
        Text characters(input.begin(), input.end());
        WipeOnExit wipeCharacters(characters);
        if (inputForm == kInputHex) {
            if (!padded && characters.size() % 16 != 0) {
                return status::kDataCipherBadInput;
            }
            work = SecureBytes((characters.size() + 1) / 2);
            if (!HexToBytes(characters.size(), characters, work.data())) {
                return status::kDataCipherBadInput;
            }
        } else {
            work = Base64Decode(characters);
        }
    }
    if ((!padded && work.size() % kBlockSize != 0) || work.size() > kProtectOutputMaxBytes) {
        return status::kDataCipherBadInput;
    }
    SecureBytes result(work.size() + kBlockSize);
    size_t resultLength = work.size();
    const uint8_t anchor = 0;
    if (DesEncrypt(key, KeyForm::TwoKey, &resultLength, work.empty() ? &anchor : work.data(),
            result.data(), mode, initialValue)
        != 0) {
        return status::kDataCipherFailed;
    }
    output = BytesAsText(result.data(), resultLength);
    return status::kOk;
}

} // namespace velkor
