#include <array>
#include <string_view>

#include "card/card_application.h"
#include "card/pin_block.h"
#include "card/pin_commands.h"
#include "common/secure_buffer.h"
#include "common/status_codes.h"
#include "confirmed_session.h"
#include "control/card_engine.h"
#include "page_status.h"

// The web-ATM transfer: the transfer-account dialog, the confirmation dialog, then the card signs
// the request on a connection made after the customer confirmed (the dialog may have had the
// card taken out and put back).
namespace velkor {

using transactions::ImportAccountRule;
using transactions::TransactionType;

namespace {

// What the confirmation dialog checks and shows for the web-ATM transfer.
constexpr int kTransferConfirmationKind = 23;

constexpr size_t kSessionKeyHashChars = 40;
// The RSA-enciphered session key in hexadecimal; 254 digits when the leading byte is below 0x10
// and its zero digit was dropped.
constexpr size_t kEncipheredKeyChars = 256;
constexpr size_t kEncipheredKeyShortChars = 254;

// The transfer-account dialog's lists: agreed accounts, common accounts, banks.
constexpr size_t kAccountLists = 3;
constexpr std::u16string_view kAccountListTag = u"<AtmNode";

// The import account the card signs: the right-aligned 16-character field at the start of the
// transfer-account dialog's first result.
constexpr size_t kImportAccountChars = 16;

// With service 2 the confirmation dialog's transfer code decides: this code is a tax payment.
constexpr std::u16string_view kTaxPaymentCode = u"2523";

// Occurrences of the element's start, compared exactly, as the dialogs count them.
size_t CountAccountLists(std::u16string_view document)
{
    size_t count = 0;
    for (size_t at = document.find(kAccountListTag); at != std::u16string_view::npos;
         at = document.find(kAccountListTag, at + kAccountListTag.size())) {
        ++count;
    }
    return count;
}

bool HasLength(const OptText& text, size_t length)
{
    return text->size() == length;
}

int32_t CheckArguments(
    const CardEngine::TransferProcedureArguments& a, CardEngine::PinSource pinSource)
{
    const std::array<const OptText*, 11> texts { &a.processingCode, &a.requestId, &a.checkCode,
        &a.amount, &a.account, &a.readerName, &a.confirmationDocument, &a.sessionKeyHash,
        &a.encipheredSessionKey, &a.parameterDocument, &a.serviceType };
    for (const OptText* text : texts) {
        if (!*text) {
            return status::kMissingArgument;
        }
    }
    const bool typed = pinSource == CardEngine::PinSource::Typed;
    if (typed && !a.pin) {
        return status::kMissingArgument;
    }
    if (!HasLength(a.processingCode, 4) || !HasLength(a.requestId, 8) || !HasLength(a.checkCode, 8)
        || !HasLength(a.amount, 14) || !HasLength(a.account, 16)
        || !HasLength(a.sessionKeyHash, kSessionKeyHashChars)
        || !(HasLength(a.encipheredSessionKey, kEncipheredKeyChars)
            || HasLength(a.encipheredSessionKey, kEncipheredKeyShortChars))) {
        return status::kBadLength;
    }
    // A PIN that cannot be sent is refused before the customer goes through both dialogs.
    return typed ? ToPageStatus(card::CheckPin(a.pin)) : status::kOk;
}

// The request the service asks for, or none (any other service: nothing is signed).
std::optional<TransactionType> RequestOf(char16_t service, std::u16string_view transferCode)
{
    switch (service) {
    case u'0':
        return TransactionType::Transfer;
    case u'1':
        return TransactionType::PayTax;
    case u'2':
        return transferCode == kTaxPaymentCode ? TransactionType::PayTax
                                               : TransactionType::Transfer;
    default:
        return std::nullopt;
    }
}

// The confirmation dialog's service mode: '1' and '2' select theirs, anything else mode 0.
char16_t ConfirmationMode(char16_t service)
{
    return service == u'1' || service == u'2' ? service : u'0';
}

} // namespace

int32_t CardEngine::TransferProcedure(const TransferProcedureArguments& arguments,
    PinSource pinSource, transactions::TransactionRecord& record,
    ImportAccountRecord& importAccount, const PageInteraction& page) const
{
    if (const int32_t check = CheckArguments(arguments, pinSource); check != status::kOk) {
        return check;
    }
    const Text& readerName = *arguments.readerName;
    const char16_t service = arguments.serviceType->empty() ? u'\0' : arguments.serviceType->at(0);

    int32_t slot = 0;
    const DisconnectOnExit endSession(*this, slot);
    int32_t atrHexLength = 0;
    Text atrHex;
    if (const int32_t connected = ConnectCard(arguments.readerName, slot, atrHexLength, atrHex);
        connected != status::kOk) {
        return connected;
    }
    if (CountAccountLists(*arguments.parameterDocument) < kAccountLists) {
        return status::kTooFewAccountLists;
    }

    // What the customer chose, plain: wiped on every way out.
    TransferAccountRequest choice;
    WipeOnExit wipeFirst(choice.firstResult);
    WipeOnExit wipeSecond(choice.secondResult);
    choice.dialog = TransferAccountDialog::WebAtm;
    choice.document = *arguments.parameterDocument;
    choice.keys = { *arguments.sessionKeyHash, *arguments.encipheredSessionKey };
    choice.readerSlot = slot;
    choice.reader = readerName;
    if (page.RunDialog([&choice](Ui& ui) { return ui.RunTransferAccount(choice); })
        != PageInteraction::kConfirmed) {
        return status::kNotConfirmed;
    }
    // The dialog ends with OK even when it could not encipher a result; that result is then
    // empty, and without it neither the confirmation nor the bank can read the choice. The
    // transfer ends as not completed (kNotConfirmed), like a cancelled dialog.
    if (choice.encipheredFirstResult.empty() || choice.encipheredSecondResult.empty()) {
        return status::kNotConfirmed;
    }

    TransferConfirmation transfer;
    WipeOnExit wipeImportAccount(transfer.secondResult);
    transfer.sessionKeyHash = *arguments.sessionKeyHash;
    transfer.encipheredSessionKey = *arguments.encipheredSessionKey;
    transfer.encipheredFirstResult = choice.encipheredFirstResult;
    transfer.encipheredSecondResult = choice.encipheredSecondResult;
    transfer.mode = ConfirmationMode(service);
    ConfirmationRequest confirmation;
    confirmation.document = *arguments.confirmationDocument;
    confirmation.amount = *arguments.amount;
    confirmation.account = *arguments.account;
    confirmation.transferee = choice.firstResult;
    confirmation.kind = kTransferConfirmationKind;
    confirmation.reader = readerName;
    confirmation.probeCard = CardProbe(session_, readerName);
    confirmation.transfer = &transfer;
    if (const int result = page.Confirm(confirmation); result != PageInteraction::kConfirmed) {
        return NotConfirmedStatus(result);
    }
    // The dialog could not decipher the chosen account's record or encipher it again: without
    // the transfer code and the enciphered import account there is nothing the bank could check,
    // so nothing is signed (kNotConfirmed, not completed).
    if (transfer.status != status::kOk || transfer.encipheredSecondResultOut.empty()) {
        return status::kNotConfirmed;
    }
    WipeString(importAccount.clear);
    importAccount.clear = transfer.secondResult;
    importAccount.enciphered = transfer.encipheredSecondResultOut;

    if (const int32_t connected = ConnectCard(arguments.readerName, slot, atrHexLength, atrHex);
        connected != status::kOk) {
        return connected;
    }
    if (const card::Result entered = card::EnterApplication(session_.Slot(slot)); !entered.Ok()) {
        return ToPageStatus(entered);
    }
    if (pinSource == PinSource::Typed) {
        if (const card::Result verified = card::VerifyPin(session_.Slot(slot), arguments.pin);
            !verified.Ok()) {
            return ToPageStatus(verified);
        }
    }

    const std::optional<TransactionType> type = RequestOf(service, transfer.transferCode);
    if (!type) {
        page.ui().SetArrowCursor();
        return status::kOk;
    }
    transactions::TransactionFields fields;
    fields.processingCode = transfer.transferCode;
    fields.requestId = arguments.requestId;
    fields.checkCode = arguments.checkCode;
    fields.amount = arguments.amount;
    fields.account = arguments.account;
    // The tax payment carries no import account; the field stays empty and unused.
    fields.importAccount.emplace();
    WipeOnExit wipeFieldAccount(*fields.importAccount);
    if (*type == TransactionType::Transfer) {
        // Fewer than 16 characters are refused by the request (kBadLength).
        *fields.importAccount = choice.firstResult.substr(0, kImportAccountChars);
    }
    WaitCursor waitCursor(page.ui());
    return ToPageStatus(transactions::RequestTransaction(
        session_.Slot(slot), *type, fields, ImportAccountRule::AtLeast16, record));
}

} // namespace velkor
