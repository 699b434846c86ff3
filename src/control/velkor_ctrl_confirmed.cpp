#include "control/velkor_ctrl.h"

namespace velkor {

int32_t CVelkorCtrl::VerifyPINEx(const OptText& pPwdStr, const OptText& pShowMsgStr)
{
    return cardEngine_.VerifyPINEx(state_.readerSlotIndex, pPwdStr, pShowMsgStr, Page());
}

int32_t CVelkorCtrl::VerifyPINSndEx(const OptText& pShowMsgStr)
{
    return cardEngine_.VerifyPINSndEx(state_.readerSlotIndex, pShowMsgStr, Page());
}

int32_t CVelkorCtrl::ChangePINEx(const OptText& pOldPwdStr, const OptText& pNewPwdStr,
    const OptText& pShowMsgStr, const OptText& pAccountNo)
{
    return cardEngine_.ChangePINEx(
        state_.readerSlotIndex, pOldPwdStr, pNewPwdStr, pShowMsgStr, pAccountNo, Page());
}

int32_t CVelkorCtrl::ChangePINSndEx(const OptText& pShowMsgStr, const OptText& pAccountNo)
{
    return cardEngine_.ChangePINSndEx(state_.readerSlotIndex, pShowMsgStr, pAccountNo, Page());
}

int32_t CVelkorCtrl::WriteRecordWithSNUMTAC(const OptText& pReaderName, const OptText& pApduCmd,
    const OptText& pShowMsg, const OptText& pPassword)
{
    auto record = Record();
    return cardEngine_.WriteRecordConfirmed(
        pReaderName, pApduCmd, pShowMsg, CardEngine::PinSource::Typed, pPassword, record, Page());
}

int32_t CVelkorCtrl::WriteRecordWithSNUMTACSnd(
    const OptText& pReaderName, const OptText& pApduCmd, const OptText& pShowMsg)
{
    auto record = Record();
    return cardEngine_.WriteRecordConfirmed(
        pReaderName, pApduCmd, pShowMsg, CardEngine::PinSource::None, std::nullopt, record, Page());
}

} // namespace velkor
