#pragma once

#include "control/ui.h"
#include "dialogs/message_sink.h"

namespace velkor {

// A dialog's messages shown through the control's Ui, as every other message box of the call.
class UiMessageSink final : public MessageSink {
public:
    explicit UiMessageSink(Ui& ui)
        : ui_(ui)
    {
    }
    void ShowMessage(const Text& text, const Text& caption) override
    {
        ui_.ShowMessage(text, caption);
    }

private:
    Ui& ui_;
};

} // namespace velkor
