#include "control/session_engine.h"

#include <cstring>

#include "common/status_codes.h"
#include "crypto/session_key.h"
#include "session_work_area.h"

namespace velkor {

namespace {

// dataHex: at most 1024 bytes.
constexpr size_t kDataMaxDigits = 2048;
// VerifySessionKeyHash works in a 266-byte buffer.
constexpr SessionKeyRules kVerifyRules { 532, 532, true, true, true };

int32_t SessionStatus(SessionKeyError error, int32_t mismatch)
{
    switch (error) {
    case SessionKeyError::None:
        return status::kOk;
    case SessionKeyError::KeyNotHex:
    case SessionKeyError::HashNotHex:
        return status::kDecodeFailed3;
    case SessionKeyError::KeyUndecipherable:
    case SessionKeyError::KeyBadLength:
        return status::kSessionKeyUnusable;
    case SessionKeyError::HashMismatch:
        return mismatch;
    }
    return status::kSessionKeyUnusable;
}

int32_t RunSessionCipher(const SessionEngine& engine, bool encipher,
    const OptText& sessionKeyHashHex, const OptText& encryptedSessionKey, int32_t dataByteCount,
    const OptText& dataHex, Text& respData)
{
    if (!sessionKeyHashHex || !encryptedSessionKey || !dataHex) {
        return status::kMissingArgument;
    }
    SessionWorkArea& area = TheSessionWorkArea();
    WipeOnExit wipeArea(area);
    KeyForm form = KeyForm::SingleDes;
    if (const int32_t opened
        = engine.SessionKeyOpen(*encryptedSessionKey, *sessionKeyHashHex, area.sessionKey, form)) {
        return opened;
    }
    if (static_cast<int64_t>(dataHex->size()) != 2 * static_cast<int64_t>(dataByteCount)
        || dataHex->size() > kDataMaxDigits) {
        return status::kBadValue;
    }
    const auto length = static_cast<size_t>(dataByteCount);
    SecureBytes work(length + CDataProcess::kBlockSize);
    if (!CDataProcess::HexToBytes(dataHex->size(), *dataHex, work.data())) {
        return status::kDecodeFailed3;
    }
    static const uint8_t kZeroInitialValue[CDataProcess::kBlockSize] = {};
    size_t resultLength = length;
    const auto run = encipher ? &CDataProcess::DesEncrypt : &CDataProcess::DesDecrypt;
    if (run(area.sessionKey, form, &resultLength, work.data(), work.data(), ChainMode::CbcPadded,
            kZeroInitialValue)
        != 0) {
        return status::kSessionDesFailed;
    }
    respData = CDataProcess::HexText(std::span<const uint8_t>(work.data(), resultLength));
    return status::kOk;
}

} // namespace

int32_t SessionEngine::SessionKeyOpen(std::u16string_view encryptedSessionKey,
    std::u16string_view sessionKeyHashHex, uint8_t (&key)[24], KeyForm& form) const
{
    SecureBytes sessionKey;
    const SessionKeyError error
        = OpenSessionKey(encryptedSessionKey, sessionKeyHashHex, kSessionKeyRules, sessionKey);
    if (error != SessionKeyError::None) {
        return SessionStatus(error, status::kSessionKeyHashMismatch);
    }
    std::memcpy(key, sessionKey.data(), sessionKey.size());
    form = static_cast<KeyForm>((sessionKey.size() - 1) / 8);
    return status::kOk;
}

int32_t SessionEngine::VerifySessionKeyHash(
    const OptText& encryptedSessionKey, const OptText& sessionKeyHashHex) const
{
    if (!encryptedSessionKey || !sessionKeyHashHex) {
        return status::kMissingArgument;
    }
    SecureBytes sessionKey;
    const SessionKeyError error
        = OpenSessionKey(*encryptedSessionKey, *sessionKeyHashHex, kVerifyRules, sessionKey);
    return SessionStatus(error, status::kHashMismatch);
}

int32_t SessionEngine::DESEncipher(const OptText& sessionKeyHashHex,
    const OptText& encryptedSessionKey, int32_t dataByteCount, const OptText& dataHex,
    Text& respData) const
{
    return RunSessionCipher(
        *this, true, sessionKeyHashHex, encryptedSessionKey, dataByteCount, dataHex, respData);
}

int32_t SessionEngine::DESDecipher(const OptText& sessionKeyHashHex,
    const OptText& encryptedSessionKey, int32_t dataByteCount, const OptText& dataHex,
    Text& respData) const
{
    return RunSessionCipher(
        *this, false, sessionKeyHashHex, encryptedSessionKey, dataByteCount, dataHex, respData);
}

} // namespace velkor
