#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include "agent/agent_server.h"
#include "agent/json_rpc.h"
#include "agent_test_client.h"
#include "control/velkor_ctrl.h"

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
                return control.State().ReaderCount;
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

    std::unique_ptr<AgentServer> server_;
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
    TestClient extra(kOrigin);
    extra.Open(server_->Port());
    ASSERT_TRUE(extra.WaitClosed());
    EXPECT_EQ(extra.closeCode, kCloseTooManyConnections);
    EXPECT_EQ(clients[42]->Call("GetAPIVersion")["result"], "Version 1.0.0.1 ");
}

TEST_F(AgentServerTest, TenThousandSequentialCallsOnOneConnection)
{
    Start();
    auto client = Connect();
    for (int i = 1; i <= 10000; ++i) {
        const json answer = client->Call(i % 2 ? "GetAPIVersion" : "8");
        ASSERT_EQ(answer["id"], i);
        ASSERT_EQ(answer["result"], "Version 1.0.0.1 ");
        client->received.clear();
    }
}

TEST_F(AgentServerTest, BadRequestsAreAnsweredAndLeaveOtherPagesAlone)
{
    Start();
    auto other = Connect();
    const json otherControl = other->Call("WhoAmI")["result"];
    auto client = Connect();
    const std::vector<std::pair<std::string, int>> bad {
        { "{not json", rpc::kParseError },
        { R"({"jsonrpc":"2.0","id":1,"method":"NoSuchMethod"})", rpc::kMethodNotFound },
        { R"({"jsonrpc":"2.0","id":2,"method":"GetAPIVersion","params":[1]})",
            rpc::kInvalidParams },
        { R"({"jsonrpc":"2.0","id":3,"method":"ConnectReader","params":["x"]})",
            rpc::kInvalidParams },
        { R"([1,2,3])", rpc::kInvalidRequest },
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

TEST_F(AgentServerTest, OversizedAndBinaryFramesCloseOnlyTheirConnection)
{
    AgentLimits limits;
    limits.maxMessageBytes = 4096;
    Start(limits);
    auto other = Connect();
    const json otherControl = other->Call("WhoAmI")["result"];

    auto big = Connect();
    big->Send(R"({"jsonrpc":"2.0","id":1,"method":"GetAPIVersion","params":[")"
        + std::string(8192, 'A') + "\"]}");
    ASSERT_TRUE(big->WaitClosed());
    EXPECT_EQ(big->closeCode, QWebSocketProtocol::CloseCodeTooMuchData);

    auto binary = Connect();
    binary->Socket().sendBinaryMessage(QByteArray("\x01\x02", 2));
    ASSERT_TRUE(binary->WaitClosed());
    EXPECT_EQ(binary->closeCode, QWebSocketProtocol::CloseCodeDatatypeNotSupported);

    EXPECT_EQ(other->Call("WhoAmI")["result"], otherControl);
    EXPECT_TRUE(testing::WaitFor([&] { return server_->ConnectionCount() == 1; }, 5000));
}

TEST_F(AgentServerTest, RefusesForeignOriginsAndNonLoopbackHostsBeforeAnyControl)
{
    Start();
    TestClient foreign(QStringLiteral("https://evil.example"));
    foreign.Open(server_->Port());
    ASSERT_TRUE(foreign.WaitClosed());
    EXPECT_EQ(foreign.closeCode, kCloseOriginRefused);

    TestClient noOrigin(QString {});
    noOrigin.Open(server_->Port());
    ASSERT_TRUE(noOrigin.WaitClosed());
    EXPECT_EQ(noOrigin.closeCode, kCloseOriginRefused);

    // DNS rebinding: the right origin cannot be faked by a browser, but a rebound name shows in
    // Host.
    TestClient rebound(kOrigin);
    rebound.Open(server_->Port(), "evil.example:" + QByteArray::number(server_->Port()));
    ASSERT_TRUE(rebound.WaitClosed());
    EXPECT_EQ(rebound.closeCode, kClosePolicyViolation);

    TestClient named(kOrigin);
    EXPECT_TRUE(named.Open(server_->Port(), "localhost:" + QByteArray::number(server_->Port())));
    EXPECT_FALSE(testing::WaitFor([&] { return named.closed; }, 200));
    EXPECT_EQ(server_->ConnectionCount(), 1);
}

TEST_F(AgentServerTest, CallsRunOneAtATimeInArrivalOrderAndFloodsAreRefused)
{
    AgentLimits limits;
    limits.maxPendingPerConnection = 4;
    limits.maxWaitingCalls = 6;
    Start(limits);
    auto first = Connect();
    auto second = Connect();

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
        Blocker::Release();
    };
    first->Send(1, "Block");
    ASSERT_TRUE(first->WaitForMessages(6));
    ASSERT_TRUE(second->WaitForMessages(4));

    std::map<int, json> firstById;
    for (const auto& answer : first->received) {
        firstById[answer["id"].get<int>()] = answer;
    }
    EXPECT_EQ(firstById[1]["result"], 0);
    EXPECT_EQ(firstById[2]["result"], 1);
    EXPECT_EQ(firstById[3]["result"], 2);
    EXPECT_EQ(firstById[4]["result"], 3);
    EXPECT_EQ(firstById[5]["error"]["code"], rpc::kQueueFull);
    EXPECT_EQ(firstById[6]["error"]["code"], rpc::kQueueFull);
    std::map<int, json> secondById;
    for (const auto& answer : second->received) {
        secondById[answer["id"].get<int>()] = answer;
    }
    EXPECT_EQ(secondById[1]["result"], 4);
    EXPECT_EQ(secondById[2]["result"], 5);
    EXPECT_EQ(secondById[3]["result"], 6);
    EXPECT_EQ(secondById[4]["error"]["code"], rpc::kQueueFull);
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

} // namespace
} // namespace velkor
