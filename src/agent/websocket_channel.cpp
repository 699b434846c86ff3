#include "agent/websocket_channel.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include <QTcpSocket>

#include "common/secure_buffer.h"
#include "control/file_transfer_limits.h"

namespace velkor {

namespace {

constexpr uint8_t kOpContinuation = 0x0;
constexpr uint8_t kOpText = 0x1;
constexpr uint8_t kOpBinary = 0x2;
constexpr uint8_t kOpClose = 0x8;
constexpr uint8_t kOpPing = 0x9;
constexpr uint8_t kOpPong = 0xA;
constexpr size_t kMaxControlPayload = 125;

constexpr int kHandshakeTimeoutMs = 10000;
constexpr int kClosingTimeoutMs = 2000;
// What Qt may hold of unread input per connection; the rest waits in the kernel.
constexpr qint64 kReadBufferBytes = 64 << 10;
// A message buffer larger than this is given back once its message has been handled.
constexpr size_t kKeptMessageCapacity = 64 << 10;
// Frames handled per turn of the event loop: a page that floods is read a slice at a time, so the
// other pages' requests and the queued calls keep their turns.
constexpr int kFramesPerTurn = 32;
// Answers to calls already accepted may still arrive while reading is paused; this bounds them.
// It must still let the largest single answer through on top of what reading pauses at: the
// enciphered contents of the largest file a transfer takes (about 43 MiB).
constexpr int64_t kOutputHardLimit = std::max<int64_t>(
    16 << 20, static_cast<int64_t>(kLargestTextAnswerBytes) + WebSocketChannel::kOutputHighWater);

static_assert(WebSocketChannel::kAllChannelsOutputLimit > kOutputHardLimit,
    "one page must still be able to receive the largest answer");

// Unsent output of all open channels (the agent's channels all live on one thread).
int64_t outputOfAllChannels = 0;

// Room for `count` more bytes at the end of `buffer`. A larger buffer is a fresh allocation and
// the old one is wiped: the message may hold a PIN, and a reallocation would leave a copy behind.
char* AppendSpace(std::string& buffer, size_t count)
{
    const size_t size = buffer.size();
    if (size + count > buffer.capacity()) {
        std::string larger;
        larger.reserve(std::max(size + count, buffer.capacity() * 2));
        larger.append(buffer);
        WipeString(buffer);
        buffer.swap(larger);
    }
    buffer.resize(size + count);
    return buffer.data() + size;
}

bool IsValidCloseCode(uint16_t code)
{
    return (code >= 1000 && code <= 1003) || (code >= 1007 && code <= 1011)
        || (code >= 3000 && code <= 4999);
}

} // namespace

bool IsValidUtf8(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        size_t length = 0;
        uint32_t value = 0;
        uint32_t smallest = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            value = lead & 0x1F;
            smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            value = lead & 0x0F;
            smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            value = lead & 0x07;
            smallest = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i < length) {
            return false;
        }
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            value = (value << 6) | (next & 0x3F);
        }
        if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

WebSocketChannel::WebSocketChannel(qintptr descriptor, int64_t maxMessageBytes, QObject* parent)
    : QObject(parent)
    , socket_(new QTcpSocket(this))
    , maxMessageBytes_(maxMessageBytes)
{
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &WebSocketChannel::Abort);
    connect(socket_, &QTcpSocket::readyRead, this, &WebSocketChannel::OnReadable);
    connect(socket_, &QTcpSocket::bytesWritten, this, &WebSocketChannel::UpdateBackPressure);
    connect(socket_, &QTcpSocket::disconnected, this, &WebSocketChannel::OnDisconnected);
    if (!socket_->setSocketDescriptor(descriptor)) {
        ::close(static_cast<int>(descriptor));
        state_ = State::Closed;
        QMetaObject::invokeMethod(this, &WebSocketChannel::OnDisconnected, Qt::QueuedConnection);
        return;
    }
    socket_->setReadBufferSize(kReadBufferBytes);
    deadline_.start(kHandshakeTimeoutMs);
    // Input may have arrived before the socket was watched.
    QMetaObject::invokeMethod(this, &WebSocketChannel::OnReadable, Qt::QueuedConnection);
}

