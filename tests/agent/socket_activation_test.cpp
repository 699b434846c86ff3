#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>

#include "agent/agent_server.h"
#include "agent/idle_exit.h"
#include "agent/serve_command.h"
#include "agent/socket_activation.h"
#include "agent_test_client.h"

// The agent started on demand: sockets passed by the service manager, and the exit once idle.
namespace velkor {
namespace {

const QString kOrigin = QStringLiteral("http://bank.test:8443");

// A TCP socket bound to `address` on a free port; listening unless told otherwise.
int BoundSocket(in_addr_t address, bool listening = true)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in in4 {};
    in4.sin_family = AF_INET;
    in4.sin_addr.s_addr = htonl(address);
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&in4), sizeof in4), 0);
    EXPECT_TRUE(!listening || ::listen(fd, 8) == 0);
    return fd;
}

std::unique_ptr<AgentServer> ServerOn(std::vector<int> sockets, QString& error, bool& listening)
{
    testing::EnsureApplication();
    AgentOptions options;
    options.passedSockets = std::move(sockets);
    options.allowedOrigins = { kOrigin.toStdString() };
    auto server = std::make_unique<AgentServer>(options);
    listening = server->Listen(error);
    return server;
}

TEST(SocketActivation, OnlyDescriptorsPassedToThisProcessCount)
{
    EXPECT_EQ(PassedDescriptorCount("4242", "2", 4242), 2);
    EXPECT_EQ(PassedDescriptorCount("4242", "1", 4243), 0) << "inherited from a parent";
    for (const auto& [pid, fds] : std::vector<std::pair<const char*, const char*>> {
             { nullptr, "1" }, { "4242", nullptr }, { "4242x", "1" }, { "4242", "0" },
             { "4242", "-1" }, { "4242", "99999999999999999999" }, { "4242", "2147483644" } }) {
        EXPECT_EQ(PassedDescriptorCount(pid, fds, 4242), 0)
            << (pid ? pid : "(none)") << " " << (fds ? fds : "(none)");
    }
}

TEST(SocketActivation, ServesPagesOnThePassedLoopbackSocketAndIsBusyWhileOneIsConnected)
{
    const int fd = BoundSocket(INADDR_LOOPBACK);
    sockaddr_in bound {};
    socklen_t length = sizeof bound;
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length), 0);
    QString error;
    bool listening = false;
    auto server = ServerOn({ fd }, error, listening);
    ASSERT_TRUE(listening) << error.toStdString();
    EXPECT_EQ(server->Port(), ntohs(bound.sin_port)) << "pages name this port in their Host";
    EXPECT_FALSE(server->Busy());

    testing::TestClient page(kOrigin);
    ASSERT_TRUE(page.Open(server->Port()));
    EXPECT_TRUE(server->Busy());
    EXPECT_EQ(page.Call("GetAPIVersion")["result"], "Version 1.0.0.1 ");
    page.Socket().close();
    EXPECT_TRUE(testing::WaitFor([&] { return !server->Busy(); }));
}

TEST(SocketActivation, RefusesAndClosesSocketsTheNetworkCouldReach)
{
    const std::vector<std::pair<const char*, std::vector<int>>> cases = {
        { "any address", { BoundSocket(INADDR_ANY) } },
        { "not listening", { BoundSocket(INADDR_LOOPBACK, false) } },
        { "a good socket after a bad one",
            { BoundSocket(INADDR_ANY), BoundSocket(INADDR_LOOPBACK) } },
        { "two ports", { BoundSocket(INADDR_LOOPBACK), BoundSocket(INADDR_LOOPBACK) } },
    };
    for (const auto& [name, sockets] : cases) {
        QString error;
        bool listening = true;
        ServerOn(sockets, error, listening).reset();
        EXPECT_FALSE(listening) << name;
        for (const int fd : sockets) {
            EXPECT_LT(::fcntl(fd, F_GETFD), 0) << name << ": descriptor " << fd << " left open";
        }
    }
}

TEST(IdleExitTest, EndsOnlyAfterAFullQuietPeriodWithNothingToDo)
{
    testing::EnsureApplication();
    constexpr int kQuietMs = 150;
    constexpr int kAtLeastMs = kQuietMs * 9 / 10; // Qt's coarse timers may fire 5% early
    bool busy = false;
    bool exited = false;
    IdleExit idle(
        std::chrono::milliseconds(kQuietMs), [&] { return busy; }, [&] { exited = true; });
    const auto exitsAfter = [&](int waitMs) {
        exited = false;
        return testing::WaitFor([&] { return exited; }, waitMs);
    };
    QElapsedTimer clock;
    clock.start();
    idle.Restart();
    ASSERT_TRUE(exitsAfter(2000));
    EXPECT_GE(clock.elapsed(), kAtLeastMs);

    // Busy past the quiet period (a page, or a dialog whose page has gone): the period counts
    // again from when the work ended.
    busy = true;
    idle.Restart();
    EXPECT_FALSE(exitsAfter(3 * kQuietMs));
    busy = false;
    clock.restart();
    ASSERT_TRUE(exitsAfter(2000));
    EXPECT_GE(clock.elapsed(), kAtLeastMs);

    // Activity restarts the period.
    idle.Restart();
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(exitsAfter(kQuietMs / 2));
        idle.Restart();
    }
    EXPECT_TRUE(exitsAfter(2000));
}

TEST(IdleExitTest, ServeReadsTheQuietPeriod)
{
    ServeSettings settings;
    std::string error;
    ASSERT_TRUE(ParseServeArguments({}, settings, error));
    EXPECT_EQ(settings.idleExitSeconds, 0) << "a plain velkor serve never exits on its own";
    ASSERT_TRUE(ParseServeArguments({ "--idle-exit", "300" }, settings, error));
    EXPECT_EQ(settings.idleExitSeconds, 300);
    for (const char* bad : { "-1", "", "5s", "86401" }) {
        EXPECT_FALSE(ParseServeArguments({ "--idle-exit", bad }, settings, error)) << bad;
    }
}

} // namespace
} // namespace velkor
