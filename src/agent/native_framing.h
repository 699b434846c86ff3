#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The browsers' native-messaging framing on the host's standard input and output: each message
// is a 32-bit length in the machine's byte order, then that many bytes of UTF-8 JSON. A stream
// cannot be resynchronised after a bad length, so an oversized frame ends the stream.
namespace velkor {

// Browsers refuse a message from the host larger than this (1 MiB, Chromium and Firefox).
inline constexpr size_t kNativeMaxOutgoingBytes = 1024 * 1024;

class NativeFrameReader {
public:
    enum class Status { NeedMore, Frame, Oversized };

    explicit NativeFrameReader(size_t maxFrameBytes);
    ~NativeFrameReader();
    NativeFrameReader(const NativeFrameReader&) = delete;
    NativeFrameReader& operator=(const NativeFrameReader&) = delete;

    void Append(std::string_view bytes);
    // Takes the next complete frame into `frame`. Oversized: the announced length is over the
    // bound (nothing more can be read from this stream).
    Status Next(std::string& frame);
    // True while part of a frame (or of its length) is buffered: a stream ending now is cut.
    bool HasPartialFrame() const { return buffer_.size() > start_; }

private:
    // Moves what is left of the buffer to its front, once per Append rather than per frame, so
    // that many small frames arriving together cost time in proportion to their bytes.
    void Compact();

    size_t maxFrameBytes_;
    // Frames may carry PINs: what was consumed is wiped before the buffer is compacted.
    std::string buffer_;
    size_t start_ = 0; // where the next frame begins in buffer_
};

// `payload` with its length header.
std::string NativeFrame(std::string_view payload);

} // namespace velkor
