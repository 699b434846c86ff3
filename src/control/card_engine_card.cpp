#include "card/card_identity.h"
#include "card/pin_commands.h"
#include "card/snum_tac_command.h"
#include "common/status_codes.h"
#include "control/card_engine.h"
#include "customer_messages.h"
#include "page_status.h"

namespace velkor {

int32_t CardEngine::ListAccounts(
    int32_t slot, card::AccountFile file, card::AccountList& list, int32_t& count) const
{
    return ToPageStatus(card::ListAccounts(session_.Slot(slot), file, list, count));
}

Text CardEngine::GetIssuerBank(int32_t slot) const
{
    Text issuer;
    return card::ReadIssuerBank(session_.Slot(slot), issuer).Ok() ? issuer : Text();
}

Text CardEngine::GetICCRemark(int32_t slot) const
{
    Text remark;
    return card::ReadCardRemark(session_.Slot(slot), remark).Ok() ? remark : Text();
}

Text CardEngine::ReadCardSN(int32_t slot, int32_t& lastErrorCode) const
{
    Text serial;
    const int32_t result = ToPageStatus(card::ReadCardSerial(session_.Slot(slot), serial));
    if (result != status::kOk) {
        lastErrorCode = result;
        return {};
    }
    return serial;
}

int32_t CardEngine::VerifyPIN(int32_t slot, const OptText& pin) const
{
    return ToPageStatus(card::VerifyPin(session_.Slot(slot), pin));
}

int32_t CardEngine::VerifyPINSnd(int32_t slot, const PageInteraction& page) const
{
    if (!page.Tell(messages::kEnterPinOnReader, messages::kBankCaption)) {
        return status::kNotConfirmed;
    }
    return ToPageStatus(card::VerifyPinOnReader(session_.Slot(slot)));
}

int32_t CardEngine::VerifyPinOnReader(int32_t slot) const
{
    return ToPageStatus(card::VerifyPinOnReader(session_.Slot(slot)));
}

int32_t CardEngine::VerifyPinOnReaderShort(int32_t slot) const
{
    return ToPageStatus(card::VerifyPinOnReaderShort(session_.Slot(slot)));
}

int32_t CardEngine::ChangePIN(int32_t slot, const OptText& oldPin, const OptText& newPin) const
{
    return ToPageStatus(card::ChangePin(session_.Slot(slot), oldPin, newPin));
}

int32_t CardEngine::ChangePINSnd(
    int32_t slot, const OptText& account, const PageInteraction& page) const
{
    if (!account) {
        return status::kMissingArgument;
    }
    if (!page.Tell(messages::kEnterOldAndNewPinOnReader, messages::kBankCaption)) {
        return status::kNotConfirmed;
    }
    return ToPageStatus(card::ChangePinOnReader(session_.Slot(slot), account));
}

int32_t CardEngine::CheckCardAccount(int32_t slot, const OptText& account) const
{
    if (!account) {
        return status::kMissingArgument;
    }
    return ToPageStatus(card::CheckCardAccount(session_.Slot(slot), *account));
}

int32_t CardEngine::WriteRecordWithSnumTac(int32_t slot, const OptText& p1p2, int32_t length,
    const OptText& command, Text& snum, Text& tac) const
{
    return ToPageStatus(
        card::WriteRecordWithSnumTac(session_.Slot(slot), p1p2, length, command, snum, tac));
}

} // namespace velkor
