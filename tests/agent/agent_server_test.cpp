#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <ctime>
#include <fstream>

#include <QElapsedTimer>

#include <QEventLoop>
#include <QTimer>

#include "agent/agent_server.h"
#include "agent/json_rpc.h"
#include "agent_test_client.h"
#include "control/file_transfer_limits.h"
#include "control/velkor_ctrl.h"
#include "raw_websocket_client.h"

namespace velkor {
namespace {

using nlohmann::json;
using testing::TestClient;

const QString kOrigin = QStringLiteral("http://bank.test:8443");

// Stand-in for a method that opens a modal dialog: it runs a nested event loop until the test
// (or the page-gone cancellation) ends it, then reads its control, as a dialog's owner would.
struct Blocker {
    static inline QEventLoop* loop = nullptr;
    static inline int started = 0;
    static inline int cancelled = 0;
    static inline int countCalls = 0;
    static inline CVelkorCtrl* control = nullptr;
    // Whether the blocked call's control knew its page had left when its dialog was cancelled.
    static inline bool pageLeftBeforeCancel = false;
    // Runs inside the nested loop once the blocked call has started.
    static inline std::function<void()> whileBlocked;
    static void Release()
    {
        if (loop != nullptr) {
            loop->quit();
        }
    }
};

const std::vector<MethodInfo>& TestMethods()
{
    static const std::vector<MethodInfo> methods = [] {
        std::vector<MethodInfo> all = AllMethods();
        all.push_back({ 1001, "WhoAmI", {}, ValueType::Text,
            [](CVelkorCtrl& control, std::span<const MethodArgument>) -> MethodResult {
                return Utf8ToText(std::to_string(reinterpret_cast<uintptr_t>(&control)));
            } });
        all.push_back({ 1002, "Block", {}, ValueType::Integer,
            [](CVelkorCtrl& control, std::span<const MethodArgument>) -> MethodResult {
                EXPECT_EQ(Blocker::loop, nullptr) << "a call started inside another";
                QEventLoop loop;
                Blocker::loop = &loop;
                Blocker::control = &control;
                ++Blocker::started;
                if (Blocker::whileBlocked) {
                    QTimer::singleShot(0, Blocker::whileBlocked);
                }
                loop.exec();
                Blocker::loop = nullptr;
                Blocker::control = nullptr;
                return control.State().readerCount;
            } });
        // As large as GetRespData gets after the largest file transfer.
        all.push_back({ 1004, "LargestAnswer", {}, ValueType::Text,
            [](CVelkorCtrl&, std::span<const MethodArgument>) -> MethodResult {
                return Text(FileTransferBase64Length(kFileTransferMaxBytes), u'Q');
            } });
        all.push_back({ 1003, "Count", {}, ValueType::Integer,
            [](CVelkorCtrl&, std::span<const MethodArgument>) -> MethodResult {
                EXPECT_EQ(Blocker::loop, nullptr) << "a call started inside another";
                return ++Blocker::countCalls;
            } });
        return all;
    }();
    return methods;
}

class AgentServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing::EnsureApplication();
        Blocker::started = Blocker::cancelled = Blocker::countCalls = 0;
        Blocker::pageLeftBeforeCancel = false;
    }
    void TearDown() override { Blocker::whileBlocked = nullptr; }

    void Start(AgentLimits limits = {})
    {
        AgentOptions options;
        options.port = 0;
        options.allowedOrigins = { kOrigin.toStdString() };
        options.limits = limits;
        options.log = [this](const std::string& line) { log_.push_back(line); };
        options.cancelRunningDialog = [] {
            Blocker::pageLeftBeforeCancel
                = Blocker::control != nullptr && Blocker::control->PageHasLeft();
            ++Blocker::cancelled;
            Blocker::Release();
        };
        server_ = std::make_unique<AgentServer>(options, TestMethods());
        QString error;
        ASSERT_TRUE(server_->Listen(error)) << error.toStdString();
        ASSERT_NE(server_->Port(), 0);
    }

