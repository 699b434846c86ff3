#include "control/velkor_ctrl.h"

namespace velkor {

int32_t CVelkorCtrl::VerifyRN1andGenerateRN2(
    int32_t RN1Len, const OptText& pCpukEncryptedRN1, int32_t DsigLen, const OptText& pSprkSignRN1)
{
    return sessionEngine_.VerifyRN1andGenerateRN2(RN1Len, pCpukEncryptedRN1, DsigLen, pSprkSignRN1,
        state_.sessionKeyFlag, state_.encryptedRn2, state_.rn2Signature, state_.sessionKeyHash);
}

Text CVelkorCtrl::GetEncryptRN2()
{
    return state_.encryptedRn2;
}

Text CVelkorCtrl::GetEncryptHashRN2()
{
    return state_.rn2Signature;
}

// The hash of a failed or unfinished exchange stays stored but hidden.
Text CVelkorCtrl::GetSessionKeyHash()
{
    return state_.sessionKeyFlag == 1 ? state_.sessionKeyHash : Text();
}

int32_t CVelkorCtrl::VerifySessionKeyHash(
    const OptText& pCpukEncSessionKey, const OptText& pSessionKeyHash)
{
    return sessionEngine_.VerifySessionKeyHash(pCpukEncSessionKey, pSessionKeyHash);
}

int32_t CVelkorCtrl::DESEncipher(const OptText& pSessionKeyHash, const OptText& pCpukEncSessionKey,
    int32_t DataLen, const OptText& pData)
{
    return sessionEngine_.DESEncipher(
        pSessionKeyHash, pCpukEncSessionKey, DataLen, pData, state_.respData);
}

int32_t CVelkorCtrl::DESDecipher(const OptText& pSessionKeyHash, const OptText& pCpukEncSessionKey,
    int32_t DataLen, const OptText& pData)
{
    return sessionEngine_.DESDecipher(
        pSessionKeyHash, pCpukEncSessionKey, DataLen, pData, state_.respData);
}

} // namespace velkor
