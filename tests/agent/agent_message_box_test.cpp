#include <gtest/gtest.h>

#include <functional>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "agent/agent_server.h"
#include "agent_test_client.h"
#include "card/card_test_support.h"
#include "pcsc/simulated_readers.h"

// The customer's message boxes of a page's call, shown by the agent over a real WebSocket: the
// card command waits for the box, other pages wait for the call, and a page that goes away takes
// its box with it.
namespace velkor {
namespace {

using nlohmann::json;
using testing::TestClient;

const QString kOrigin = QStringLiteral("http://bank.test:8443");
const QString kPinPadText = QString::fromUtf8("請於晶片讀卡機上輸入晶片密碼後，按下『確認』鍵");
const json kPadReader = json::array({ testing::kPadReader });

void EnsureWidgetApplication()
{
    static int argc = 1;
    static char name[] = "agent_message_box_test";
    static char* argv[] = { name, nullptr };
    if (QCoreApplication::instance() == nullptr) {
        new QApplication(argc, argv);
    }
}

QMessageBox* OpenBox()
{
    return qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
}

// Calls `onBox` from inside the box's own event loop once a message box is open.
class BoxWatcher {
public:
    explicit BoxWatcher(std::function<void(QMessageBox&)> onBox)
        : onBox_(std::move(onBox))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (QMessageBox* box = OpenBox()) {
                timer_.stop();
                ++seen;
                onBox_(*box);
            }
        });
        timer_.start(5);
    }
    int seen = 0;

private:
    std::function<void(QMessageBox&)> onBox_;
    QTimer timer_;
};

class AgentMessageBoxes : public ::testing::Test {
protected:
    void SetUp() override { EnsureWidgetApplication(); }

    void Start(AgentUi ui)
    {
        AgentOptions options;
        options.port = 0;
        options.allowedOrigins = { kOrigin.toStdString() };
        options.ui = ui;
        server_ = std::make_unique<AgentServer>(options);
        QString error;
        ASSERT_TRUE(server_->Listen(error)) << error.toStdString();
    }

    std::unique_ptr<TestClient> Opened()
    {
        auto client = std::make_unique<TestClient>(kOrigin);
        EXPECT_TRUE(client->Open(server_->Port()));
        return client;
    }
    std::unique_ptr<TestClient> ConnectedToTheCard()
    {
        auto client = Opened();
        EXPECT_EQ(client->Call("ConnectCard", kPadReader)["result"], 0);
        return client;
    }

    testing::WaitRecorder waits;
    testing::SimulatedReaders sim { testing::Readers(testing::FinancialCard()) };
    std::unique_ptr<AgentServer> server_;
};

TEST_F(AgentMessageBoxes, PinPadCallAnswersOnlyAfterTheCustomerClosesTheBoxAndOthersWait)
{
    Start(AgentUi::Widgets);
    auto page = ConnectedToTheCard();
    auto other = Opened(); // the card is the first page's: each page has its own connection
    const size_t pageBefore = page->received.size();
    const size_t otherBefore = other->received.size();

    BoxWatcher watcher([&](QMessageBox& box) {
        EXPECT_EQ(box.windowTitle(), QString::fromUtf8("霖州銀行"));
        EXPECT_EQ(box.text(), kPinPadText);
        other->Send(7, "GetAPIVersion");
        // Long enough for both requests to have been read and answered were they not held.
        testing::WaitFor([] { return false; }, 300);
        EXPECT_EQ(page->received.size(), pageBefore) << "answered before the box was closed";
        EXPECT_EQ(other->received.size(), otherBefore) << "another call ran inside this one";
        EXPECT_EQ(sim.Progress(testing::kPadReader).consumed, 0u);
        box.button(QMessageBox::Ok)->click();
    });
    page->Send(6, "VerifyPINSnd");
    ASSERT_TRUE(page->WaitForMessages(pageBefore + 1));
    ASSERT_TRUE(other->WaitForMessages(otherBefore + 1));
    EXPECT_EQ(watcher.seen, 1);
    EXPECT_EQ(page->received.back()["id"], 6);
    EXPECT_EQ(page->received.back()["result"], 0);
    EXPECT_EQ(other->received.back()["id"], 7);
}

TEST_F(AgentMessageBoxes, PageThatLeavesWhileItsBoxIsOpenGetsTheBoxClosed)
{
    Start(AgentUi::Widgets);
    auto leaving = ConnectedToTheCard();
    BoxWatcher closeThePage([&](QMessageBox&) { leaving->Socket().abort(); });
    leaving->Send(2, "VerifyPINSnd");
    ASSERT_TRUE(testing::WaitFor([&] { return closeThePage.seen == 1 && OpenBox() == nullptr; }))
        << "the box stayed open after its page went away";
    ASSERT_TRUE(testing::WaitFor([&] { return server_->ConnectionCount() == 0; }));

    // The agent carries on: the next page's box is shown and answered as usual.
    auto next = ConnectedToTheCard();
    BoxWatcher clickOk([](QMessageBox& box) { box.button(QMessageBox::Ok)->click(); });
    EXPECT_EQ(next->Call("VerifyPINSnd")["result"], 0);
    EXPECT_EQ(clickOk.seen, 1);
}

TEST_F(AgentMessageBoxes, WithoutWidgetsTheBoxGoesToStandardError)
{
    Start(AgentUi::Headless);
    auto page = ConnectedToTheCard();
    ::testing::internal::CaptureStderr();
    const json answer = page->Call("VerifyPINSnd");
    const std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer["result"], 0);
    EXPECT_NE(printed.find("[霖州銀行] 請於晶片讀卡機上輸入晶片密碼後，按下『確認』鍵\n"),
        std::string::npos)
        << printed;
    EXPECT_EQ(OpenBox(), nullptr);
}

} // namespace
} // namespace velkor
