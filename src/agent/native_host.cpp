#include "agent/native_host.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include "agent/agent_connection.h"
#include "agent/native_envelope.h"
#include "agent/page_link.h"
#include "common/secure_buffer.h"
#include "control/file_transfer_limits.h"

namespace velkor {

namespace {

// A page's answers go out under its number on the shared port.
class NativePageLink final : public PageLink {
public:
    NativePageLink(NativeHost& host, uint64_t page)
        : host_(host)
        , page_(page)
    {
    }
    void Send(const std::string& message) override { host_.SendAnswer(page_, message); }
    void RefuseOrigin() override { host_.RefusePage(page_, "origin"); }

private:
    NativeHost& host_;
    uint64_t page_;
};

// Output the browser may leave unread before the session ends: it must still hold the largest
// single answer (split into frames, its JSON escaped once more in the envelope).
constexpr size_t kMostUnsentBytes
    = std::max<size_t>(64 << 20, 2 * static_cast<size_t>(kLargestTextAnswerBytes) + (1 << 20));

} // namespace

int64_t NativeHost::MaxIncomingFrame(const AgentLimits& limits)
{
    // Every byte of the page's message may come escaped (\u00XX), plus the envelope.
    return limits.maxMessageBytes * 6 + 4096;
}

NativeHost::NativeHost(int input, int output, AgentOptions options,
    const std::vector<MethodInfo>& methods, QObject* parent)
    : QObject(parent)
    , input_(input)
    , output_(output)
    , options_(options)
    , services_(std::move(options), methods)
    , reader_(static_cast<size_t>(MaxIncomingFrame(options_.limits)))
{
}

NativeHost::~NativeHost()
{
    WipeString(unsent_);
}

void NativeHost::Start()
{
    ::fcntl(input_, F_SETFL, ::fcntl(input_, F_GETFL) | O_NONBLOCK);
    readable_ = new QSocketNotifier(input_, QSocketNotifier::Read, this);
    connect(readable_, &QSocketNotifier::activated, this, &NativeHost::OnReadable);
    ::fcntl(output_, F_SETFL, ::fcntl(output_, F_GETFL) | O_NONBLOCK);
    writable_ = new QSocketNotifier(output_, QSocketNotifier::Write, this);
    writable_->setEnabled(false);
    connect(writable_, &QSocketNotifier::activated, this, &NativeHost::Flush);
}

void NativeHost::OnReadable()
{
    // At most about one largest frame is read per wake-up, then the frames it completed are
    // handled: a page posting without pause can neither grow the buffer without bound nor keep
    // the event loop (the card's calls, the dialogs) from running. The notifier fires again while
    // more is waiting.
    char chunk[65536];
    bool inputEnded = false;
    size_t budget = static_cast<size_t>(MaxIncomingFrame(options_.limits)) + sizeof(uint32_t);
    while (budget > 0) {
        const ssize_t got = ::read(input_, chunk, std::min(sizeof chunk, budget));
        if (got > 0) {
            reader_.Append(std::string_view(chunk, static_cast<size_t>(got)));
            Wipe(chunk, static_cast<size_t>(got));
            budget -= static_cast<size_t>(got);
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        // End of input (or a read error) unless there is just nothing more for now.
        inputEnded = !(got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
        break;
    }
    std::string frame;
    while (!ended_) {
        const auto status = reader_.Next(frame);
        if (status == NativeFrameReader::Status::NeedMore) {
            break;
        }
        if (status == NativeFrameReader::Status::Oversized) {
            End(1, "a frame is larger than allowed");
            break;
        }
        std::optional<PageEnvelope> envelope = ParsePageEnvelope(frame);
        WipeString(frame);
        if (!envelope) {
            End(1, "a frame is not a page message");
            break;
        }
        Handle(*envelope);
        WipeString(envelope->data);
    }
    // The frames that arrived whole are handled first; what is left of a frame is a cut frame.
    if (inputEnded) {
        if (reader_.HasPartialFrame()) {
            End(1, "the input ended inside a frame");
        } else {
            End(0, "the browser closed the connection");
        }
    }
}

void NativeHost::Handle(PageEnvelope& envelope)
{
    const auto found = pages_.find(envelope.page);
    switch (envelope.kind) {
    case PageEnvelope::Kind::Open: {
        if (found != pages_.end()) {
            services_.Log("page " + std::to_string(envelope.page) + " opened twice: ignored");
            return;
        }
        const ConsentVerdict verdict = services_.Consent().Judge(envelope.origin);
        if (verdict == ConsentVerdict::Refused) {
            services_.Log("refused page (origin \"" + EscapedForLog(envelope.origin)
                + "\"): origin not allowed");
            Write(RefusalEnvelope(envelope.page, "origin"));
            return;
        }
        if (PageCount() >= options_.limits.maxConnections) {
            Write(RefusalEnvelope(envelope.page, "too-many"));
            return;
        }
        // Recorded first: the page's first answer may go out while it opens.
        auto& slot = pages_[envelope.page];
        slot = services_.OpenPage(std::make_unique<NativePageLink>(*this, envelope.page),
            envelope.origin, verdict == ConsentVerdict::Ask);
        return;
    }
    case PageEnvelope::Kind::Message:
        if (found == pages_.end()) {
            return; // refused or closed meanwhile
        }
        if (static_cast<int64_t>(envelope.data.size()) > options_.limits.maxMessageBytes) {
            RefusePage(envelope.page, "too-large");
            return;
        }
        found->second->OnTextMessage(envelope.data);
        return;
    case PageEnvelope::Kind::Close:
        ClosePage(envelope.page);
        return;
    }
}

void NativeHost::SendAnswer(uint64_t page, const std::string& answer)
{
    if (ended_ || !pages_.contains(page)) {
        return;
    }
    for (auto& frame : AnswerEnvelopes(page, answer, kNativeMaxOutgoingBytes)) {
        Write(frame);
        WipeString(frame);
    }
}

void NativeHost::RefusePage(uint64_t page, const std::string& reason)
{
    const auto found = pages_.find(page);
    if (found == pages_.end()) {
        return;
    }
    // Nothing more goes to or comes from the page from now on.
    QPointer<AgentConnection> connection(found->second);
    pages_.erase(found);
    Write(RefusalEnvelope(page, reason));
    // Its end is handled from the event loop, not from inside the page's own call.
    QTimer::singleShot(0, this, [this, connection] {
        if (connection) {
            services_.PageClosed(connection);
        }
    });
}

void NativeHost::ClosePage(uint64_t page)
{
    const auto found = pages_.find(page);
    if (found == pages_.end()) {
        return;
    }
    AgentConnection* connection = found->second;
    pages_.erase(found);
    services_.PageClosed(connection);
}

void NativeHost::Write(const std::string& payload)
{
    if (ended_) {
        return;
    }
    std::string frame = NativeFrame(payload);
    if (unsent_.size() + frame.size() > kMostUnsentBytes) {
        WipeString(frame);
        End(0, "the browser stopped reading");
        return;
    }
    if (unsent_.capacity() < unsent_.size() + frame.size()) {
        // Grown by hand so that the old block is wiped rather than freed with answers in it.
        std::string larger;
        larger.reserve(std::max(unsent_.size() + frame.size(), unsent_.capacity() * 2));
        larger.append(unsent_);
        WipeString(unsent_);
        unsent_.swap(larger);
    }
    unsent_.append(frame);
    WipeString(frame);
    Flush();
}

void NativeHost::Flush()
{
    size_t written = 0;
    bool failed = false;
    while (written < unsent_.size()) {
        const ssize_t put = ::write(output_, unsent_.data() + written, unsent_.size() - written);
        if (put > 0) {
            written += static_cast<size_t>(put);
            continue;
        }
        if (put < 0 && errno == EINTR) {
            continue;
        }
        failed = !(put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
        break;
    }
    // What was written is wiped, and so are the copies the move to the front leaves behind.
    const size_t left = unsent_.size() - written;
    std::memmove(unsent_.data(), unsent_.data() + written, left);
    Wipe(unsent_.data() + left, written);
    unsent_.resize(left);
    if (failed) {
        WipeString(unsent_);
        End(0, "the browser stopped reading");
        return;
    }
    if (writable_ != nullptr) {
        writable_->setEnabled(!unsent_.empty());
    }
}

void NativeHost::End(int code, const std::string& reason)
{
    if (ended_) {
        return;
    }
    ended_ = true;
    exitCode_ = code;
    services_.Log("native-messaging session ends: " + reason);
    if (readable_ != nullptr) {
        readable_->setEnabled(false);
    }
    if (writable_ != nullptr) {
        writable_->setEnabled(false);
    }
    // Every page is gone: a running call sends nothing more to its card and its dialog closes.
    while (!pages_.empty()) {
        ClosePage(pages_.begin()->first);
    }
    idle_ = new QTimer(this);
    idle_->setInterval(10);
    connect(idle_, &QTimer::timeout, this, &NativeHost::FinishWhenIdle);
    idle_->start();
    FinishWhenIdle();
}

void NativeHost::FinishWhenIdle()
{
    // Inside a call (a dialog's nested event loop) the session must wait for the call to return.
    if (services_.Queue().RunningOwner() != kNoOwner || idle_ == nullptr || !idle_->isActive()) {
        return;
    }
    idle_->stop();
    if (finished_) {
        finished_(exitCode_);
    }
}

} // namespace velkor
