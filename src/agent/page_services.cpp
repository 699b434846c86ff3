#include "agent/page_services.h"

#include <algorithm>
#include <cstdio>

#include <QApplication>

#include "agent/agent_connection.h"
#include "agent/dialog_cancellation.h"
#include "agent/origin_policy.h"
#include "agent/page_link.h"
#include "agent/qt_ui.h"
#include "control/headless_ui.h"
#include "control/velkor_ctrl.h"
#include "dialogs/consent_dialog.h"

namespace velkor {

namespace {

bool WidgetsAvailable(AgentUi choice)
{
    return choice == AgentUi::Widgets
        && qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

// Qt message boxes need a QApplication; without one the boxes go to standard error.
std::unique_ptr<Ui> MakeControlUi(AgentUi choice)
{
    if (WidgetsAvailable(choice)) {
        return std::make_unique<QtUi>();
    }
    return std::make_unique<HeadlessUi>();
}

std::set<std::string, std::less<>> FixedOrigins(const AgentOptions& options)
{
    OriginPolicy policy;
    for (const auto& origin : options.allowedOrigins) {
        policy.Allow(origin);
    }
    return policy.Allowed();
}

} // namespace

PageServices::PageServices(AgentOptions options, const std::vector<MethodInfo>& methods)
    : options_(std::move(options))
    , ui_(MakeControlUi(options_.ui))
    , dispatcher_(methods)
    , consent_(FixedOrigins(options_), options_.allowlistFile,
          options_.askConsent || WidgetsAvailable(options_.ui))
    , queue_(static_cast<size_t>(std::max(1, options_.limits.maxWaitingCalls)))
{
    if (!options_.cancelRunningDialog) {
        options_.cancelRunningDialog = CancelOpenDialogs;
    }
    if (!options_.askConsent && WidgetsAvailable(options_.ui)) {
        options_.askConsent = [](const std::string& origin) {
            return RunConsentDialog(QString::fromStdString(origin), kConsentPromptSeconds);
        };
    }
}

PageServices::~PageServices()
{
    const auto pages = std::move(pages_);
    for (AgentConnection* page : pages) {
        delete page;
    }
}

void PageServices::Log(const std::string& line) const
{
    if (options_.log) {
        options_.log(line);
    }
}

ConsentAnswer PageServices::AskConsent(const std::string& origin)
{
    return options_.askConsent ? options_.askConsent(origin) : ConsentAnswer::NoAnswer;
}

AgentConnection* PageServices::OpenPage(
    std::unique_ptr<PageLink> link, const std::string& origin, bool askFirst)
{
    auto* page = new AgentConnection(*this, std::move(link), QString::fromStdString(origin));
    pages_.push_back(page);
    Log("connection from " + EscapedForLog(origin) + " (" + std::to_string(pages_.size()) + " open)"
        + (askFirst ? ": asking the customer" : ""));
    if (askFirst) {
        page->AskConsentFirst();
    } else {
        page->Admit();
    }
    return page;
}

void PageServices::PageClosed(AgentConnection* page)
{
    const auto it = std::find(pages_.begin(), pages_.end(), page);
    if (it == pages_.end()) {
        return;
    }
    pages_.erase(it);
    queue_.DropWaiting(page->Owner());
    if (queue_.RunningOwner() == page->Owner()) {
        Log("page went away during its call: cancelling its dialog");
        // First, so that the call sends nothing more to the card once its dialog is closed.
        page->MarkLeft();
        if (options_.cancelRunningDialog) {
            options_.cancelRunningDialog();
        }
    }
    Log("connection from " + EscapedForLog(page->Peer().toStdString()) + " closed ("
        + std::to_string(pages_.size()) + " open)");
    page->deleteLater();
}

std::string EscapedForLog(std::string_view text)
{
    constexpr size_t kLongest = 200;
    std::string out;
    for (const char c : text.substr(0, kLongest)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            out += escape;
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else {
            out += c;
        }
    }
    if (text.size() > kLongest) {
        out += "...";
    }
    return out;
}

} // namespace velkor