WebSocketChannel::~WebSocketChannel()
{
    socket_->disconnect(this);
    handlers_ = {};
    outputOfAllChannels -= countedOutput_;
    WipeString(message_);
    WipeString(control_);
}

int64_t WebSocketChannel::PendingOutput() const
{
    return socket_->bytesToWrite();
}

void WebSocketChannel::SendText(std::string_view utf8)
{
    if (state_ == State::Open) {
        SendFrame(kOpText, utf8);
    }
}

void WebSocketChannel::Close(uint16_t code, std::string_view reason)
{
    if (state_ != State::Open) {
        return;
    }
    std::string payload { static_cast<char>(code >> 8), static_cast<char>(code & 0xFF) };
    payload.append(reason.substr(0, kMaxControlPayload - 2));
    SendFrame(kOpClose, payload);
    state_ = State::Closing;
    deadline_.start(kClosingTimeoutMs);
}

void WebSocketChannel::Abort()
{
    socket_->abort();
    OnDisconnected();
}

void WebSocketChannel::OnReadable()
{
    if (!paused_ || discard_) {
        Process();
    }
}

void WebSocketChannel::Process()
{
    if (processing_) {
        return;
    }
    processing_ = true;
    if (state_ == State::Handshake) {
        ReadHandshake();
    }
    if (state_ == State::Open || state_ == State::Closing) {
        ReadFrames();
    }
    processing_ = false;
}

void WebSocketChannel::ReadHandshake()
{
    const QByteArray available = socket_->peek(static_cast<qint64>(kMaxHandshakeBytes) + 1);
    const qsizetype end = available.indexOf("\r\n\r\n");
    HandshakeRequest request;
    if (end < 0) {
        if (available.size() <= static_cast<qsizetype>(kMaxHandshakeBytes)) {
            return; // wait for the rest
        }
        request = ParseHandshake(std::string_view(available.constData(), available.size()));
    } else {
        const qsizetype headSize = end + 4;
        socket_->skip(headSize);
        request = ParseHandshake(std::string_view(available.constData(), headSize));
    }
    const std::string response = HandshakeResponse(request);
    socket_->write(response.data(), static_cast<qint64>(response.size()));
    if (request.status != 101) {
        state_ = State::Closing;
        discard_ = true;
        deadline_.start(kClosingTimeoutMs);
        if (handlers_.refused) {
            handlers_.refused(request);
        }
        FinishAfterFlush();
        return;
    }
    state_ = State::Open;
    deadline_.stop();
    if (handlers_.opened) {
        handlers_.opened(request);
    }
}

void WebSocketChannel::ReadFrames()
{
    int frames = 0;
    while (state_ == State::Open || state_ == State::Closing) {
        if (frames == kFramesPerTurn) {
            QMetaObject::invokeMethod(this, &WebSocketChannel::Process, Qt::QueuedConnection);
            return;
        }
        if (discard_) {
            socket_->skip(socket_->bytesAvailable());
            return;
        }
        if (paused_) {
            return;
        }
        if (!inFrame_ && !ReadFrameHeader()) {
            return;
        }
        if (!inFrame_) {
            continue; // the header failed the connection
        }
        const bool isControl = (opcode_ & 0x8) != 0;
        std::string& target = isControl ? control_ : message_;
        const auto count = static_cast<size_t>(
            std::min<uint64_t>(remaining_, static_cast<uint64_t>(socket_->bytesAvailable())));
        if (count > 0 && !isControl && state_ == State::Closing) {
            // No message is delivered once closing: its data is dropped rather than held.
            socket_->skip(static_cast<qint64>(count));
            remaining_ -= count;
        } else if (count > 0) {
            char* into = AppendSpace(target, count);
            const qint64 got = socket_->read(into, static_cast<qint64>(count));
            if (got != static_cast<qint64>(count)) {
                Abort();
                return;
            }
            for (size_t k = 0; k < count; ++k) {
                into[k] = static_cast<char>(into[k] ^ mask_[(maskOffset_ + k) % 4]);
            }
            maskOffset_ += count;
            remaining_ -= count;
        }
        if (remaining_ > 0) {
            return; // wait for the rest of the frame
        }
        inFrame_ = false;
        ++frames;
        if (isControl) {
            HandleControlFrame();
        } else if (final_) {
            DeliverMessage();
        }
    }
}

