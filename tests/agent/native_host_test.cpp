#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

#include <QEventLoop>
#include <QTimer>

#include "agent/native_envelope.h"
#include "agent/native_framing.h"
#include "agent/native_host.h"
#include "agent_test_client.h"
#include "control/velkor_ctrl.h"
#include "support/scoped_environment.h"

namespace velkor {
namespace {

using nlohmann::json;

std::string Frame(const json& value)
{
    return NativeFrame(value.dump());
}

// A page's call of `method` as the extension frames it.
std::string CallFrame(int page, int id, const std::string& method)
{
    const json request
        = { { "jsonrpc", "2.0" }, { "id", id }, { "method", method }, { "params", json::array() } };
    return Frame({ { "type", "message" }, { "page", page }, { "data", request.dump() } });
}

TEST(NativeFraming, FramesArriveWhateverTheCutsAndOversizedLengthsStopTheStream)
{
    const std::string stream = NativeFrame("{\"a\":1}") + NativeFrame("") + NativeFrame("[2]");
    NativeFrameReader reader(64);
    std::vector<std::string> frames;
    std::string frame;
    for (const char byte : stream) {
        reader.Append(std::string_view(&byte, 1));
        while (reader.Next(frame) == NativeFrameReader::Status::Frame) {
            frames.push_back(frame);
        }
    }
    EXPECT_EQ(frames, (std::vector<std::string> { "{\"a\":1}", "", "[2]" }));
    EXPECT_FALSE(reader.HasPartialFrame());
    reader.Append(NativeFrame("[3]").substr(0, 5));
    EXPECT_EQ(reader.Next(frame), NativeFrameReader::Status::NeedMore);
    EXPECT_TRUE(reader.HasPartialFrame()) << "a stream ending here is cut";

    NativeFrameReader small(64);
    small.Append(NativeFrame(std::string(65, 'x')));
    EXPECT_EQ(small.Next(frame), NativeFrameReader::Status::Oversized);
    NativeFrameReader huge(64);
    huge.Append("\xff\xff\xff\xff");
    EXPECT_EQ(huge.Next(frame), NativeFrameReader::Status::Oversized) << "before any body";
}

// Many small frames arriving together (a page posting in a burst) take time in proportion to
// their bytes, not to their number times the buffer.
TEST(NativeFraming, ManySmallFramesInOneAppendAreReadInOrderAndThePartialOneKept)
{
    constexpr int kFrames = 10000;
    std::string stream;
    for (int i = 0; i < kFrames; ++i) {
        stream += NativeFrame(std::to_string(i % 10));
    }
    NativeFrameReader reader(64);
    reader.Append(stream.substr(0, stream.size() - 2));
    std::string frame;
    int count = 0;
    while (reader.Next(frame) == NativeFrameReader::Status::Frame) {
        ASSERT_EQ(frame, std::to_string(count++ % 10));
    }
    EXPECT_EQ(count, kFrames - 1);
    EXPECT_TRUE(reader.HasPartialFrame());
    reader.Append(stream.substr(stream.size() - 2));
    EXPECT_EQ(reader.Next(frame), NativeFrameReader::Status::Frame);
    EXPECT_EQ(frame, std::to_string((kFrames - 1) % 10));
    EXPECT_FALSE(reader.HasPartialFrame());
}

TEST(NativeEnvelope, OnlyTheThreePageMessagesAreAccepted)
{
    const auto open = ParsePageEnvelope(R"({"type":"open","page":7,"origin":"https://b.example"})");
    ASSERT_TRUE(open);
    EXPECT_EQ(open->kind, PageEnvelope::Kind::Open);
    EXPECT_EQ(open->origin, "https://b.example");
    EXPECT_TRUE(ParsePageEnvelope(R"({"type":"close","page":7})"));
    for (const char* broken : { "", "[]", "{\"type\":\"open\",\"page\":7}",
             "{\"type\":\"message\",\"page\":-1,\"data\":\"\"}",
             "{\"type\":\"message\",\"page\":1.5,\"data\":\"\"}",
             "{\"type\":\"message\",\"page\":9007199254740992,\"data\":\"\"}",
             "{\"type\":\"message\",\"page\":1,\"data\":{}}", "{\"type\":\"x\",\"page\":1}",
             "{\"type\":\"close\",\"page\":1",
             "{\"type\":\"open\",\"page\":1,\"origin\":\"\xff\"}" }) {
        EXPECT_FALSE(ParsePageEnvelope(broken)) << broken;
    }
}

// Answers over the browsers' limit go as parts that join to the answer, each frame within the
// limit and valid JSON (no character cut in two), escapes included.
TEST(NativeEnvelope, LargeAnswersSplitIntoPartsThatJoinBack)
{
    std::string answer;
    while (answer.size() < 3 * kNativeMaxOutgoingBytes) {
        answer += "\"帳戶\\\x01"
                  "abc";
    }
    const auto frames = AnswerEnvelopes(5, answer, kNativeMaxOutgoingBytes);
    ASSERT_GT(frames.size(), 3U);
    std::string joined;
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_LE(frames[i].size(), kNativeMaxOutgoingBytes);
        const json frame = json::parse(frames[i]);
        EXPECT_EQ(frame["type"], i + 1 == frames.size() ? "message" : "part");
        EXPECT_EQ(frame["page"], 5);
        joined += frame["data"].get<std::string>();
    }
    EXPECT_EQ(joined, answer);
    EXPECT_EQ(AnswerEnvelopes(5, "{}", kNativeMaxOutgoingBytes),
        std::vector<std::string> { R"({"type":"message","page":5,"data":"{}"})" });
}

// Methods that stand in for a long answer and for a call whose dialog is open.
struct Held {
    static inline QEventLoop* loop = nullptr;
    static inline bool returned = false;
    static inline bool pageLeftAtCancel = false;
    static inline CVelkorCtrl* control = nullptr;
    // Runs inside the held call's loop.
    static inline std::function<void()> whileHeld;
};

const std::vector<MethodInfo>& HostMethods()
{
    static const std::vector<MethodInfo> methods = [] {
        std::vector<MethodInfo> all = AllMethods();
        all.push_back({ 1101, "Big", {}, ValueType::Text,
            [](CVelkorCtrl&, std::span<const MethodArgument>) -> MethodResult {
                return Utf8ToText(std::string(2 * kNativeMaxOutgoingBytes, 'b'));
            } });
        all.push_back({ 1102, "Hold", {}, ValueType::Integer,
            [](CVelkorCtrl& control, std::span<const MethodArgument>) -> MethodResult {
                QEventLoop loop;
                Held::loop = &loop;
                Held::control = &control;
                QTimer::singleShot(0, Held::whileHeld);
                loop.exec();
                Held::loop = nullptr;
                Held::returned = true;
                return 0;
            } });
        return all;
    }();
    return methods;
}

class NativeHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing::EnsureApplication();
        Held::returned = Held::pageLeftAtCancel = false;
        Held::whileHeld = nullptr;
        int in[2];
        int out[2];
        ASSERT_EQ(::pipe(in), 0);
        ASSERT_EQ(::pipe(out), 0);
        toHost_ = in[1];
        ::fcntl(toHost_, F_SETFL, O_NONBLOCK);
        fromHost_ = out[0];
        // The host writes its frames whole: the browser's side reads on its own.
        drain_ = std::thread([this] {
            char chunk[65536];
            ssize_t n;
            while ((n = ::read(fromHost_, chunk, sizeof chunk)) > 0) {
                const std::lock_guard lock(mutex_);
                reader_.Append(std::string_view(chunk, static_cast<size_t>(n)));
            }
        });
        AgentOptions options;
        options.allowedOrigins = { "https://bank.example" };
        options.askConsent = [this](const std::string& origin) {
            asked_.push_back(origin);
            return ConsentAnswer::AllowOnce;
        };
        options.cancelRunningDialog = [] {
            Held::pageLeftAtCancel = Held::control != nullptr && Held::control->PageHasLeft();
            if (Held::loop != nullptr) {
                Held::loop->quit();
            }
        };
        host_ = std::make_unique<NativeHost>(in[0], out[1], options, HostMethods());
        host_->SetFinished([this](int code) { exitCode_ = code; });
        host_->Start();
        hostEnds_ = { in[0], out[1] };
    }
    void TearDown() override
    {
        host_.reset();
        ::close(hostEnds_[1]);
        drain_.join();
        for (const int fd : { toHost_, fromHost_, hostEnds_[0] }) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }

