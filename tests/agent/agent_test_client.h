#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QCoreApplication>
#include <QNetworkRequest>
#include <QTimer>
#include <QWebSocket>
#include <nlohmann/json.hpp>

namespace velkor::testing {

inline void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "agent_test";
    static char* argv[] = { name, nullptr };
    if (QCoreApplication::instance() == nullptr) {
        new QCoreApplication(argc, argv);
    }
}

// Spins the event loop until `condition` holds, waking on every event rather than polling, so that
// thousands of round trips stay fast. False on timeout.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000)
{
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(timeoutMs);
    while (!condition()) {
        if (!deadline.isActive()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// A page's end of the connection, driven synchronously by spinning the event loop.
class TestClient {
public:
    explicit TestClient(const QString& origin)
        : socket_(std::make_unique<QWebSocket>(origin))
    {
        QObject::connect(
            socket_.get(), &QWebSocket::textMessageReceived, [this](const QString& text) {
                received.push_back(nlohmann::json::parse(text.toStdString()));
            });
        QObject::connect(socket_.get(), &QWebSocket::disconnected, [this] {
            closed = true;
            closeCode = socket_->closeCode();
        });
    }

    // True once connected. A refused page is connected first and then closed with a reason:
    // see WaitClosed.
    [[maybe_unused]] bool Open(uint16_t port, const QByteArray& host = {})
    {
        QNetworkRequest request(QUrl(QStringLiteral("ws://127.0.0.1:%1/").arg(port)));
        if (!host.isEmpty()) {
            request.setRawHeader("Host", host);
        }
        socket_->open(request);
        const bool settled = WaitFor(
            [this] { return closed || socket_->state() == QAbstractSocket::ConnectedState; }, 5000);
        return settled && !closed && socket_->state() == QAbstractSocket::ConnectedState;
    }

    void Send(const std::string& frame) { socket_->sendTextMessage(QString::fromStdString(frame)); }

    void Send(
        int id, const std::string& method, const nlohmann::json& params = nlohmann::json::array())
    {
        Send(nlohmann::json {
            { "jsonrpc", "2.0" }, { "id", id }, { "method", method }, { "params", params } }
                 .dump());
    }

    bool WaitForMessages(size_t count, int timeoutMs = 10000)
    {
        return WaitFor([&] { return received.size() >= count || closed; }, timeoutMs)
            && received.size() >= count;
    }

    // One request, its answer (a null json on timeout or close).
    nlohmann::json Call(
        const std::string& method, const nlohmann::json& params = nlohmann::json::array())
    {
        const size_t before = received.size();
        Send(++lastId_, method, params);
        if (!WaitForMessages(before + 1)) {
            return nullptr;
        }
        return received.back();
    }

    bool WaitClosed(int timeoutMs = 5000)
    {
        return WaitFor([this] { return closed; }, timeoutMs);
    }

    // Opens and waits for the agent to turn the page away: its close code, 0 if it stayed open.
    int OpenAndCloseCode(uint16_t port)
    {
        Open(port);
        return WaitClosed() ? closeCode : 0;
    }

    QWebSocket& Socket() { return *socket_; }

    std::vector<nlohmann::json> received;
    bool closed = false;
    int closeCode = 0;

private:
    std::unique_ptr<QWebSocket> socket_;
    int lastId_ = 0;
};

} // namespace velkor::testing
