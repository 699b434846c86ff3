#pragma once

#include <memory>
#include <string>
#include <vector>

#include "agent/agent_options.h"
#include "agent/call_queue.h"
#include "agent/consent_policy.h"
#include "agent/dispatcher.h"
#include "control/method_table.h"
#include "control/ui.h"

namespace velkor {

class AgentConnection;
class PageLink;

// What the pages of one process share, whichever transport brought them (WebSocket or native
// messaging): the dispatcher, the one Ui their controls show dialogs with, the process-wide call
// queue, the consent decisions and the open pages themselves.
class PageServices {
public:
    PageServices(AgentOptions options, const std::vector<MethodInfo>& methods);
    ~PageServices();
    PageServices(const PageServices&) = delete;
    PageServices& operator=(const PageServices&) = delete;

    const Dispatcher& Calls() const { return dispatcher_; }
    Ui& ControlUi() { return *ui_; }
    CallQueue& Queue() { return queue_; }
    const CallQueue& Queue() const { return queue_; }
    const AgentLimits& Limits() const { return options_.limits; }
    ConsentPolicy& Consent() { return consent_; }
    void Log(const std::string& line) const;

    // Shows the consent prompt for `origin` (modal, from a queued call only).
    ConsentAnswer AskConsent(const std::string& origin);

    // Opens a page of `origin` that the consent policy allowed, or that must first be asked
    // about (`askFirst`: no control exists until the customer agreed).
    AgentConnection* OpenPage(
        std::unique_ptr<PageLink> link, const std::string& origin, bool askFirst);
    // The page has gone (or was refused): its waiting calls are dropped and, when its call is
    // running, no further card command is sent for it and its dialog is cancelled.
    void PageClosed(AgentConnection* page);
    int PageCount() const { return static_cast<int>(pages_.size()); }

private:
    AgentOptions options_;
    // Declared before the queue: waiting calls hold controls that use it.
    std::unique_ptr<Ui> ui_;
    Dispatcher dispatcher_;
    ConsentPolicy consent_;
    CallQueue queue_;
    std::vector<AgentConnection*> pages_;
};

// `text` for a log line: control characters (which could forge lines or drive a terminal), quotes
// and backslashes escaped, the length bounded. For anything a page or local program sent.
std::string EscapedForLog(std::string_view text);

} // namespace velkor