    // Writes while letting the host read: a frame may be larger than the pipe holds.
    void Send(const std::string& bytes)
    {
        size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t put = ::write(toHost_, bytes.data() + written, bytes.size() - written);
            if (put > 0) {
                written += static_cast<size_t>(put);
            } else {
                ASSERT_EQ(errno, EAGAIN);
                QCoreApplication::processEvents();
            }
        }
    }
    void Open(int page, const std::string& origin)
    {
        Send(Frame({ { "type", "open" }, { "page", page }, { "origin", origin } }));
    }
    void Call(int page, int id, const std::string& method) { Send(CallFrame(page, id, method)); }
    void CloseInput()
    {
        ::close(toHost_);
        toHost_ = -1;
    }
    // The next envelope from the host, parts joined as the extension does.
    json Receive()
    {
        std::string joined;
        std::string frame;
        json envelope;
        // The drain thread does not wake the event loop: poll.
        const auto ready = [&] {
            const std::lock_guard lock(mutex_);
            while (reader_.Next(frame) == NativeFrameReader::Status::Frame) {
                envelope = json::parse(frame);
                if (envelope["type"] != "part") {
                    return true;
                }
                joined += envelope["data"].get<std::string>();
            }
            return false;
        };
        bool got = false;
        for (int round = 0; round < 500 && !(got = ready()); ++round) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (got && envelope.contains("data")) {
            envelope["data"] = json::parse(joined + envelope["data"].get<std::string>());
        }
        return got ? envelope : json();
    }
    bool WaitFinished()
    {
        return testing::WaitFor([this] { return exitCode_ >= 0; }, 5000);
    }

    std::unique_ptr<NativeHost> host_;
    int toHost_ = -1;
    int fromHost_ = -1;
    std::array<int, 2> hostEnds_ { -1, -1 };
    std::thread drain_;
    std::mutex mutex_;
    NativeFrameReader reader_ { 64 * kNativeMaxOutgoingBytes };
    int exitCode_ = -1;
    std::vector<std::string> asked_;
};

