#pragma once

#include "dialogs/message_sink.h"

namespace velkor {

// Shows each message in a modal message box without owner, as the dialogs' customers see them.
class QtMessageSink final : public MessageSink {
public:
    void ShowMessage(const Text& text, const Text& caption) override;
};

} // namespace velkor