    std::unique_ptr<TestClient> Connect()
    {
        auto client = std::make_unique<TestClient>(kOrigin);
        EXPECT_TRUE(client->Open(server_->Port()));
        return client;
    }

    // A raw page whose handshake (with the allowed origin) has been accepted.
    std::unique_ptr<testing::RawClient> ConnectRaw(const std::string& extra = {})
    {
        auto client = std::make_unique<testing::RawClient>();
        EXPECT_TRUE(client->Connect(server_->Port()));
        client->Send(HandshakeFor(kOrigin.toStdString()) + extra);
        EXPECT_EQ(client->ReadStatusLine(), "HTTP/1.1 101 Switching Protocols");
        return client;
    }

    // A bare descriptor (`fd`, or a new one) connected to the agent, for pages that write without
    // reading; `bytes` are written at once.
    int ConnectDescriptor(const std::string& bytes = {}, int fd = socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(server_->Port());
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
        return fd;
    }

    std::string HandshakeFor(const std::string& origin, const std::string& more = {}) const
    {
        return testing::RawClient::Handshake("Host: 127.0.0.1:" + std::to_string(server_->Port())
            + "\r\nOrigin: " + origin + "\r\n" + more);
    }

    std::unique_ptr<AgentServer> server_;
    std::vector<std::string> log_;
};

TEST_F(AgentServerTest, EveryConnectionGetsItsOwnControl)
{
    AgentLimits limits;
    limits.maxConnections = 100;
    Start(limits);
    std::vector<std::unique_ptr<TestClient>> clients;
    for (int i = 0; i < 100; ++i) {
        clients.push_back(Connect());
    }
    ASSERT_TRUE(testing::WaitFor([&] { return server_->ConnectionCount() == 100; }, 5000));
    // All ask at once; each answer names the control that served it.
    for (auto& client : clients) {
        client->Send(1, "WhoAmI");
        client->Send(2, "WhoAmI");
    }
    std::set<std::string> controls;
    for (auto& client : clients) {
        ASSERT_TRUE(client->WaitForMessages(2));
        EXPECT_EQ(client->received[0]["result"], client->received[1]["result"]);
        controls.insert(client->received[0]["result"].get<std::string>());
    }
    EXPECT_EQ(controls.size(), 100u);

    // One more is turned away without disturbing the others.
    EXPECT_EQ(TestClient(kOrigin).OpenAndCloseCode(server_->Port()), kCloseTooManyConnections);
    EXPECT_EQ(clients[42]->Call("GetAPIVersion")["result"], "Version 1.0.0.1 ");
}

TEST_F(AgentServerTest, BadRequestsAreAnsweredAndLeaveOtherPagesAlone)
{
    Start();
    auto other = Connect();
    const json otherControl = other->Call("WhoAmI")["result"];
    auto client = Connect();
    // The dispatcher's own test has every code; here, that each is answered on the connection.
    const std::vector<std::pair<std::string, int>> bad {
        { "{not json", rpc::kParseError },
        { R"({"jsonrpc":"2.0","id":1,"method":"NoSuchMethod"})", rpc::kMethodNotFound },
        { R"({"jsonrpc":"2.0","id":2,"method":"GetAPIVersion","params":[1]})",
            rpc::kInvalidParams },
    };
    for (const auto& [frame, code] : bad) {
        const size_t before = client->received.size();
        client->Send(frame);
        ASSERT_TRUE(client->WaitForMessages(before + 1)) << frame;
        EXPECT_EQ(client->received.back()["error"]["code"], code) << frame;
    }
    EXPECT_EQ(client->Call("GetAPIVersion")["result"], "Version 1.0.0.1 ");
    EXPECT_EQ(other->Call("WhoAmI")["result"], otherControl);
}

