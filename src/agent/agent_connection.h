#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QObject>
#include <QString>

#include "agent/call_queue.h"

namespace velkor {

class CVelkorCtrl;
class PageLink;
class PageServices;

// One page, whichever transport brought it: its link for answers and its own control. Messages
// are checked by the dispatcher when they arrive; calls are only queued there and run later from
// the process-wide queue. The control is shared with a running call, so a page that goes away
// mid-call never takes the control from under it: the control is destroyed after the call returns.
//
// A page whose site must first be asked about has no control until the customer agreed: the
// question runs as the page's first queued call, the page's calls wait behind it, and answers
// that need no call (describe, errors) are held back until then. A refusal ends the page.
class AgentConnection : public QObject {
    Q_OBJECT
public:
    AgentConnection(PageServices& services, std::unique_ptr<PageLink> link, QString origin);
    ~AgentConnection() override;

    // Gives the page its control at once (its site is allowed).
    void Admit();
    // Queues the consent question ahead of anything the page asks.
    void AskConsentFirst();
    // Runs the consent question (from the queue).
    void ResolveConsent();

    // One JSON-RPC message from the page.
    void OnTextMessage(std::string_view message);
    // Answers a call that ran (or holds the answer back while consent is pending).
    void Answer(const std::string& reply);
    void CallFinished() { --pendingCalls_; }
    // The page has gone during its running call: no further card command for it.
    void MarkLeft();

    const std::shared_ptr<CVelkorCtrl>& Control() const { return control_; }
    QString Peer() const { return peer_; }
    // This page's number in the call queue, never shared with another page of the process.
    CallOwner Owner() const { return owner_; }

private:
    void Refuse();

    PageServices& services_;
    std::unique_ptr<PageLink> link_;
    std::shared_ptr<CVelkorCtrl> control_;
    int pendingCalls_ = 0;
    QString peer_;
    CallOwner owner_;
    bool awaitingConsent_ = false;
    bool refused_ = false;
    bool left_ = false;
    std::vector<std::string> heldAnswers_;
};

} // namespace velkor