bool WebSocketChannel::ReadFrameHeader()
{
    const QByteArray head = socket_->peek(14);
    if (head.size() < 2) {
        return false;
    }
    const auto b0 = static_cast<uint8_t>(head[0]);
    const auto b1 = static_cast<uint8_t>(head[1]);
    const bool masked = (b1 & 0x80) != 0;
    const uint8_t length7 = b1 & 0x7F;
    const qsizetype lengthBytes = length7 == 126 ? 2 : length7 == 127 ? 8 : 0;
    const qsizetype headerSize = 2 + lengthBytes + (masked ? 4 : 0);
    if (head.size() < headerSize) {
        return false;
    }
    uint64_t length = length7;
    if (lengthBytes > 0) {
        length = 0;
        for (qsizetype k = 0; k < lengthBytes; ++k) {
            length = (length << 8) | static_cast<uint8_t>(head[2 + k]);
        }
    }
    socket_->skip(headerSize);
    const uint8_t opcode = b0 & 0x0F;
    const bool isControl = (opcode & 0x8) != 0;
    final_ = (b0 & 0x80) != 0;
    if ((b0 & 0x70) != 0) {
        Fail(kCloseProtocolError, "reserved bits set");
    } else if (!masked) {
        // A client must mask every frame: an unmasked one may be a cross-protocol attack.
        Fail(kCloseProtocolError, "unmasked client frame");
    } else if (opcode != kOpContinuation && opcode != kOpText && opcode != kOpBinary
        && opcode != kOpClose && opcode != kOpPing && opcode != kOpPong) {
        Fail(kCloseProtocolError, "unknown opcode");
    } else if (isControl && (!final_ || length > kMaxControlPayload)) {
        Fail(kCloseProtocolError, "fragmented or long control frame");
    } else if (!isControl && (opcode == kOpContinuation) != inMessage_) {
        Fail(kCloseProtocolError, "unexpected continuation or data frame");
    } else if (opcode == kOpBinary) {
        Fail(kCloseUnsupportedData, "JSON-RPC text frames only");
    } else if (!isControl
        && length > static_cast<uint64_t>(maxMessageBytes_)
                - std::min<uint64_t>(message_.size(), static_cast<uint64_t>(maxMessageBytes_))) {
        Fail(kCloseTooBig, "message too big");
    } else {
        inFrame_ = true;
        opcode_ = opcode;
        remaining_ = length;
        maskOffset_ = 0;
        for (int k = 0; k < 4; ++k) {
            mask_[k] = static_cast<uint8_t>(head[headerSize - 4 + k]);
        }
        if (opcode == kOpText) {
            inMessage_ = true;
        }
        if (isControl) {
            WipeString(control_);
        }
    }
    return true;
}

void WebSocketChannel::HandleControlFrame()
{
    if (opcode_ == kOpPing) {
        if (state_ == State::Open) {
            SendFrame(kOpPong, control_);
        }
    } else if (opcode_ == kOpClose) {
        if (control_.size() == 1) {
            Fail(kCloseProtocolError, "bad close frame");
            return;
        }
        uint16_t code = kCloseNormal;
        if (control_.size() >= 2) {
            code = static_cast<uint16_t>(
                (static_cast<uint8_t>(control_[0]) << 8) | static_cast<uint8_t>(control_[1]));
            if (!IsValidCloseCode(code)) {
                Fail(kCloseProtocolError, "bad close code");
                return;
            }
            if (!IsValidUtf8(std::string_view(control_).substr(2))) {
                Fail(kCloseInvalidText, "close reason is not UTF-8");
                return;
            }
        }
        if (state_ == State::Open) {
            const std::string echo { static_cast<char>(code >> 8), static_cast<char>(code & 0xFF) };
            SendFrame(kOpClose, echo);
        }
        state_ = State::Closing;
        discard_ = true;
        deadline_.start(kClosingTimeoutMs);
        FinishAfterFlush();
    }
    WipeString(control_);
}