TEST_F(NativeHostTest, PagesGetTheirOwnControlsAndLongAnswersArriveWhole)
{
    Open(1, "https://bank.example");
    Open(2, "https://other.example");
    Call(1, 10, "Big");
    Call(2, 20, "GetAPIVersion");
    json first = Receive();
    json second = Receive();
    if (first["page"] == 2) {
        std::swap(first, second);
    }
    EXPECT_EQ(first["data"]["id"], 10);
    EXPECT_EQ(first["data"]["result"].get<std::string>().size(), 2 * kNativeMaxOutgoingBytes);
    EXPECT_EQ(second["data"]["result"], "Version 1.0.0.1 ");
    EXPECT_EQ(asked_, std::vector<std::string> { "https://other.example" });

    Open(3, "null");
    EXPECT_EQ(Receive(), json({ { "type", "refused" }, { "page", 3 }, { "reason", "origin" } }));
    Open(4, "https://bank.example");
    Send(Frame({ { "type", "message" }, { "page", 4 },
        { "data", std::string(AgentLimits {}.maxMessageBytes + 1, ' ') } }));
    EXPECT_EQ(Receive(), json({ { "type", "refused" }, { "page", 4 }, { "reason", "too-large" } }));
    Send(Frame({ { "type", "close" }, { "page", 2 } }));
    Call(2, 21, "GetAPIVersion"); // closed: no answer
    Call(1, 11, "GetAPIVersion");
    EXPECT_EQ(Receive()["data"]["id"], 11);
    CloseInput();
    ASSERT_TRUE(WaitFinished());
    EXPECT_EQ(exitCode_, 0);
}

// The browser goes away while a call's dialog is open: the call is told its page left before the
// dialog is cancelled, and the session finishes only after the call has returned.
TEST_F(NativeHostTest, BrowserLeavingMidCallFinishesOnlyAfterTheCallReturned)
{
    Open(1, "https://bank.example");
    bool finishedDuringCall = false;
    host_->SetFinished([&](int code) {
        finishedDuringCall = !Held::returned;
        exitCode_ = code;
    });
    Held::whileHeld = [this] { CloseInput(); };
    Call(1, 1, "Hold");
    ASSERT_TRUE(WaitFinished());
    EXPECT_TRUE(Held::returned);
    EXPECT_TRUE(Held::pageLeftAtCancel);
    EXPECT_FALSE(finishedDuringCall);
}

