#include "agent/native_framing.h"

#include <cstring>

#include "common/secure_buffer.h"

namespace velkor {

NativeFrameReader::NativeFrameReader(size_t maxFrameBytes)
    : maxFrameBytes_(maxFrameBytes)
{
}

NativeFrameReader::~NativeFrameReader()
{
    WipeString(buffer_);
}

void NativeFrameReader::Compact()
{
    if (start_ == 0) {
        return;
    }
    const size_t left = buffer_.size() - start_;
    std::memmove(buffer_.data(), buffer_.data() + start_, left);
    // The bytes past the new end still hold copies of what was moved: wipe them too.
    Wipe(buffer_.data() + left, start_);
    buffer_.resize(left);
    start_ = 0;
}

void NativeFrameReader::Append(std::string_view bytes)
{
    Compact();
    if (buffer_.capacity() < buffer_.size() + bytes.size()) {
        // Grow by hand so that the old block is wiped rather than freed with its contents.
        std::string larger;
        larger.reserve(std::max(buffer_.size() + bytes.size(), buffer_.capacity() * 2));
        larger.append(buffer_);
        WipeString(buffer_);
        buffer_.swap(larger);
    }
    buffer_.append(bytes);
}

NativeFrameReader::Status NativeFrameReader::Next(std::string& frame)
{
    uint32_t length = 0;
    const size_t available = buffer_.size() - start_;
    if (available < sizeof length) {
        return Status::NeedMore;
    }
    std::memcpy(&length, buffer_.data() + start_, sizeof length);
    if (length > maxFrameBytes_) {
        return Status::Oversized;
    }
    if (available - sizeof length < length) {
        return Status::NeedMore;
    }
    frame.assign(buffer_, start_ + sizeof length, length);
    const size_t consumed = sizeof length + length;
    Wipe(buffer_.data() + start_, consumed);
    start_ += consumed;
    if (start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    }
    return Status::Frame;
}

std::string NativeFrame(std::string_view payload)
{
    const auto length = static_cast<uint32_t>(payload.size());
    std::string frame;
    frame.reserve(sizeof length + payload.size());
    frame.append(reinterpret_cast<const char*>(&length), sizeof length);
    frame.append(payload);
    return frame;
}

} // namespace velkor
