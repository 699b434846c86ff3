#include "control/velkor_ctrl.h"

namespace velkor {

namespace {

// A page learns -1 rather than 0 when the list holds nothing.
int32_t CountOrMinusOne(int32_t count)
{
    return count == 0 ? -1 : count;
}

// The entry at `index`, whatever the count: entries beyond it keep what an earlier listing left.
Text EntryAt(const card::AccountList& list, int32_t index)
{
    if (index < 0 || index >= static_cast<int32_t>(list.size())) {
        return {};
    }
    return list[static_cast<size_t>(index)];
}

} // namespace

int32_t CVelkorCtrl::ListEF1001Accounts()
{
    return cardEngine_.ListAccounts(state_.readerSlotIndex, card::AccountFile::Ef1001,
        state_.ef1001Accounts, state_.ef1001Count);
}

int32_t CVelkorCtrl::GetEF1001TotalAccounts()
{
    return CountOrMinusOne(state_.ef1001Count);
}

Text CVelkorCtrl::GetEF1001Account(int32_t AccountNo)
{
    return EntryAt(state_.ef1001Accounts, AccountNo);
}

int32_t CVelkorCtrl::ListEF1002Accounts()
{
    return cardEngine_.ListAccounts(state_.readerSlotIndex, card::AccountFile::Ef1002,
        state_.ef1002Accounts, state_.ef1002Count);
}

int32_t CVelkorCtrl::GetEF1002TotalAccounts()
{
    return CountOrMinusOne(state_.ef1002Count);
}

Text CVelkorCtrl::GetEF1002Account(int32_t AccountNo)
{
    return EntryAt(state_.ef1002Accounts, AccountNo);
}

Text CVelkorCtrl::GetIssuerBank()
{
    return cardEngine_.GetIssuerBank(state_.readerSlotIndex);
}

Text CVelkorCtrl::GetICCRemark()
{
    return cardEngine_.GetICCRemark(state_.readerSlotIndex);
}

Text CVelkorCtrl::ReadCardSN()
{
    return cardEngine_.ReadCardSN(state_.readerSlotIndex, state_.lastErrorCode);
}

int32_t CVelkorCtrl::VerifyPIN(const OptText& pPwdStr)
{
    return cardEngine_.VerifyPIN(state_.readerSlotIndex, pPwdStr);
}

int32_t CVelkorCtrl::VerifyPINSnd()
{
    return cardEngine_.VerifyPINSnd(state_.readerSlotIndex, Page());
}

int32_t CVelkorCtrl::ChangePIN(const OptText& pOldPwdStr, const OptText& pNewPwdStr)
{
    return cardEngine_.ChangePIN(state_.readerSlotIndex, pOldPwdStr, pNewPwdStr);
}

int32_t CVelkorCtrl::ChangePINSnd(const OptText& pAccountNo)
{
    return cardEngine_.ChangePINSnd(state_.readerSlotIndex, pAccountNo, Page());
}

} // namespace velkor
