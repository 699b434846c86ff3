#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QObject>

#include "agent/agent_options.h"
#include "agent/native_framing.h"
#include "agent/page_services.h"
#include "control/method_table.h"

class QSocketNotifier;
class QTimer;

namespace velkor {

class AgentConnection;
struct PageEnvelope;

// `velkor native-host`: the agent as the browser's native-messaging host. The browser starts it
// for the extension and talks to it on standard input and output; the extension names each page
// and vouches for its origin (native_envelope.h). Every page gets its own control, and the pages
// share the dispatcher, the dialogs, the call queue and the consent decisions with the same rules
// as the WebSocket agent.
//
// The session ends when the input closes, a frame is cut short, oversized or not an envelope, or
// the output can no longer be written (the browser has gone). Ending never cuts a call short: the
// pages are closed as if they had left (no further card command is sent for a running call, and
// its dialog is cancelled), and `finished` is called only once no call runs any more.
class NativeHost : public QObject {
    Q_OBJECT
public:
    // Largest frame read from the extension: a page's largest message, escaped as JSON text.
    static int64_t MaxIncomingFrame(const AgentLimits& limits);

    NativeHost(int input, int output, AgentOptions options,
        const std::vector<MethodInfo>& methods = AllMethods(), QObject* parent = nullptr);
    ~NativeHost() override;

    // Called with the exit code (0: the input closed; 1: a broken stream) once the session is over.
    void SetFinished(std::function<void(int)> finished) { finished_ = std::move(finished); }
    void Start();
    void End(int code, const std::string& reason);
    bool Ended() const { return ended_; }
    int PageCount() const { return static_cast<int>(pages_.size()); }
    CallQueue& Queue() { return services_.Queue(); }

    // Used by the pages' links.
    void SendAnswer(uint64_t page, const std::string& answer);
    void RefusePage(uint64_t page, const std::string& reason);

private:
    void OnReadable();
    void Handle(PageEnvelope& envelope);
    void Write(const std::string& payload);
    void Flush();
    void ClosePage(uint64_t page);
    void FinishWhenIdle();

    int input_;
    int output_;
    AgentOptions options_;
    PageServices services_;
    NativeFrameReader reader_;
    QSocketNotifier* readable_ = nullptr;
    // Output the browser has not taken yet; written as the pipe takes it, never blocking.
    std::string unsent_;
    QSocketNotifier* writable_ = nullptr;
    QTimer* idle_ = nullptr;
    std::map<uint64_t, AgentConnection*> pages_;
    std::function<void(int)> finished_;
    bool ended_ = false;
    int exitCode_ = 0;
};

} // namespace velkor
