#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/text.h"
#include "control/ui.h"
#include "crypto/data_process.h"
#include "crypto/key_store.h"

// Stands in for the customer in the web-ATM transfer: the transfer-account dialog hands back the
// canned choice (enciphered under the page's session key, as the dialog does), and the
// confirmation dialog answers and, after a confirmation, fills in its transfer outputs as its
// getter does. Keeps what each dialog was given.
namespace velkor::testing {

inline Text EncipherUnderSession(const SessionKeyTexts& keys, std::u16string_view plain)
{
    const ScopedEmbeddedKeys embedded;
    Text cipher;
    int32_t length = static_cast<int32_t>(plain.size());
    if (CDataProcess::SessionCipher(
            0, CDataProcess::kInputUtf16Le, length, plain, keys.hash, keys.encipheredKey, cipher)
        != 0) {
        return {};
    }
    const SecureBytes bytes = TextLow8(cipher);
    return CDataProcess::HexText(std::span<const uint8_t>(bytes.data(), bytes.size()));
}

inline std::optional<Text> DecipherUnderSession(
    std::u16string_view hash, std::u16string_view key, std::u16string_view hex)
{
    const ScopedEmbeddedKeys embedded;
    Text plain;
    int32_t length = static_cast<int32_t>(hex.size());
    if (CDataProcess::SessionCipher(1, CDataProcess::kInputHex, length, hex, hash, key, plain)
        != 0) {
        return std::nullopt;
    }
    return plain;
}

class TransferDialogsUi final : public Ui {
public:
    // The customer's choice: an account of another bank.
    Text firstResult = u"00123456789012340台灣銀行%%004";
    Text secondResult = u"004||12345678901234||0||2523||";
    int accountAnswer = 1;
    bool accountEnciphermentFails = false;
    std::function<void()> duringAccountDialog;

    int confirmAnswer = 1;
    Text transferCode = u"2524"; // what the confirmation dialog works out
    bool getterFails = false;
    std::function<void(ConfirmationRequest&)> duringConfirmation;

    struct SeenConfirmation {
        int kind = 0;
        std::optional<Text> amount, account, transferee;
        char16_t mode = 0;
        bool resultsHandedOn = false; // the account dialog's enciphered results, unchanged
    };
    std::vector<std::string> events; // "account", "confirm", "message", "wait", "arrow"
    Text accountDocument;
    Text accountReader;
    std::vector<SeenConfirmation> confirmations;

    int RunTransferAccount(TransferAccountRequest& request) override
    {
        events.push_back("account");
        EXPECT_EQ(request.dialog, TransferAccountDialog::WebAtm);
        accountDocument = request.document;
        accountReader = request.reader;
        request.firstResult = firstResult;
        request.secondResult = secondResult;
        encipheredFirst_
            = accountEnciphermentFails ? Text() : EncipherUnderSession(request.keys, firstResult);
        encipheredSecond_ = EncipherUnderSession(request.keys, secondResult);
        request.encipheredFirstResult = encipheredFirst_;
        request.encipheredSecondResult = encipheredSecond_;
        if (duringAccountDialog) {
            duringAccountDialog();
        }
        return accountAnswer;
    }

    int RunConfirmation(ConfirmationRequest& request) override
    {
        events.push_back("confirm");
        const auto copy
            = [](auto view) { return view ? std::optional<Text>(*view) : std::nullopt; };
        SeenConfirmation seen { request.kind, copy(request.amount), copy(request.account),
            copy(request.transferee) };
        TransferConfirmation* transfer = request.transfer;
        if (transfer != nullptr) {
            seen.mode = transfer->mode;
            seen.resultsHandedOn = transfer->encipheredFirstResult == encipheredFirst_
                && transfer->encipheredSecondResult == encipheredSecond_;
        }
        confirmations.push_back(seen);
        if (duringConfirmation) {
            duringConfirmation(request);
        }
        if (confirmAnswer == 1 && transfer != nullptr && !getterFails) {
            FillTransferOutputs(*transfer);
        }
        return confirmAnswer;
    }

    void ShowMessage(std::u16string_view, std::u16string_view) override
    {
        events.push_back("message");
    }
    void SetWaitCursor() override { events.push_back("wait"); }
    void SetArrowCursor() override { events.push_back("arrow"); }

private:
    // The getter: the second result with the transfer code after its third "||", enciphered
    // again.
    void FillTransferOutputs(TransferConfirmation& transfer) const
    {
        std::optional<Text> plain = DecipherUnderSession(transfer.sessionKeyHash,
            transfer.encipheredSessionKey, transfer.encipheredSecondResult);
        ASSERT_TRUE(plain);
        size_t at = 0;
        for (int i = 0; i < 3; ++i) {
            at = plain->find(u"||", at) + 2;
        }
        plain->replace(at, transferCode.size(), transferCode);
        transfer.transferCode = transferCode;
        transfer.secondResult = *plain;
        transfer.encipheredSecondResultOut = EncipherUnderSession(
            { transfer.sessionKeyHash, transfer.encipheredSessionKey }, *plain);
        transfer.status = 0;
    }

    Text encipheredFirst_;
    Text encipheredSecond_;
};

} // namespace velkor::testing