TEST_F(AgentServerTest, RefusesForeignOriginsAndNonLoopbackHostsBeforeAnyControl)
{
    Start();
    for (const QString& origin : { QStringLiteral("https://evil.example"), QString {} }) {
        EXPECT_EQ(TestClient(origin).OpenAndCloseCode(server_->Port()), kCloseOriginRefused);
    }
    // DNS rebinding: the right origin cannot be faked by a browser, but a rebound name shows in
    // Host. The host name is matched without regard to case.
    const std::string port = std::to_string(server_->Port());
    std::vector<std::unique_ptr<testing::RawClient>> pages;
    for (const char* host : { "evil.example:", "LocalHost:" }) {
        pages.push_back(std::make_unique<testing::RawClient>());
        ASSERT_TRUE(pages.back()->Connect(server_->Port()));
        pages.back()->Send(testing::RawClient::Handshake(
            std::string("Host: ") + host + port + "\r\nOrigin: " + kOrigin.toStdString() + "\r\n"));
        EXPECT_EQ(pages.back()->ReadStatusLine(), "HTTP/1.1 101 Switching Protocols") << host;
    }
    ASSERT_TRUE(pages[0]->WaitForClose());
    EXPECT_EQ(pages[0]->closeCode, kClosePolicyViolation);
    EXPECT_FALSE(pages[1]->WaitForClose(200));
    EXPECT_EQ(server_->ConnectionCount(), 1);
}

TEST_F(AgentServerTest, RefusedPagesCountAgainstTheConnectionBoundUntilTheyHaveClosed)
{
    // A refused page that ignores the close keeps its socket for a while and could still send;
    // without a bound, a flood of them held a megabyte each.
    AgentLimits limits;
    limits.maxConnections = 2;
    Start(limits);
    std::vector<std::unique_ptr<testing::RawClient>> refused;
    for (int i = 0; i < limits.maxConnections; ++i) {
        refused.push_back(std::make_unique<testing::RawClient>());
        ASSERT_TRUE(refused.back()->Connect(server_->Port()));
        refused.back()->Send(HandshakeFor("https://evil.example")
            + testing::RawClient::Frame(std::string(60000, ' '), true, 0x0).replace(0, 1, "\x01"));
        EXPECT_EQ(refused.back()->ReadStatusLine(), "HTTP/1.1 101 Switching Protocols");
        ASSERT_TRUE(refused.back()->WaitForClose());
        EXPECT_EQ(refused.back()->closeCode, kCloseOriginRefused);
    }
    testing::RawClient turnedAway;
    ASSERT_TRUE(turnedAway.Connect(server_->Port()));
    turnedAway.Send(HandshakeFor(kOrigin.toStdString()));
    EXPECT_EQ(turnedAway.ReadStatusLine(), "");
    EXPECT_TRUE(turnedAway.Gone());

    // Once they are gone (they never answered the close), pages are accepted again.
    ASSERT_TRUE(testing::WaitFor([&] { return refused.back()->Gone(); }, 5000));
    EXPECT_EQ(Connect()->Call("Count")["result"], 1);
}

TEST_F(AgentServerTest, CallsRunOneAtATimePagesTakeTurnsAndFloodsAreRefused)
{
    AgentLimits limits;
    limits.maxPendingPerConnection = 4;
    limits.maxWaitingCalls = 6;
    Start(limits);
    auto first = Connect();
    auto second = Connect();
    auto third = Connect();

    // While a call sits in its dialog, further requests only queue up; the refusals arrive
    // during the nested loop, then the dialog ends.
    Blocker::whileBlocked = [&] {
        for (int id = 2; id <= 6; ++id) {
            first->Send(id, "Count"); // ids 2-4 fit beside the blocked call, 5 and 6 do not
        }
        for (int id = 1; id <= 4; ++id) {
            second->Send(id, "Count"); // the process-wide queue (6) is full after the third
        }
        EXPECT_TRUE(testing::WaitFor(
            [&] { return first->received.size() == 2 && second->received.size() == 1; }, 5000));
        // The full queue, kept full by others, still takes a call of a page with none waiting.
        third->Send(1, "Count");
        EXPECT_FALSE(third->WaitForMessages(1, 200));
        Blocker::Release();
    };
    first->Send(1, "Block");
    ASSERT_TRUE(first->WaitForMessages(6));
    ASSERT_TRUE(second->WaitForMessages(4));
    ASSERT_TRUE(third->WaitForMessages(1));
    EXPECT_EQ(third->received[0]["result"], 3);

    // Each answer by id: the call's turn, or the queue-full code. The pages take turns: the second
    // page's calls do not wait behind all of the first's.
    const auto byId = [](const TestClient& page) {
        std::map<int, json> answers;
        for (const auto& answer : page.received) {
            answers[answer["id"].get<int>()]
                = answer.contains("result") ? answer["result"] : answer["error"]["code"];
        }
        return answers;
    };
    constexpr int kFull = rpc::kQueueFull;
    EXPECT_EQ(byId(*first),
        (std::map<int, json> {
            { 1, 0 }, { 2, 1 }, { 3, 4 }, { 4, 6 }, { 5, kFull }, { 6, kFull } }));
    EXPECT_EQ(byId(*second), (std::map<int, json> { { 1, 2 }, { 2, 5 }, { 3, 7 }, { 4, kFull } }));
    EXPECT_EQ(Blocker::cancelled, 0);
}

