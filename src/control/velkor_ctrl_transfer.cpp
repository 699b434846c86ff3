#include "control/velkor_ctrl.h"

namespace velkor {

int32_t CVelkorCtrl::RunTransferProcedure(
    const CardEngine::TransferProcedureArguments& arguments, CardEngine::PinSource pinSource)
{
    auto record = Record();
    CardEngine::ImportAccountRecord importAccount { state_.clearImportAccount,
        state_.encImportAccount };
    return cardEngine_.TransferProcedure(arguments, pinSource, record, importAccount, Page());
}

int32_t CVelkorCtrl::TransferProc(const OptText& pPCode, const OptText& pFdid,
    const OptText& pFdChkCode, const OptText& pMoney, const OptText& pAccount,
    const OptText& pReaderName, const OptText& pPassword, const OptText& pShowMsg,
    const OptText& pSessionKeyHash, const OptText& pCpukEncSessionKey, const OptText& CommonInfo,
    const OptText& ServiceType)
{
    return RunTransferProcedure(
        { pPCode, pFdid, pFdChkCode, pMoney, pAccount, pReaderName, pPassword, pShowMsg,
            pSessionKeyHash, pCpukEncSessionKey, CommonInfo, ServiceType },
        CardEngine::PinSource::Typed);
}

int32_t CVelkorCtrl::TransferProcSnd(const OptText& pPCode, const OptText& pFdid,
    const OptText& pFdChkCode, const OptText& pMoney, const OptText& pAccount,
    const OptText& pReaderName, const OptText& pShowMsg, const OptText& pSessionKeyHash,
    const OptText& pCpukEncSessionKey, const OptText& CommonInfo, const OptText& ServiceType)
{
    return RunTransferProcedure(
        { pPCode, pFdid, pFdChkCode, pMoney, pAccount, pReaderName, std::nullopt, pShowMsg,
            pSessionKeyHash, pCpukEncSessionKey, CommonInfo, ServiceType },
        CardEngine::PinSource::None);
}

Text CVelkorCtrl::GetClearImportAccount()
{
    return state_.clearImportAccount;
}

Text CVelkorCtrl::GetEncImportAccount()
{
    return state_.encImportAccount;
}

} // namespace velkor
