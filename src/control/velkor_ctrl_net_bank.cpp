#include "control/velkor_ctrl.h"

namespace velkor {

int32_t CVelkorCtrl::TransferNet(
    const OptText& pSessionKeyHash, const OptText& pCpukEncSessionKey, const OptText& CommonInfo)
{
    return sessionEngine_.TransferNet(pSessionKeyHash, pCpukEncSessionKey, CommonInfo, Page(),
        state_.clearImportAccount, state_.encImportAccount);
}

int32_t CVelkorCtrl::FileTransfer(const OptText& pSessionKeyHash, const OptText& pCpukEncSessionKey)
{
    state_.respLength = 0;
    return sessionEngine_.FileTransfer(pSessionKeyHash, pCpukEncSessionKey, Page(), state_.respData,
        state_.respLength, state_.clearFileName, state_.encFileName);
}

int32_t CVelkorCtrl::GetRespLength()
{
    return state_.respLength;
}

Text CVelkorCtrl::GetClearFileName()
{
    return state_.clearFileName;
}

Text CVelkorCtrl::GetEncFileName()
{
    return state_.encFileName;
}

} // namespace velkor
