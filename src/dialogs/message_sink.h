#pragma once

#include "common/text.h"

// Where the dialogs' plain decision code sends the customer messages it raises. The Qt dialogs
// show them as modal message boxes; tests record them.
namespace velkor {

// Caption of every customer message of the dialogs.
inline const Text kBankCaption = u"霖州銀行";

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void ShowMessage(const Text& text, const Text& caption) = 0;
};

// Drops every message; for callers that have no customer to tell.
class SilentMessageSink final : public MessageSink {
public:
    void ShowMessage(const Text&, const Text&) override { }
};

} // namespace velkor
