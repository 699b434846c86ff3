#include <algorithm>
#include <vector>

#include "card/card_application.h"
#include "card/pin_block.h"
#include "card/pin_commands.h"
#include "card/snum_tac_command.h"
#include "common/status_codes.h"
#include "confirmed_session.h"
#include "control/card_engine.h"
#include "page_status.h"
#include "transactions/transaction_identity.h"

namespace velkor {

using transactions::ImportAccountRule;
using transactions::TransactionType;

namespace {

// The record write answers like a transaction command: P1 P2 10 80.
constexpr char16_t kRecordWriteP1P2[] = u"1080";

// Dialog kinds: what the confirmation dialog shows and which data checks it makes.
constexpr int kPinKind = 0;
constexpr int kPadPinKind = 5;
constexpr int kRecordWriteKind = 26;

int TransactionKind(TransactionType type, CardEngine::PinSource pinSource, bool zeroAmount)
{
    const bool typed = pinSource == CardEngine::PinSource::Typed;
    switch (type) {
    case TransactionType::Payment:
        return typed ? 1 : 6;
    case TransactionType::PayTax:
        return typed ? 2 : 7;
    case TransactionType::Transfer:
        return typed ? 3 : 8;
    case TransactionType::Withdrawal:
        // A withdrawal of nothing is a balance check: the dialog shows no amount.
        if (zeroAmount) {
            return typed ? 10 : 11;
        }
        return typed ? 4 : 9;
    case TransactionType::Inquiry:
        return typed ? 12 : 13;
    }
    return 0;
}

bool IsZeroAmount(const OptText& money)
{
    return money && std::all_of(money->begin(), money->end(), [](char16_t c) { return c == u'0'; });
}

std::optional<std::u16string_view> ViewOf(const OptText& text)
{
    if (!text) {
        return std::nullopt;
    }
    return std::u16string_view(*text);
}

// The dialog's request without amount, account or transferee, probing `readerName`.
ConfirmationRequest Request(
    pcsc::ReaderSession& session, std::u16string_view document, int kind, Text readerName)
{
    ConfirmationRequest request;
    request.document = document;
    request.kind = kind;
    request.reader = readerName;
    request.probeCard = CardProbe(session, std::move(readerName));
    return request;
}

// A PIN that cannot be sent is refused before the customer is asked to confirm anything, not
// after the dialog (where the verification would find it).
int32_t CheckPinBeforeDialog(CardEngine::PinSource pinSource, const OptText& pin)
{
    return pinSource == CardEngine::PinSource::Typed ? ToPageStatus(card::CheckPin(pin))
                                                     : status::kOk;
}

Text ReaderNameOf(const pcsc::ReaderSession& session, int32_t slot)
{
    if (slot < 0 || slot >= pcsc::kSlotCount) {
        return {};
    }
    return session.SlotAt(slot).name;
}

// The customer may have pulled the card and put it back while the dialog ran; the handle of the
// slot then reaches a card that has been reset, or nothing. Connecting again (which keeps a
// handle that still works) gives the slot a live handle before its first command. A slot that
// had no connection is left alone: its commands fail as they would have.
void RenewPageConnection(pcsc::ReaderSession& session, int32_t slot)
{
    if (slot < 0 || slot >= pcsc::kSlotCount || !session.SlotAt(slot).connected) {
        return;
    }
    // A copy: connecting may list the readers into the slots again.
    const Text readerName = session.SlotAt(slot).name;
    int32_t renewed = 0;
    std::vector<uint8_t> atr;
    session.ConnectSlot(readerName, renewed, atr, pcsc::kShareExclusive);
}

} // namespace

int32_t CardEngine::VerifyPINEx(
    int32_t slot, const OptText& pin, const OptText& document, const PageInteraction& page) const
{
    if (const card::Result check = card::CheckPin(pin); !check.Ok()) {
        return ToPageStatus(check);
    }
    if (!document) {
        return status::kMissingArgument;
    }
    ConfirmationRequest request
        = Request(session_, *document, kPinKind, ReaderNameOf(session_, slot));
    if (page.Confirm(request) != PageInteraction::kConfirmed) {
        return status::kNotConfirmed;
    }
    RenewPageConnection(session_, slot);
    return ToPageStatus(card::VerifyPin(session_.Slot(slot), pin));
}

int32_t CardEngine::VerifyPINSndEx(
    int32_t slot, const OptText& document, const PageInteraction& page) const
{
    if (!document) {
        return status::kMissingArgument;
    }
    ConfirmationRequest request
        = Request(session_, *document, kPadPinKind, ReaderNameOf(session_, slot));
    if (page.Confirm(request) != PageInteraction::kConfirmed) {
        return status::kNotConfirmed;
    }
    RenewPageConnection(session_, slot);
    return ToPageStatus(card::VerifyPinOnReader(session_.Slot(slot)));
}

int32_t CardEngine::ChangePINEx(int32_t slot, const OptText& oldPin, const OptText& newPin,
    const OptText& document, const OptText& account, const PageInteraction& page) const
{
    if (!oldPin || !newPin || !document || !account) {
        return status::kMissingArgument;
    }
    if (const card::Result check = card::CheckPinChange(oldPin, newPin); !check.Ok()) {
        return ToPageStatus(check);
    }
    ConfirmationRequest request
        = Request(session_, *document, kPinKind, ReaderNameOf(session_, slot));
    if (page.Confirm(request) != PageInteraction::kConfirmed) {
        return status::kNotConfirmed;
    }
    RenewPageConnection(session_, slot);
    if (const card::Result entered = card::EnterApplication(session_.Slot(slot)); !entered.Ok()) {
        return ToPageStatus(entered);
    }
    if (const card::Result checked = card::CheckCardAccount(session_.Slot(slot), *account);
        !checked.Ok()) {
        return ToPageStatus(checked);
    }
    return ToPageStatus(card::ReplacePin(session_.Slot(slot), *oldPin, *newPin));
}

int32_t CardEngine::ChangePINSndEx(int32_t slot, const OptText& document, const OptText& account,
    const PageInteraction& page) const
{
    if (!document || !account) {
        return status::kMissingArgument;
    }
    ConfirmationRequest request
        = Request(session_, *document, kPadPinKind, ReaderNameOf(session_, slot));
    if (page.Confirm(request) != PageInteraction::kConfirmed) {
        return status::kNotConfirmed;
    }
    RenewPageConnection(session_, slot);
    return ToPageStatus(card::ChangePinOnReader(session_.Slot(slot), account));
}

int32_t CardEngine::ConnectAndConfirm(const OptText& readerName, ConfirmationRequest& request,
    PinSource pinSource, const OptText& pin, const PageInteraction& page, int32_t& slot) const
{
    int32_t atrHexLength = 0;
    Text atrHex;
    if (const int32_t connected = ConnectCard(readerName, slot, atrHexLength, atrHex);
        connected != status::kOk) {
        return connected;
    }
    if (const int result = page.Confirm(request); result != PageInteraction::kConfirmed) {
        return NotConfirmedStatus(result);
    }
    if (const int32_t connected = ConnectCard(readerName, slot, atrHexLength, atrHex);
        connected != status::kOk) {
        return connected;
    }
    if (const card::Result entered = card::EnterApplication(session_.Slot(slot)); !entered.Ok()) {
        return ToPageStatus(entered);
    }
    if (pinSource == PinSource::Typed) {
        return ToPageStatus(card::VerifyPin(session_.Slot(slot), pin));
    }
    return status::kOk;
}

int32_t CardEngine::WriteRecordConfirmed(const OptText& readerName, const OptText& command,
    const OptText& document, PinSource pinSource, const OptText& pin,
    transactions::TransactionRecord& record, const PageInteraction& page) const
{
    if (!command || !readerName || !document || (pinSource == PinSource::Typed && !pin)) {
        return status::kMissingArgument;
    }
    if (command->size() > card::kMaxSnumTacCommandChars) {
        return status::kBadLength;
    }
    if (const int32_t check = CheckPinBeforeDialog(pinSource, pin); check != status::kOk) {
        return check;
    }
    ConfirmationRequest request = Request(session_, *document, kRecordWriteKind, *readerName);
    int32_t slot = 0;
    const DisconnectOnExit endSession(*this, slot);
    if (const int32_t ready = ConnectAndConfirm(readerName, request, pinSource, pin, page, slot);
        ready != status::kOk) {
        return ready;
    }
    card::Result written;
    {
        WaitCursor waitCursor(page.ui());
        written = card::WriteRecordWithSnumTac(session_.Slot(slot), Text(kRecordWriteP1P2),
            static_cast<int32_t>(command->size()), command, record.snum, record.tac);
    }
    if (!written.Ok()) {
        return ToPageStatus(written);
    }
    transactions::ReadTransactionIdentity(
        session_.Slot(slot), record.issuer, record.remark, record.account);
    return status::kOk;
}

int32_t CardEngine::AccountRequestConfirmed(const OptText& readerName, TransactionType type,
    const transactions::TransactionFields& fields, PinSource pinSource, const OptText& pin,
    const OptText& document, transactions::TransactionRecord& record,
    const PageInteraction& page) const
{
    if (!readerName || !document || (pinSource == PinSource::Typed && !pin)) {
        return status::kMissingArgument;
    }
    if (const card::Result check
        = transactions::CheckTransactionFields(type, fields, ImportAccountRule::Exactly16);
        !check.Ok()) {
        return ToPageStatus(check);
    }
    if (const int32_t check = CheckPinBeforeDialog(pinSource, pin); check != status::kOk) {
        return check;
    }
    ConfirmationRequest request = Request(session_, *document,
        TransactionKind(type, pinSource, IsZeroAmount(fields.amount)), *readerName);
    if (type != TransactionType::Inquiry) {
        request.amount = ViewOf(fields.amount);
        request.account = ViewOf(fields.account);
    }
    if (type == TransactionType::Transfer) {
        request.transferee = ViewOf(fields.importAccount);
    }
    int32_t slot = 0;
    const DisconnectOnExit endSession(*this, slot);
    if (const int32_t ready = ConnectAndConfirm(readerName, request, pinSource, pin, page, slot);
        ready != status::kOk) {
        return ready;
    }
    WaitCursor waitCursor(page.ui());
    return ToPageStatus(transactions::RequestTransaction(
        session_.Slot(slot), type, fields, ImportAccountRule::Exactly16, record));
}

} // namespace velkor
