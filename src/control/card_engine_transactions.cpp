#include "card/card_application.h"
#include "common/status_codes.h"
#include "control/card_engine.h"
#include "customer_messages.h"
#include "page_status.h"

namespace velkor {

using transactions::ImportAccountRule;

int32_t CardEngine::AccountRequest(int32_t slot, transactions::TransactionType type,
    const transactions::TransactionFields& fields, transactions::TransactionRecord& record) const
{
    return ToPageStatus(transactions::RequestTransaction(
        session_.Slot(slot), type, fields, ImportAccountRule::AtLeast16, record));
}

int32_t CardEngine::AccountRequestSnd(const OptText& readerName, transactions::TransactionType type,
    const transactions::TransactionFields& fields, transactions::TransactionRecord& record,
    const PageInteraction& page) const
{
    if (!readerName) {
        return status::kMissingArgument;
    }
    if (const card::Result check
        = transactions::CheckTransactionFields(type, fields, ImportAccountRule::Exactly16);
        !check.Ok()) {
        return ToPageStatus(check);
    }
    int32_t slot = 0;
    int32_t atrHexLength = 0;
    Text atrHex;
    if (const int32_t connected = ConnectCard(readerName, slot, atrHexLength, atrHex);
        connected != status::kOk) {
        DisconnectCard(slot);
        return connected;
    }
    if (const card::Result entered = card::EnterApplication(session_.Slot(slot)); !entered.Ok()) {
        DisconnectCard(slot);
        return ToPageStatus(entered);
    }
    if (!page.Tell(messages::kConfirmTransactionOnReader, messages::kBankCaption)) {
        DisconnectCard(slot);
        return status::kNotConfirmed;
    }
    WaitCursor waitCursor(page.ui());
    const card::Result result = transactions::RequestTransaction(
        session_.Slot(slot), type, fields, ImportAccountRule::Exactly16, record);
    DisconnectCard(slot);
    return ToPageStatus(result);
}

int32_t CardEngine::AccountInquirySnd(int32_t slot, const transactions::TransactionFields& fields,
    transactions::TransactionRecord& record, Ui& ui) const
{
    if (const card::Result entered = card::EnterApplication(session_.Slot(slot)); !entered.Ok()) {
        return ToPageStatus(entered);
    }
    WaitCursor waitCursor(ui);
    return ToPageStatus(transactions::RequestTransaction(session_.Slot(slot),
        transactions::TransactionType::Inquiry, fields, ImportAccountRule::AtLeast16, record));
}

} // namespace velkor
