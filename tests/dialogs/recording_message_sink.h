#pragma once

#include <vector>

#include "dialogs/message_sink.h"

namespace velkor::testing {

// Keeps every message the code under test raised, in order.
class RecordingMessageSink final : public MessageSink {
public:
    void ShowMessage(const Text& text, const Text& caption) override
    {
        texts.push_back(text);
        captions.push_back(caption);
    }
    std::vector<Text> texts;
    std::vector<Text> captions;
};

} // namespace velkor::testing
