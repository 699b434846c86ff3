#pragma once

#include <atomic>
#include <string_view>

#include "control/ui.h"

// The customer's side of one call: the Ui that shows message boxes, dialogs and cursors, and
// whether the page that made the call is still there. When a page leaves while one of its boxes
// or dialogs is open, the agent marks the page gone and closes them; the call must then send no
// further card command, because nobody is there to confirm the transaction or type the PIN on the
// reader's pad.
namespace velkor {

// Set once by the agent (from the thread that runs the call's nested event loop), read by the
// card engine between the steps of a call.
class PagePresence {
public:
    void MarkLeft() { left_.store(true, std::memory_order_relaxed); }
    bool Left() const { return left_.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> left_ { false };
};

class PageInteraction {
public:
    PageInteraction(Ui& ui, const PagePresence& presence)
        : ui_(ui)
        , presence_(presence)
    {
    }

    Ui& ui() const { return ui_; }
    bool PageLeft() const { return presence_.Left(); }

    // Shows a message box. True when the page is still there once it was closed.
    bool Tell(std::u16string_view text, std::u16string_view caption) const
    {
        if (PageLeft()) {
            return false;
        }
        ui_.ShowMessage(text, caption);
        return !PageLeft();
    }

    // Runs the confirmation dialog: its result, or 2 (cancelled) when the page left before or
    // while it was open, whatever the dialog answered.
    int Confirm(ConfirmationRequest& request) const
    {
        if (PageLeft()) {
            return kCancelled;
        }
        const int result = ui_.RunConfirmation(request);
        return PageLeft() ? kCancelled : result;
    }

    // Runs another dialog (`run` is given the Ui) the same way: 2 when the page left before or
    // while it was open.
    template <typename Run> int RunDialog(Run&& run) const
    {
        if (PageLeft()) {
            return kCancelled;
        }
        const int result = run(ui_);
        return PageLeft() ? kCancelled : result;
    }

    static constexpr int kConfirmed = 1;
    static constexpr int kCancelled = 2;

private:
    Ui& ui_;
    const PagePresence& presence_;
};

} // namespace velkor