// A host on pipes of its own that the test writes whole and, for its output, never reads.
struct PipedHost {
    explicit PipedHost(AgentOptions options = {})
    {
        testing::EnsureApplication();
        if (::pipe(in) != 0 || ::pipe(out) != 0) {
            throw std::runtime_error("pipe");
        }
        options.allowedOrigins = { "https://bank.example" };
        host.emplace(in[0], out[1], options, HostMethods());
        host->SetFinished([this](int code) { exitCode = code; });
        host->Start();
    }
    ~PipedHost()
    {
        host.reset();
        for (const int fd : { in[0], in[1], out[0], out[1] }) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    // Writes `input` (which fits in the pipe); with `end`, closes it. Waits for the host to finish.
    int SendAndWaitFinished(const std::string& input, bool end = true, int settleMs = 0)
    {
        EXPECT_EQ(::write(in[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
        testing::WaitFor([] { return false; }, settleMs);
        if (end) {
            ::close(in[1]);
            in[1] = -1;
        }
        EXPECT_TRUE(testing::WaitFor([&] { return exitCode >= 0; }, 5000));
        return exitCode;
    }

    int in[2] { -1, -1 };
    int out[2] { -1, -1 };
    std::optional<NativeHost> host;
    int exitCode = -1;
};

const std::string kOpenBank
    = Frame({ { "type", "open" }, { "page", 1 }, { "origin", "https://bank.example" } });

// Input that is no page's message ends the session as failed: a frame that is no envelope, a
// length above the bound (before its body arrives), and input cut inside a frame.
TEST(NativeHostInput, BrokenInputEndsTheSessionAsFailed)
{
    const auto length = static_cast<uint32_t>(NativeHost::MaxIncomingFrame(AgentLimits {}) + 1);
    std::string oversized(4, '\0');
    std::memcpy(oversized.data(), &length, 4);
    for (const std::string& input : { NativeFrame("{\"type\":\"open\"}"), oversized }) {
        PipedHost piped;
        EXPECT_EQ(piped.SendAndWaitFinished(input, false), 1);
    }
    PipedHost cut;
    EXPECT_EQ(cut.SendAndWaitFinished(
                  kOpenBank + NativeFrame("{\"type\":\"close\",\"page\":1}").substr(0, 9)),
        1);
    EXPECT_EQ(cut.host->PageCount(), 0);
}

// A page that posts without pause: the host takes about one largest frame's worth per wake-up
// and handles it before reading on, rather than draining the whole input first.
TEST(NativeHostInput, ReadsAboutOneLargestFramePerWakeUp)
{
    AgentOptions options;
    options.limits.maxMessageBytes = 1024; // about 10 KB of input per wake-up
    int unreadWhenOpened = -1;
    int* hostInput = nullptr;
    options.log = [&](const std::string& line) {
        if (line.starts_with("connection from") && unreadWhenOpened < 0) {
            ::ioctl(*hostInput, FIONREAD, &unreadWhenOpened);
        }
    };
    PipedHost piped(options);
    hostInput = &piped.in[0];
    std::string input = kOpenBank;
    while (input.size() < 48 * 1024) {
        input += Frame({ { "type", "message" }, { "page", 9 }, { "data", "{}" } }); // ignored
    }
    EXPECT_EQ(piped.SendAndWaitFinished(input), 0);
    EXPECT_GT(unreadWhenOpened, 32 * 1024);
}

// A browser that stops reading leaves answers unsent, but the host does not block on them: it
// still reads, and ends when the browser goes away.
TEST(NativeHostOutput, BrowserThatStopsReadingDoesNotBlockTheHost)
{
    // The answer is more than the pipe holds.
    EXPECT_EQ(PipedHost().SendAndWaitFinished(kOpenBank + CallFrame(1, 1, "Big"), true, 200), 0);
}

} // namespace
} // namespace velkor