TEST_F(AgentServerTest, PageThatLeavesMidCallGetsItsDialogCancelledAndOthersCarryOn)
{
    Start();
    auto leaving = Connect();
    auto staying = Connect();
    const json stayingControl = staying->Call("WhoAmI")["result"];

    Blocker::whileBlocked = [&] {
        leaving->Send(2, "Count"); // waiting behind its own dialog: dropped, never run
        staying->Send(1, "Count");
        EXPECT_TRUE(testing::WaitFor([&] { return server_->Queue().Waiting() == 2; }, 5000));
        leaving->Socket().abort();
    };
    leaving->Send(1, "Block");
    ASSERT_TRUE(staying->WaitForMessages(2));
    EXPECT_EQ(staying->received.back()["result"], 1) << "the leaving page's call must not run";
    EXPECT_EQ(Blocker::cancelled, 1);
    EXPECT_TRUE(Blocker::pageLeftBeforeCancel) << "the call would go on to the card";
    EXPECT_TRUE(testing::WaitFor([&] { return server_->ConnectionCount() == 1; }, 5000));
    EXPECT_EQ(staying->Call("WhoAmI")["result"], stayingControl);
    EXPECT_TRUE(leaving->received.empty());
}

TEST_F(AgentServerTest, TheLargestFileTransferAnswerReachesThePage)
{
    Start();
    auto page = Connect();
    // Tens of megabytes through JSON and a WebSocket: slow under the sanitizers.
    page->Send(1, "LargestAnswer");
    ASSERT_TRUE(page->WaitForMessages(1, 120000));
    const json& answer = page->received.back();
    ASSERT_TRUE(answer.contains("result") && answer["result"].is_string())
        << answer.dump().substr(0, 200);
    EXPECT_EQ(answer["result"].get_ref<const std::string&>().size(),
        FileTransferBase64Length(kFileTransferMaxBytes));
    EXPECT_EQ(page->Call("Count")["result"], 1);
}

TEST_F(AgentServerTest, RequestsSentWithTheHandshakeAreAnswered)
{
    Start();
    // A fast client's first calls arrive in the same packet as its handshake.
    auto client = ConnectRaw(
        testing::RawClient::Frame(R"({"jsonrpc":"2.0","id":1,"method":"GetAPIVersion"})")
        + testing::RawClient::Frame(R"({"jsonrpc":"2.0","id":2,"method":"Count"})"));
    ASSERT_TRUE(client->WaitForTexts(2));
    EXPECT_EQ(json::parse(client->texts[0]),
        json::parse(R"({"jsonrpc":"2.0","id":1,"result":"Version 1.0.0.1 "})"));
    EXPECT_EQ(json::parse(client->texts[1])["result"], 1);
}

