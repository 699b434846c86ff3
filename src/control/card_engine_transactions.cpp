#include "card/card_application.h"
#include "common/status_codes.h"
#include "control/card_engine.h"
#include "customer_messages.h"

namespace velkor {

using transactions::ImportAccountRule;

int32_t CardEngine::AccountRequest(int32_t slot, transactions::TransactionType type,
    const transactions::TransactionFields& fields, transactions::TransactionRecord& record) const
{
    return transactions::RequestTransaction(
        session_.Slot(slot), type, fields, ImportAccountRule::AtLeast16, record);
}

int32_t CardEngine::AccountRequestSnd(const OptText& readerName, transactions::TransactionType type,
    const transactions::TransactionFields& fields, transactions::TransactionRecord& record,
    const PageInteraction& page) const
{
    if (!readerName) {
        return status::kMissingArgument;
    }
    if (const int32_t check
        = transactions::CheckTransactionFields(type, fields, ImportAccountRule::Exactly16);
        check != status::kOk) {
        return check;
    }
    int32_t slot = 0;
    int32_t atrHexLength = 0;
    Text atrHex;
    if (const int32_t connected = ConnectCard(readerName, slot, atrHexLength, atrHex);
        connected != status::kOk) {
        DisconnectCard(slot);
        return connected;
    }
    if (!card::Succeeded(card::SelectApplication(session_.Slot(slot)))) {
        DisconnectCard(slot);
        return status::kSelectionFailed;
    }
    if (!page.Tell(messages::kConfirmTransactionOnReader, messages::kBankCaption)) {
        DisconnectCard(slot);
        return status::kNotConfirmed;
    }
    WaitCursor waitCursor(page.ui());
    const int32_t result = transactions::RequestTransaction(
        session_.Slot(slot), type, fields, ImportAccountRule::Exactly16, record);
    DisconnectCard(slot);
    return result;
}

int32_t CardEngine::AccountInquirySnd(int32_t slot, const transactions::TransactionFields& fields,
    transactions::TransactionRecord& record, Ui& ui) const
{
    if (!card::Succeeded(card::SelectApplication(session_.Slot(slot)))) {
        return status::kSelectionFailed;
    }
    WaitCursor waitCursor(ui);
    return transactions::RequestTransaction(session_.Slot(slot),
        transactions::TransactionType::Inquiry, fields, ImportAccountRule::AtLeast16, record);
}

} // namespace velkor