void WebSocketChannel::DeliverMessage()
{
    inMessage_ = false;
    if (!IsValidUtf8(message_)) {
        Fail(kCloseInvalidText, "text message is not UTF-8");
    } else if (state_ == State::Open && handlers_.text) {
        handlers_.text(message_);
    }
    WipeString(message_);
    if (message_.capacity() > kKeptMessageCapacity) {
        std::string().swap(message_);
    }
}

void WebSocketChannel::SendFrame(uint8_t opcode, std::string_view payload)
{
    char header[10];
    size_t headerSize = 2;
    header[0] = static_cast<char>(0x80 | opcode);
    if (payload.size() < 126) {
        header[1] = static_cast<char>(payload.size());
    } else if (payload.size() <= 0xFFFF) {
        header[1] = 126;
        header[2] = static_cast<char>(payload.size() >> 8);
        header[3] = static_cast<char>(payload.size() & 0xFF);
        headerSize = 4;
    } else {
        header[1] = 127;
        for (int k = 0; k < 8; ++k) {
            header[2 + k]
                = static_cast<char>((static_cast<uint64_t>(payload.size()) >> (56 - 8 * k)) & 0xFF);
        }
        headerSize = 10;
    }
    socket_->write(header, static_cast<qint64>(headerSize));
    socket_->write(payload.data(), static_cast<qint64>(payload.size()));
    UpdateBackPressure();
}

void WebSocketChannel::Fail(uint16_t code, std::string_view reason)
{
    inFrame_ = false;
    inMessage_ = false;
    WipeString(message_);
    if (state_ == State::Open) {
        Close(code, reason);
    }
    // The input can no longer be followed frame by frame: it is dropped until the page closes.
    discard_ = true;
    deadline_.start(kClosingTimeoutMs);
    FinishAfterFlush();
}

void WebSocketChannel::FinishAfterFlush()
{
    if (state_ == State::Closed) {
        return;
    }
    if (socket_->bytesToWrite() > 0) {
        shutdownPending_ = true;
        return;
    }
    shutdownPending_ = false;
    // Half-close: the page reads what was sent (the close frame) and then closes its side; a full
    // close with unread input would reset the connection and could lose that frame.
    ::shutdown(static_cast<int>(socket_->socketDescriptor()), SHUT_WR);
}

void WebSocketChannel::UpdateBackPressure()
{
    if (state_ == State::Closed) {
        return;
    }
    const int64_t pending = socket_->bytesToWrite();
    if (shutdownPending_ && pending == 0) {
        FinishAfterFlush();
    }
    outputOfAllChannels += pending - countedOutput_;
    countedOutput_ = pending;
    if (pending > kOutputHardLimit
        || (pending > kOutputHighWater && outputOfAllChannels > kAllChannelsOutputLimit)) {
        Abort();
        return;
    }
    if (!paused_ && pending > kOutputHighWater) {
        paused_ = true;
    } else if (paused_ && pending < kOutputLowWater) {
        paused_ = false;
        // Input may be waiting in the socket's buffer without a new readyRead to come.
        QMetaObject::invokeMethod(this, &WebSocketChannel::Process, Qt::QueuedConnection);
    }
}

void WebSocketChannel::OnDisconnected()
{
    state_ = State::Closed;
    outputOfAllChannels -= countedOutput_;
    countedOutput_ = 0;
    deadline_.stop();
    if (closedReported_) {
        return;
    }
    closedReported_ = true;
    if (handlers_.closed) {
        handlers_.closed();
    }
}

} // namespace velkor
