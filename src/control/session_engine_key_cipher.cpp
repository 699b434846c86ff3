#include "control/session_engine.h"

#include <cstring>

#include "common/status_codes.h"
#include "control/session_work_area.h"
#include "crypto/session_key.h"

namespace velkor {

namespace {

// pData: at most 1024 bytes.
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

int32_t RunSessionCipher(const SessionEngine& engine, bool encipher, const OptText& pSessionKeyHash,
    const OptText& pCpukEncSessionKey, int32_t DataLen, const OptText& pData, Text& respData)
{
    if (!pSessionKeyHash || !pCpukEncSessionKey || !pData) {
        return status::kMissingArgument;
    }
    SessionWorkArea& area = TheSessionWorkArea();
    WipeOnExit wipeArea(area);
    KeyForm form = KeyForm::SingleDes;
    if (const int32_t opened
        = engine.SessionKeyOpen(*pCpukEncSessionKey, *pSessionKeyHash, area.sessionKey, form)) {
        return opened;
    }
    if (static_cast<int64_t>(pData->size()) != 2 * static_cast<int64_t>(DataLen)
        || pData->size() > kDataMaxDigits) {
        return status::kBadValue;
    }
    const auto length = static_cast<size_t>(DataLen);
    SecureBytes work(length + CDataProcess::kBlockSize);
    if (!CDataProcess::HexToBytes(pData->size(), *pData, work.data())) {
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

int32_t SessionEngine::SessionKeyOpen(std::u16string_view pCpukEncSessionKey,
    std::u16string_view pSessionKeyHash, uint8_t (&key)[24], KeyForm& form) const
{
    SecureBytes sessionKey;
    const SessionKeyError error
        = OpenSessionKey(pCpukEncSessionKey, pSessionKeyHash, kSessionKeyRules, sessionKey);
    if (error != SessionKeyError::None) {
        return SessionStatus(error, status::kSessionKeyHashMismatch);
    }
    std::memcpy(key, sessionKey.data(), sessionKey.size());
    form = static_cast<KeyForm>((sessionKey.size() - 1) / 8);
    return status::kOk;
}

int32_t SessionEngine::VerifySessionKeyHash(
    const OptText& pCpukEncSessionKey, const OptText& pSessionKeyHash) const
{
    if (!pCpukEncSessionKey || !pSessionKeyHash) {
        return status::kMissingArgument;
    }
    SecureBytes sessionKey;
    const SessionKeyError error
        = OpenSessionKey(*pCpukEncSessionKey, *pSessionKeyHash, kVerifyRules, sessionKey);
    return SessionStatus(error, status::kHashMismatch);
}

int32_t SessionEngine::DESEncipher(const OptText& pSessionKeyHash,
    const OptText& pCpukEncSessionKey, int32_t DataLen, const OptText& pData, Text& respData) const
{
    return RunSessionCipher(
        *this, true, pSessionKeyHash, pCpukEncSessionKey, DataLen, pData, respData);
}

int32_t SessionEngine::DESDecipher(const OptText& pSessionKeyHash,
    const OptText& pCpukEncSessionKey, int32_t DataLen, const OptText& pData, Text& respData) const
{
    return RunSessionCipher(
        *this, false, pSessionKeyHash, pCpukEncSessionKey, DataLen, pData, respData);
}

} // namespace velkor
