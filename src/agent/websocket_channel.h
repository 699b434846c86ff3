#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include <QObject>
#include <QTimer>

#include "agent/websocket_handshake.h"

class QTcpSocket;

namespace velkor {

// WebSocket close codes the channel itself uses.
inline constexpr uint16_t kCloseNormal = 1000;
inline constexpr uint16_t kCloseProtocolError = 1002; // e.g. an unmasked client frame
inline constexpr uint16_t kCloseUnsupportedData = 1003; // binary messages
inline constexpr uint16_t kCloseInvalidText = 1007; // text that is not UTF-8
inline constexpr uint16_t kCloseTooBig = 1009;

// The server end of one WebSocket on an accepted TCP socket: the opening handshake, client frames
// (which must be masked), ping, close, and text messages up to a size. Owning the framing (rather
// than QWebSocketServer) lets the agent see the raw request, refuse unmasked frames, keep the
// messages that arrive together with the handshake, and stop reading from a page that does not
// read its answers.
//
// Back-pressure: while more than `kOutputHighWater` bytes wait to be sent, nothing more is read
// from the page, so its requests (and the answers they would cause) wait in its own socket
// buffers; reading resumes below `kOutputLowWater`.
class WebSocketChannel : public QObject {
    Q_OBJECT
public:
    static constexpr int64_t kOutputHighWater = 1 << 20;
    static constexpr int64_t kOutputLowWater = 256 << 10;
    // Unsent output of all channels together. One page may hold a file transfer's answer; many
    // pages that do not read must not each hold one. A channel above the high-water mark that
    // takes the total past this is ended.
    static constexpr int64_t kAllChannelsOutputLimit = 96 << 20;

    struct Handlers {
        // The handshake was accepted; the channel is open. Called before any message is
        // delivered, so a message that came with the handshake finds the handlers set here.
        std::function<void(const HandshakeRequest&)> opened;
        // The handshake was refused (the HTTP refusal has been sent).
        std::function<void(const HandshakeRequest&)> refused;
        // One complete text message, valid UTF-8. The channel wipes it afterwards.
        std::function<void(std::string_view)> text;
        // The TCP connection has ended (called once).
        std::function<void()> closed;
    };

    // Takes ownership of the connected socket descriptor.
    WebSocketChannel(qintptr descriptor, int64_t maxMessageBytes, QObject* parent = nullptr);
    ~WebSocketChannel() override;

    void SetHandlers(Handlers handlers) { handlers_ = std::move(handlers); }
    bool IsOpen() const { return state_ == State::Open; }
    bool ReadingPaused() const { return paused_; }
    int64_t PendingOutput() const;

    void SendText(std::string_view utf8);
    // Starts the closing handshake; the connection ends when the page answers or after a time.
    void Close(uint16_t code, std::string_view reason);
    // Ends the connection at once.
    void Abort();

private:
    enum class State { Handshake, Open, Closing, Closed };

    void OnReadable();
    void Process();
    void ReadHandshake();
    void ReadFrames();
    // Reads the next frame's header; false when it has not all arrived.
    bool ReadFrameHeader();
    void HandleControlFrame();
    void DeliverMessage();
    void SendFrame(uint8_t opcode, std::string_view payload);
    void Fail(uint16_t code, std::string_view reason);
    void FinishAfterFlush();
    void UpdateBackPressure();
    void OnDisconnected();

    QTcpSocket* socket_;
    Handlers handlers_;
    const int64_t maxMessageBytes_;
    State state_ = State::Handshake;
    bool paused_ = false;
    bool discard_ = false; // after a failure or the close: input is dropped
    bool shutdownPending_ = false; // half-close once the output has been written
    bool processing_ = false;
    bool closedReported_ = false;
    int64_t countedOutput_ = 0; // this channel's share of the output of all channels
    QTimer deadline_; // handshake, then closing handshake

    // The frame being read.
    bool inFrame_ = false;
    uint8_t opcode_ = 0;
    bool final_ = false;
    uint64_t remaining_ = 0;
    uint8_t mask_[4] = {};
    uint64_t maskOffset_ = 0;
    std::string control_; // payload of a control frame
    // The message being assembled from data frames.
    bool inMessage_ = false;
    bool messageIsText_ = false;
    std::string message_;
};

// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view text);

} // namespace velkor
