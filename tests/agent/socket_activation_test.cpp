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

using testing::TestClient;

const QString kOrigin = QStringLiteral("http://bank.test:8443");

// A TCP socket bound to `address` on a free port; listening unless told otherwise.
int BoundSocket(in_addr_t address, bool listening = true)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in in4 {};
    in4.sin_family = AF_INET;
    in4.sin_addr.s_addr = htonl(address);
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&in4), sizeof in4), 0);
    if (listening) {
        EXPECT_EQ(::listen(fd, 8), 0);
    }
    return fd;
}

bool IsOpen(int fd)
{
    return ::fcntl(fd, F_GETFD) >= 0;
}

std::unique_ptr<AgentServer> ServerOn(std::vector<int> sockets, QString& error, bool& listening)
{
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
    EXPECT_EQ(PassedDescriptorCount(nullptr, "1", 4242), 0);
    EXPECT_EQ(PassedDescriptorCount("4242", nullptr, 4242), 0);
    EXPECT_EQ(PassedDescriptorCount("4242x", "1", 4242), 0);
    EXPECT_EQ(PassedDescriptorCount("4242", "0", 4242), 0);
    EXPECT_EQ(PassedDescriptorCount("4242", "-1", 4242), 0);
    EXPECT_EQ(PassedDescriptorCount("4242", "99999999999999999999", 4242), 0);
}

TEST(SocketActivation, ServesPagesOnThePassedLoopbackSocket)
{
    testing::EnsureApplication();
    const int fd = BoundSocket(INADDR_LOOPBACK);
    sockaddr_in bound {};
    socklen_t length = sizeof bound;
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length), 0);

    QString error;
    bool listening = false;
    auto server = ServerOn({ fd }, error, listening);
    ASSERT_TRUE(listening) << error.toStdString();
    EXPECT_EQ(server->Port(), ntohs(bound.sin_port));
    EXPECT_FALSE(server->Busy());

    TestClient page(kOrigin);
    ASSERT_TRUE(page.Open(server->Port()));
    EXPECT_TRUE(server->Busy());
    EXPECT_EQ(page.Call("GetAPIVersion")["result"], "Version 1.0.0.1 ");
    page.Socket().close();
    ASSERT_TRUE(testing::WaitFor([&] { return !server->Busy(); }));
}

TEST(SocketActivation, RefusesAndClosesSocketsTheNetworkCouldReach)
{
    testing::EnsureApplication();
    const std::vector<std::pair<const char*, std::vector<int>>> cases = {
        { "any address", { BoundSocket(INADDR_ANY) } },
        { "not listening", { BoundSocket(INADDR_LOOPBACK, false) } },
        { "a pipe",
            [] {
                int ends[2];
                EXPECT_EQ(::pipe(ends), 0);
                ::close(ends[1]);
                return std::vector<int> { ends[0] };
            }() },
        { "a good socket after a bad one",
            { BoundSocket(INADDR_ANY), BoundSocket(INADDR_LOOPBACK) } },
        { "two ports", { BoundSocket(INADDR_LOOPBACK), BoundSocket(INADDR_LOOPBACK) } },
    };
    for (const auto& [name, sockets] : cases) {
        QString error;
        bool listening = true;
        auto server = ServerOn(sockets, error, listening);
        EXPECT_FALSE(listening) << name;
        EXPECT_FALSE(error.isEmpty()) << name;
        server.reset();
        for (const int fd : sockets) {
            EXPECT_FALSE(IsOpen(fd)) << name << ": descriptor " << fd << " left open";
        }
    }
}

TEST(IdleExitTest, EndsOnlyAfterAFullQuietPeriodWithNothingToDo)
{
    testing::EnsureApplication();
    constexpr auto kQuiet = std::chrono::milliseconds(150);
    // Qt's coarse timers may fire up to 5% early.
    constexpr qint64 kAtLeast = kQuiet.count() * 9 / 10;
    bool busy = false;
    bool exited = false;
    IdleExit idle(
        kQuiet, [&] { return busy; }, [&] { exited = true; });
    QElapsedTimer clock;

    clock.start();
    idle.Restart();
    ASSERT_TRUE(testing::WaitFor([&] { return exited; }, 2000));
    EXPECT_GE(clock.elapsed(), kAtLeast);

    // Busy past the quiet period (a page, or a dialog whose page has gone): the period counts
    // again from when the work ended.
    exited = false;
    busy = true;
    idle.Restart();
    EXPECT_FALSE(testing::WaitFor([&] { return exited; }, 3 * kQuiet.count()));
    busy = false;
    clock.restart();
    ASSERT_TRUE(testing::WaitFor([&] { return exited; }, 2000));
    EXPECT_GE(clock.elapsed(), kAtLeast);

    // Activity restarts the period.
    exited = false;
    idle.Restart();
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(testing::WaitFor([&] { return exited; }, kQuiet.count() / 2));
        idle.Restart();
    }
    EXPECT_TRUE(testing::WaitFor([&] { return exited; }, 2000));
}

TEST(IdleExitTest, ServeReadsTheQuietPeriod)
{
    const auto parse = [](std::vector<std::string> args, int& seconds) {
        ServeSettings settings;
        std::string error;
        const bool ok = ParseServeArguments(args, settings, error);
        seconds = settings.idleExitSeconds;
        return ok;
    };
    int seconds = -1;
    EXPECT_TRUE(parse({}, seconds));
    EXPECT_EQ(seconds, 0) << "a plain velkor serve never exits on its own";
    EXPECT_TRUE(parse({ "--idle-exit", "300" }, seconds));
    EXPECT_EQ(seconds, 300);
    for (const char* bad : { "-1", "", "5s", "86401" }) {
        EXPECT_FALSE(parse({ "--idle-exit", bad }, seconds)) << bad;
    }
}

} // namespace
} // namespace velkor