// A bad frame closes its own connection with its code before anything after it runs; other pages
// keep their controls.
TEST_F(AgentServerTest, BadFramesCloseOnlyTheirConnection)
{
    AgentLimits limits;
    limits.maxMessageBytes = 4096;
    Start(limits);
    auto other = Connect();
    const json otherControl = other->Call("WhoAmI")["result"];
    using testing::RawClient;
    const std::string call = R"({"jsonrpc":"2.0","id":1,"method":"Count"})";
    const std::vector<std::tuple<const char*, std::string, int>> cases {
        { "unmasked", RawClient::Frame(call, false), 1002 },
        { "long ping", RawClient::Frame(std::string(126, 'p'), true, 0x9), 1002 },
        { "RSV1", std::string(1, '\xC1') + RawClient::Frame(call).substr(1), 1002 },
        { "overlong UTF-8", RawClient::Frame("{\"a\":\"\xC0\xAF\"}"), 1007 },
        { "oversized", RawClient::Frame(std::string(8192, 'A')),
            QWebSocketProtocol::CloseCodeTooMuchData },
        { "binary", RawClient::Frame("\x01\x02", true, 0x2),
            QWebSocketProtocol::CloseCodeDatatypeNotSupported },
    };
    for (const auto& [name, frame, code] : cases) {
        SCOPED_TRACE(name);
        auto client = ConnectRaw();
        client->Send(frame + RawClient::Frame(call));
        ASSERT_TRUE(client->WaitForClose());
        EXPECT_EQ(client->closeCode, code);
        EXPECT_TRUE(client->texts.empty()) << "nothing after the bad frame may run";
        EXPECT_TRUE(testing::WaitFor([&] { return client->Gone(); }, 3000));
    }
    EXPECT_EQ(Blocker::countCalls, 0);
    EXPECT_EQ(other->Call("Count")["result"], 1);
    EXPECT_EQ(other->Call("WhoAmI")["result"], otherControl);
    EXPECT_TRUE(testing::WaitFor([&] { return server_->ConnectionCount() == 1; }, 5000));
}

TEST_F(AgentServerTest, HandshakeRefusesRepeatedHostOrOriginAndLogsHeadersEscaped)
{
    Start();
    const std::string port = std::to_string(server_->Port());
    for (const std::string& repeated : std::vector<std::string> {
             "Host: 127.0.0.1:" + port + "\r\n", "Origin: https://evil.example\r\n" }) {
        testing::RawClient client;
        ASSERT_TRUE(client.Connect(server_->Port()));
        client.Send(HandshakeFor(kOrigin.toStdString(), repeated));
        EXPECT_EQ(client.ReadStatusLine(), "HTTP/1.1 400 Bad Request") << repeated;
        EXPECT_TRUE(testing::WaitFor([&] { return client.Gone(); }, 3000));
    }

    testing::RawClient forged;
    ASSERT_TRUE(forged.Connect(server_->Port()));
    forged.Send(HandshakeFor("http://x\x1b[2J\rvelkor: connection from \"\\"));
    EXPECT_EQ(forged.ReadStatusLine(), "HTTP/1.1 101 Switching Protocols");
    ASSERT_TRUE(forged.WaitForClose());
    EXPECT_EQ(forged.closeCode, kCloseOriginRefused);
    ASSERT_FALSE(log_.empty());
    EXPECT_NE(
        log_.back().find(R"(http://x\x1b[2J\x0dvelkor: connection from \"\\")"), std::string::npos)
        << log_.back();
    for (const std::string& entry : log_) {
        EXPECT_TRUE(std::none_of(entry.begin(), entry.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20;
        })) << entry;
    }
    EXPECT_EQ(server_->ConnectionCount(), 0);
}

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer keeps freed memory in quarantine and needs descriptors for its own checks.
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Resident memory of this process, in KiB.
long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:")) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

