#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "control/dialog_requests.h"

// What the control needs from the window system: modal message boxes and the wait cursor (and,
// with the dialogs, running a dialog). The agent gives the control a Qt implementation; `velkor
// call --ui none` and tests give their own.
namespace velkor {

struct ConfirmationRequest;

class Ui {
public:
    virtual ~Ui() = default;

    // A modal message box without owner window, with `caption`, `text` and one OK button. Returns
    // only when the customer has closed it.
    virtual void ShowMessage(std::u16string_view text, std::u16string_view caption) = 0;

    // The wait cursor while the card works, and the arrow cursor again after it.
    virtual void SetWaitCursor() = 0;
    virtual void SetArrowCursor() = 0;

    // Runs the confirmation dialog modally and returns its result: 1 confirmed, 2 cancelled or
    // timed out, 101 or 102 when the page's description does not match the transaction. A Ui
    // without a screen cancels (2).
    virtual int RunConfirmation(ConfirmationRequest& request);

    // The dialogs of the transfer and common-account procedures, run modally. Each returns 1
    // (OK, the request's outputs filled in) or 2 (cancelled or timed out); the web-ATM common
    // account form also returns 105 when the card refused the PIN typed in it. A Ui without a
    // screen cancels (2).
    virtual int RunTransferAccount(TransferAccountRequest& request);
    virtual int RunNetSelection(NetSelectionRequest& request);
    virtual int RunCommonAccountForm(CommonAccountRequest& request);

    // The open-file dialog: the chosen path, or nothing when the customer cancelled. The path
    // may name a file that does not exist.
    virtual std::optional<std::u16string> ChooseFileToOpen();
};

// Type 23 (the web-ATM transfer) hands the dialog the session-key material and both enciphered
// results of the transfer-account dialog; after a confirmation the dialog fills in the outputs.
struct TransferConfirmation {
    std::u16string sessionKeyHash;
    std::u16string encipheredSessionKey;
    std::u16string encipheredFirstResult;
    std::u16string encipheredSecondResult;
    char16_t mode = u'0';

    // Outputs of the getter after OK: 0 or the failure code (-1 when the second result cannot be
    // deciphered), the four-character transfer code, the second result with the code in place
    // (plain; the caller wipes it) and that result enciphered again as hexadecimal text.
    int32_t status = -1;
    std::u16string transferCode;
    std::u16string secondResult;
    std::u16string encipheredSecondResultOut;
};

// What the confirmation dialog shows and checks. The strings are the procedure's amount (A),
// account or reference (B) and transferee data (C); each may be absent.
struct ConfirmationRequest {
    std::u16string_view document;
    std::optional<std::u16string_view> amount;
    std::optional<std::u16string_view> account;
    std::optional<std::u16string_view> transferee;
    int kind = 0;
    // The reader whose card the dialog polls (automation moves the card of this reader).
    std::u16string reader;
    // Probes the card in the dialog's reader: 0 when a card is there, the PC/SC no-card or
    // removed-card code when it is not, anything else when it cannot tell. Runs on the dialog's
    // thread on every tick, through the calling control's own reader session.
    std::function<int32_t()> probeCard;
    // Type 23 only.
    TransferConfirmation* transfer = nullptr;
};

inline int Ui::RunConfirmation(ConfirmationRequest&)
{
    return 2;
}

inline int Ui::RunTransferAccount(TransferAccountRequest&)
{
    return 2;
}

inline int Ui::RunNetSelection(NetSelectionRequest&)
{
    return 2;
}

inline int Ui::RunCommonAccountForm(CommonAccountRequest&)
{
    return 2;
}

inline std::optional<std::u16string> Ui::ChooseFileToOpen()
{
    return std::nullopt;
}

// Shows the wait cursor for a scope and the arrow cursor again on every way out.
class WaitCursor {
public:
    explicit WaitCursor(Ui& ui)
        : ui_(ui)
    {
        ui_.SetWaitCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    ~WaitCursor() { ui_.SetArrowCursor(); }

private:
    Ui& ui_;
};

} // namespace velkor
