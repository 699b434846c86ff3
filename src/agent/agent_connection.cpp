#include "agent/agent_connection.h"

#include <chrono>
#include <cstdio>

#include <QPointer>

#include "agent/json_rpc.h"
#include "agent/page_link.h"
#include "agent/page_services.h"
#include "common/secure_buffer.h"
#include "control/velkor_ctrl.h"

namespace velkor {

namespace {

// Pages are numbered from 1 in the order they connect; the agent runs on one thread.
CallOwner NextOwner()
{
    static CallOwner last = kNoOwner;
    return ++last;
}

// A page's call waiting in the process-wide queue. It takes the page's control when it runs and
// holds it until it returns, so the control outlives a page that goes away meanwhile.
class ConnectionCall final : public QueuedCall {
public:
    ConnectionCall(PageServices& services, AgentConnection& connection, PreparedCall call)
        : services_(services)
        , connection_(&connection)
        , owner_(connection.Owner())
        , call_(std::move(call))
    {
    }

    CallOwner Owner() const override { return owner_; }

    void Run() override
    {
        // No control: the page was refused (its end is on its way) and nothing may run for it.
        const std::shared_ptr<CVelkorCtrl> control = connection_ ? connection_->Control() : nullptr;
        if (!control) {
            return;
        }
        const auto started = std::chrono::steady_clock::now();
        std::optional<int32_t> status;
        std::string reply = services_.Calls().Run(call_, *control, &status);
        const std::chrono::duration<double, std::milli> took
            = std::chrono::steady_clock::now() - started;
        const std::string_view name
            = call_.method != nullptr ? call_.method->name : Dispatcher::kDescribeMethod;
        char line[160];
        std::snprintf(line, sizeof line, "call %.*s %.3f ms -> %s", static_cast<int>(name.size()),
            name.data(), took.count(), status ? std::to_string(*status).c_str() : "text");
        services_.Log(line);
        if (connection_) {
            connection_->CallFinished();
            if (!reply.empty()) {
                connection_->Answer(reply);
            }
        }
        WipeString(reply);
    }

private:
    PageServices& services_;
    QPointer<AgentConnection> connection_;
    CallOwner owner_;
    PreparedCall call_;
};

// The customer's answer for a page whose site is not on the allowlist, asked in the page's turn
// so that the prompt never opens inside a running call's dialog.
class ConsentQuestion final : public QueuedCall {
public:
    explicit ConsentQuestion(AgentConnection& connection)
        : connection_(&connection)
        , owner_(connection.Owner())
    {
    }
    CallOwner Owner() const override { return owner_; }
    void Run() override
    {
        if (connection_) {
            connection_->ResolveConsent();
        }
    }

private:
    QPointer<AgentConnection> connection_;
    CallOwner owner_;
};

} // namespace

AgentConnection::AgentConnection(
    PageServices& services, std::unique_ptr<PageLink> link, QString origin)
    : services_(services)
    , link_(std::move(link))
    , peer_(std::move(origin))
    , owner_(NextOwner())
{
}

AgentConnection::~AgentConnection()
{
    for (auto& answer : heldAnswers_) {
        WipeString(answer);
    }
}

void AgentConnection::Admit()
{
    awaitingConsent_ = false;
    control_ = std::make_shared<CVelkorCtrl>(services_.ControlUi());
    for (auto& answer : heldAnswers_) {
        link_->Send(answer);
        WipeString(answer);
    }
    heldAnswers_.clear();
}

void AgentConnection::AskConsentFirst()
{
    awaitingConsent_ = true;
    if (!services_.Queue().Enqueue(std::make_unique<ConsentQuestion>(*this))) {
        Refuse();
    }
}

void AgentConnection::ResolveConsent()
{
    // The prompt runs a nested event loop in which this page may go away and be deleted: what is
    // needed afterwards is held in locals.
    PageServices& services = services_;
    ConsentPolicy& consent = services.Consent();
    const std::string origin = peer_.toStdString();
    const ConsentVerdict verdict = consent.Judge(origin);
    bool admitted = verdict == ConsentVerdict::Allowed;
    if (verdict == ConsentVerdict::Ask) {
        consent.PromptShown(origin);
        QPointer<AgentConnection> self(this);
        ConsentAnswer answer = services.AskConsent(origin);
        if (!self || refused_ || left_) {
            answer = ConsentAnswer::PageLeft;
        }
        std::string problem;
        admitted = consent.Decide(origin, answer, &problem);
        if (!problem.empty()) {
            services.Log("could not remember the site: " + problem);
        }
        services.Log("consent for " + EscapedForLog(origin) + ": "
            + (answer == ConsentAnswer::PageLeft ? "page left"
                    : admitted                   ? "allowed"
                                                 : "refused"));
        if (answer == ConsentAnswer::PageLeft) {
            return;
        }
    }
    if (admitted) {
        Admit();
    } else {
        Refuse();
    }
}

void AgentConnection::Refuse()
{
    if (refused_) {
        return;
    }
    refused_ = true;
    awaitingConsent_ = false;
    for (auto& answer : heldAnswers_) {
        WipeString(answer);
    }
    heldAnswers_.clear();
    services_.Log("refused connection (origin \"" + EscapedForLog(peer_.toStdString())
        + "\"): origin not allowed");
    link_->RefuseOrigin();
}

void AgentConnection::Answer(const std::string& reply)
{
    if (refused_) {
        return;
    }
    if (awaitingConsent_) {
        // Bounded like the page's calls: a page that floods before it is admitted is refused.
        if (static_cast<int>(heldAnswers_.size()) >= services_.Limits().maxPendingPerConnection) {
            Refuse();
            return;
        }
        heldAnswers_.push_back(reply);
        return;
    }
    link_->Send(reply);
}

void AgentConnection::MarkLeft()
{
    left_ = true;
    if (control_) {
        control_->MarkPageLeft();
    }
}

void AgentConnection::OnTextMessage(std::string_view message)
{
    if (refused_) {
        return;
    }
    Dispatcher::Outcome outcome = services_.Calls().Dispatch(message);
    if (!outcome.reply.empty()) {
        Answer(outcome.reply);
        return;
    }
    if (!outcome.call) {
        return;
    }
    const RequestId id = outcome.call->id;
    const bool notification = outcome.call->notification;
    bool queued = false;
    if (pendingCalls_ < services_.Limits().maxPendingPerConnection) {
        queued = services_.Queue().Enqueue(
            std::make_unique<ConnectionCall>(services_, *this, std::move(*outcome.call)));
    }
    if (queued) {
        ++pendingCalls_;
        return;
    }
    services_.Log(
        "refused a call of " + EscapedForLog(peer_.toStdString()) + ": too many pending calls");
    if (!notification) {
        Answer(rpc::ErrorMessage(id, rpc::kQueueFull, "too many pending calls, try again later"));
    }
}

} // namespace velkor
