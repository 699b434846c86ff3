#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/secure_buffer.h"

// What the procedures hand to the account-choice dialogs, the common-account form and what they
// get back. Each request is filled by the procedure, run through `Ui`, and read after OK (1); the
// plain results hold what the customer chose or typed, so the procedure wipes them (WipeOnExit)
// once it has stored what it keeps.
namespace velkor {

// The page's session-key texts, handed unchanged to the session cipher by the dialogs.
struct SessionKeyTexts {
    std::u16string_view hash;
    std::u16string_view encipheredKey;
};

// The transfer-account dialogs: the web-ATM one (`CTransSet`) and the net-bank one
// (`CTransSetNet`).
enum class TransferAccountDialog { WebAtm, NetBank };

struct TransferAccountRequest {
    TransferAccountDialog dialog = TransferAccountDialog::WebAtm;
    std::u16string_view document;
    SessionKeyTexts keys;
    // The reader slot of the card session (kept by the dialog, 0 from the net bank).
    int32_t readerSlot = 0;
    // The reader whose card automation may move while the dialog is open (may be empty).
    std::u16string reader;

    // After OK: both results plain and as upper-case hexadecimal of their encipherment (empty
    // when enciphering failed).
    std::u16string firstResult;
    std::u16string secondResult;
    std::u16string encipheredFirstResult;
    std::u16string encipheredSecondResult;
};

// The three net-bank selection dialogs (`TransDeal`, `TransCom`, `TransOth`).
enum class NetSelectionDialog { TransDeal, TransCom, TransOth };

struct NetSelectionRequest {
    NetSelectionDialog dialog = NetSelectionDialog::TransDeal;
    std::u16string_view document;
    SessionKeyTexts keys;

    // After OK: the result plain and as upper-case hexadecimal of its encipherment (empty when
    // enciphering failed).
    std::u16string result;
    std::u16string encipheredResult;
};

// The common-account entry forms: the web-ATM one (`CWebComDlg`) and the net-bank one
// (`CWebComNetDlg`).
enum class CommonAccountFormKind { WebAtm, NetBank };

struct CommonAccountRequest {
    CommonAccountFormKind form = CommonAccountFormKind::WebAtm;
    std::u16string_view document;
    SessionKeyTexts keys;
    // The reader slot of the card session (0 from the net bank) and its reader name.
    int32_t readerSlot = 0;
    std::u16string reader;
    // Web form only: verifies the PIN typed in the form (ASCII digits) on the card of the
    // procedure's own session and returns the card's status (0 or 0x9000 when accepted). Unset
    // for the net-bank form.
    std::function<int32_t(const SecureBytes& pin)> verifyPin;

    // After OK: the joined row values (the clear common account), its protected form (the
    // enciphered common account) and, for the web form, the message document the confirmation
    // dialog shows.
    std::u16string plainOutput;
    std::u16string protectedOutput;
    std::u16string confirmationDocument;
};

} // namespace velkor
