// Round trip of a card-free call (GetAPIVersion) through the agent, against the same frame
// echoed by a bare QWebSocketServer, both served from one worker thread; and calls per second
// on one connection with 100 calls in flight.
#include <benchmark/benchmark.h>

#include <memory>

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QWebSocket>
#include <QWebSocketServer>

#include "agent/agent_server.h"

namespace velkor {
namespace {

const QString kOrigin = QStringLiteral("http://bench.test");
const QString kFrame = QStringLiteral(R"({"jsonrpc":"2.0","id":1,"method":"GetAPIVersion"})");

// The agent and the echo server, listening on free ports, served by their own thread.
class Servers {
public:
    Servers()
    {
        thread_.start();
        context_.moveToThread(&thread_);
        QMetaObject::invokeMethod(
            &context_,
            [this] {
                AgentOptions options;
                options.port = 0;
                options.allowedOrigins = { kOrigin.toStdString() };
                agent_ = std::make_unique<AgentServer>(options);
                QString error;
                agent_->Listen(error);
                echo_ = std::make_unique<QWebSocketServer>(
                    QStringLiteral("echo"), QWebSocketServer::NonSecureMode);
                echo_->listen(QHostAddress::LocalHost, 0);
                QObject::connect(echo_.get(), &QWebSocketServer::newConnection, [this] {
                    QWebSocket* socket = echo_->nextPendingConnection();
                    socket->setParent(echo_.get());
                    QObject::connect(socket, &QWebSocket::textMessageReceived,
                        [socket](const QString& text) { socket->sendTextMessage(text); });
                });
            },
            Qt::BlockingQueuedConnection);
    }
    ~Servers()
    {
        QMetaObject::invokeMethod(
            &context_,
            [this] {
                agent_.reset();
                echo_.reset();
                context_.moveToThread(QCoreApplication::instance()->thread());
            },
            Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }
    uint16_t AgentPort() const { return agent_->Port(); }
    uint16_t EchoPort() const { return echo_->serverPort(); }

private:
    QThread thread_;
    QObject context_;
    std::unique_ptr<AgentServer> agent_;
    std::unique_ptr<QWebSocketServer> echo_;
};

Servers& SharedServers()
{
    static Servers servers;
    return servers;
}

// The page's side, on the benchmark thread: waits for answers in a local event loop.
class Client {
public:
    explicit Client(uint16_t port)
        : socket_(kOrigin)
    {
        QObject::connect(&socket_, &QWebSocket::textMessageReceived, [this] {
            if (--awaited_ == 0) {
                loop_.quit();
            }
        });
        QObject::connect(&socket_, &QWebSocket::connected, &loop_, &QEventLoop::quit);
        socket_.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/").arg(port)));
        loop_.exec();
    }
    bool Connected() const { return socket_.state() == QAbstractSocket::ConnectedState; }
    void Exchange(int count)
    {
        awaited_ = count;
        for (int i = 0; i < count; ++i) {
            socket_.sendTextMessage(kFrame);
        }
        loop_.exec();
    }

private:
    QWebSocket socket_;
    QEventLoop loop_;
    int awaited_ = 0;
};

void RoundTrips(benchmark::State& state, uint16_t port, int inFlight)
{
    Client client(port);
    if (!client.Connected()) {
        state.SkipWithError("could not connect");
        return;
    }
    for (auto _ : state) {
        client.Exchange(inFlight);
    }
    state.SetItemsProcessed(state.iterations() * inFlight);
}

void BM_EchoRoundTrip(benchmark::State& state)
{
    RoundTrips(state, SharedServers().EchoPort(), 1);
}
void BM_AgentRoundTrip_GetAPIVersion(benchmark::State& state)
{
    RoundTrips(state, SharedServers().AgentPort(), 1);
}
void BM_EchoPipelined100(benchmark::State& state)
{
    RoundTrips(state, SharedServers().EchoPort(), 100);
}
void BM_AgentPipelined100_GetAPIVersion(benchmark::State& state)
{
    RoundTrips(state, SharedServers().AgentPort(), 100);
}

BENCHMARK(BM_EchoRoundTrip)->UseRealTime();
BENCHMARK(BM_AgentRoundTrip_GetAPIVersion)->UseRealTime();
BENCHMARK(BM_EchoPipelined100)->UseRealTime();
BENCHMARK(BM_AgentPipelined100_GetAPIVersion)->UseRealTime();

} // namespace
} // namespace velkor

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
