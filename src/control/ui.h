#pragma once

#include <string_view>

// What the control needs from the window system: modal message boxes and the wait cursor (and,
// with the dialogs, running a dialog). The agent gives the control a Qt implementation; `velkor
// call --ui none` and tests give their own.
namespace velkor {

class Ui {
public:
    virtual ~Ui() = default;

    // A modal message box without owner window, with `caption`, `text` and one OK button. Returns
    // only when the customer has closed it.
    virtual void ShowMessage(std::u16string_view text, std::u16string_view caption) = 0;

    // The wait cursor while the card works, and the arrow cursor again after it.
    virtual void SetWaitCursor() = 0;
    virtual void SetArrowCursor() = 0;
};

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
