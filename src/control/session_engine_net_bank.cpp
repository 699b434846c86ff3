#include "common/status_codes.h"
#include "control/net_bank_function_type.h"
#include "control/session_engine.h"

namespace velkor {

namespace {

// The import account is what the bank reads: the transfer-account dialog's second result (bank
// code, account and kind, the same result the web-ATM transfer hands to its confirmation), or the
// one result of a selection dialog. Either way the plain results are wiped once copied.
struct ChosenAccount {
    int result = PageInteraction::kCancelled;
    Text plain;
    Text enciphered;
};

ChosenAccount RunTransferAccount(
    const PageInteraction& page, std::u16string_view document, const SessionKeyTexts& keys)
{
    TransferAccountRequest request;
    request.dialog = TransferAccountDialog::NetBank;
    request.document = document;
    request.keys = keys;
    WipeOnExit wipeFirst(request.firstResult);
    WipeOnExit wipeSecond(request.secondResult);
    ChosenAccount chosen;
    chosen.result = page.RunDialog([&request](Ui& ui) { return ui.RunTransferAccount(request); });
    chosen.plain = request.secondResult;
    chosen.enciphered = request.encipheredSecondResult;
    return chosen;
}

ChosenAccount RunNetSelection(const PageInteraction& page, NetSelectionDialog dialog,
    std::u16string_view document, const SessionKeyTexts& keys)
{
    NetSelectionRequest request;
    request.dialog = dialog;
    request.document = document;
    request.keys = keys;
    WipeOnExit wipeResult(request.result);
    ChosenAccount chosen;
    chosen.result = page.RunDialog([&request](Ui& ui) { return ui.RunNetSelection(request); });
    chosen.plain = request.result;
    chosen.enciphered = request.encipheredResult;
    return chosen;
}

} // namespace

int32_t SessionEngine::TransferNet(const OptText& sessionKeyHashHex,
    const OptText& encryptedSessionKey, const OptText& commonInfo, const PageInteraction& page,
    Text& clearImportAccount, Text& encImportAccount) const
{
    WipeString(clearImportAccount);
    encImportAccount.clear();

    // A missing text reaches the dialog as an empty one: its document check refuses both alike.
    const std::u16string_view document = commonInfo ? std::u16string_view(*commonInfo) : u"";
    const SessionKeyTexts keys { sessionKeyHashHex ? std::u16string_view(*sessionKeyHashHex) : u"",
        encryptedSessionKey ? std::u16string_view(*encryptedSessionKey) : u"" };

    ChosenAccount chosen;
    switch (DialogForFunctionType(ReadFunctionType(document))) {
    case NetBankDialog::TransDeal:
        chosen = RunNetSelection(page, NetSelectionDialog::TransDeal, document, keys);
        break;
    case NetBankDialog::TransCom:
        chosen = RunNetSelection(page, NetSelectionDialog::TransCom, document, keys);
        break;
    case NetBankDialog::TransOth:
        chosen = RunNetSelection(page, NetSelectionDialog::TransOth, document, keys);
        break;
    case NetBankDialog::TransSetNet:
        chosen = RunTransferAccount(page, document, keys);
        break;
    }
    WipeOnExit wipePlain(chosen.plain);
    // A dialog that could not encipher its result still ends with OK; without the enciphered
    // account the bank cannot act on the choice, so that counts as not completed too (as in the
    // web-ATM transfer).
    if (chosen.result != PageInteraction::kConfirmed || chosen.enciphered.empty()) {
        return status::kNetDialogNotCompleted;
    }
    clearImportAccount = chosen.plain;
    encImportAccount = chosen.enciphered;
    return status::kOk;
}

} // namespace velkor
