#include "control/velkor_ctrl.h"

namespace velkor {

int32_t CVelkorCtrl::CommAccountProc(const OptText& pReaderName, const OptText& pSessionKeyHash,
    const OptText& pCpukEncSessionKey, const OptText& pCommonInfo)
{
    return cardEngine_.CommAccountProc(pReaderName, pSessionKeyHash, pCpukEncSessionKey,
        pCommonInfo, state_.respData, state_.encCommonAccount, Page());
}

int32_t CVelkorCtrl::CommAccountNet(
    const OptText& pSessionKeyHash, const OptText& pCpukEncSessionKey, const OptText& pCommonInfo)
{
    return sessionEngine_.CommAccountNet(pSessionKeyHash, pCpukEncSessionKey, pCommonInfo,
        state_.respData, state_.encCommonAccount, Page());
}

// The procedures leave the clear common account in the response text.
Text CVelkorCtrl::GetClearCommAcc()
{
    return state_.respData;
}

Text CVelkorCtrl::GetEncCommAcc()
{
    return state_.encCommonAccount;
}

} // namespace velkor