TEST_F(AgentServerTest, PageThatNeverReadsIsThrottledAndOthersCarryOn)
{
    Start();
    auto other = Connect();
    // Written straight to a descriptor, so that what the page cannot send stays in the kernel and
    // only the agent's memory grows. Descriptions are the largest answers; most are refused as
    // too many pending calls, and the refusals are answers too.
    const int fd = ConnectDescriptor(HandshakeFor(kOrigin.toStdString()));
    fcntl(fd, F_SETFL, O_NONBLOCK);
    std::string burst;
    for (int i = 0; i < 512; ++i) {
        burst
            += testing::RawClient::Frame(R"({"jsonrpc":"2.0","id":1,"method":"velkor.describe"})");
    }
    const long before = ResidentKiB();
    size_t sent = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1500) {
        const ssize_t written = ::write(fd, burst.data(), burst.size());
        sent += written > 0 ? size_t(written) : 0;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const long grown = ResidentKiB() - before;
    if (!kSanitized) {
        EXPECT_GT(sent, size_t(4) << 20) << "the agent stopped reading too early";
        EXPECT_LT(grown, 48 * 1024) << "KiB grown while a page did not read its answers";
    }
    QElapsedTimer answer;
    answer.start();
    EXPECT_EQ(other->Call("Count")["result"], 1);
    EXPECT_LT(answer.elapsed(), kSanitized ? 5000 : 1000);
    ::close(fd);
}

TEST_F(AgentServerTest, PagesThatNeverReadCannotEachHoldTheLargestAnswer)
{
    Start();
    auto other = Connect();
    // Pages on bare descriptors that never read: each asks for the largest answer once.
    std::vector<int> pages;
    const std::string request = HandshakeFor(kOrigin.toStdString())
        + testing::RawClient::Frame(R"({"jsonrpc":"2.0","id":1,"method":"LargestAnswer"})");
    for (int i = 0; i < 3; ++i) {
        pages.push_back(ConnectDescriptor(request));
    }
    // Calls run in turn: once this one is answered, the three large answers have been sent.
    ASSERT_TRUE(testing::WaitFor([&] { return server_->ConnectionCount() == 4; }));
    other->Send(1, "Count");
    ASSERT_TRUE(other->WaitForMessages(1, 120000));
    EXPECT_EQ(other->received.back()["result"], 1);
    // Two answers fit in what all pages may leave unread together; the third page is ended.
    EXPECT_EQ(server_->ConnectionCount(), 3);
    for (const int fd : pages) {
        ::close(fd);
    }
}

TEST_F(AgentServerTest, RunningOutOfDescriptorsPausesAcceptingWithoutSpinning)
{
    if (kSanitized) {
        GTEST_SKIP() << "the sanitizer runtime itself fails without free descriptors";
    }
    Start();
    rlimit original {};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &original), 0);
    rlimit low = original;
    low.rlim_cur = std::min<rlim_t>(original.rlim_cur, 1024);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    const int client = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(client, 0);
    std::vector<int> filler;
    for (int fd; (fd = open("/dev/null", O_RDONLY)) >= 0;) {
        filler.push_back(fd);
    }
    ConnectDescriptor({}, client);
    timespec cpuBefore {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuBefore);
    QEventLoop idle;
    QTimer::singleShot(500, &idle, &QEventLoop::quit);
    idle.exec();
    timespec cpuAfter {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuAfter);
    const double cpuMs
        = (cpuAfter.tv_sec - cpuBefore.tv_sec) * 1e3 + (cpuAfter.tv_nsec - cpuBefore.tv_nsec) / 1e6;
    EXPECT_TRUE(server_->AcceptBackingOff());
    for (const int fd : filler) {
        close(fd);
    }
    setrlimit(RLIMIT_NOFILE, &original);
    EXPECT_LT(cpuMs, 150) << "CPU ms spent in 500 ms without descriptors";

    // Once descriptors are free again the waiting page is taken in.
    const std::string handshake = HandshakeFor(kOrigin.toStdString());
    EXPECT_EQ(::write(client, handshake.data(), handshake.size()), ssize_t(handshake.size()));
    EXPECT_TRUE(testing::WaitFor([&] { return server_->ConnectionCount() == 1; }, 3000));
    close(client);
}

} // namespace
} // namespace velkor
