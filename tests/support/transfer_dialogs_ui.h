#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "control/ui.h"
#include "crypto/data_process.h"
#include "crypto/key_store.h"

// Stands in for the customer of the web-ATM transfer: the transfer-account dialog hands back the
// canned choice enciphered under the page's session key, and the confirmation dialog answers and,
// once confirmed, fills in its transfer outputs as its getter does.
namespace velkor::testing {

// Direction 0 enciphers UTF-16 text into hexadecimal, 1 deciphers hexadecimal; empty on failure.
inline Text UnderSession(
    int direction, std::u16string_view hash, std::u16string_view key, std::u16string_view input)
{
    const ScopedEmbeddedKeys embedded;
    Text output;
    int32_t length = static_cast<int32_t>(input.size());
    const int32_t form = direction == 0 ? CDataProcess::kInputUtf16Le : CDataProcess::kInputHex;
    if (CDataProcess::SessionCipher(direction, form, length, input, hash, key, output) != 0) {
        return {};
    }
    const SecureBytes bytes = TextLow8(output);
    return direction == 0 ? CDataProcess::HexText({ bytes.data(), bytes.size() }) : output;
}

class TransferDialogsUi final : public Ui {
public:
    Text firstResult = u"00123456789012340台灣銀行%%004";
    Text secondResult = u"004||12345678901234||0||2523||";
    int accountAnswer = 1;
    bool accountEnciphermentFails = false;
    std::function<void()> duringAccountDialog;
    int confirmAnswer = 1;
    Text transferCode = u"2524";
    bool getterFails = false;
    std::function<void(ConfirmationRequest&)> duringConfirmation;

    // What the dialogs were given and gave.
    struct Confirmation {
        int kind;
        Text amount, account, transferee;
        TransferConfirmation transfer;
    };
    std::vector<std::string> events; // "account", "confirm", "message", "wait", "arrow"
    Text accountDocument, encipheredFirst, encipheredSecond;
    std::vector<Confirmation> confirmations;

    int RunTransferAccount(TransferAccountRequest& request) override
    {
        events.push_back("account");
        accountDocument = request.document;
        request.firstResult = firstResult;
        request.secondResult = secondResult;
        const auto [hash, key] = request.keys;
        encipheredFirst
            = accountEnciphermentFails ? Text() : UnderSession(0, hash, key, firstResult);
        encipheredSecond = UnderSession(0, hash, key, secondResult);
        request.encipheredFirstResult = encipheredFirst;
        request.encipheredSecondResult = encipheredSecond;
        if (duringAccountDialog) {
            duringAccountDialog();
        }
        return accountAnswer;
    }

    int RunConfirmation(ConfirmationRequest& request) override
    {
        events.push_back("confirm");
        TransferConfirmation* t = request.transfer;
        EXPECT_NE(t, nullptr);
        confirmations.push_back({ request.kind, Text(request.amount.value_or(u"")),
            Text(request.account.value_or(u"")), Text(request.transferee.value_or(u"")), *t });
        if (duringConfirmation) {
            duringConfirmation(request);
        }
        if (confirmAnswer == 1 && !getterFails) {
            // The second result with the code after its third "||", enciphered again.
            Text plain = UnderSession(
                1, t->sessionKeyHash, t->encipheredSessionKey, t->encipheredSecondResult);
            size_t at = 0;
            for (int i = 0; i < 3; ++i) {
                at = plain.find(u"||", at) + 2;
            }
            plain.replace(at, transferCode.size(), transferCode);
            t->transferCode = transferCode;
            t->secondResult = plain;
            t->encipheredSecondResultOut
                = UnderSession(0, t->sessionKeyHash, t->encipheredSessionKey, plain);
            t->status = 0;
        }
        return confirmAnswer;
    }

    void ShowMessage(std::u16string_view, std::u16string_view) override
    {
        events.push_back("message");
    }
    void SetWaitCursor() override { events.push_back("wait"); }
    void SetArrowCursor() override { events.push_back("arrow"); }
};

} // namespace velkor::testing
