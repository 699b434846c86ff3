#include "gif_writer.h"

#include <algorithm>
#include <unordered_map>

namespace velkor {

namespace {

void Put16(std::vector<uint8_t>& out, int value)
{
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

int TableBits(size_t colours)
{
    int bits = 1;
    while ((size_t { 1 } << bits) < colours) {
        ++bits;
    }
    return bits;
}

// Packs variable-width codes, least significant bit first, into 255-byte sub-blocks.
class CodePacker {
public:
    void Put(int code, int width)
    {
        buffer_ |= static_cast<uint32_t>(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            bytes_.push_back(static_cast<uint8_t>(buffer_ & 0xFF));
            buffer_ >>= 8;
            bits_ -= 8;
        }
    }
    std::vector<uint8_t> Finish()
    {
        if (bits_ > 0) {
            bytes_.push_back(static_cast<uint8_t>(buffer_ & 0xFF));
        }
        std::vector<uint8_t> out;
        for (size_t at = 0; at < bytes_.size(); at += 255) {
            const size_t n = std::min<size_t>(255, bytes_.size() - at);
            out.push_back(static_cast<uint8_t>(n));
            out.insert(out.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at),
                bytes_.begin() + static_cast<std::ptrdiff_t>(at + n));
        }
        out.push_back(0);
        return out;
    }

private:
    uint32_t buffer_ = 0;
    int bits_ = 0;
    std::vector<uint8_t> bytes_;
};

} // namespace

std::vector<uint8_t> EncodeGifImageData(const std::vector<uint8_t>& indexes, int bitsPerIndex)
{
    const int minCodeSize = std::max(2, bitsPerIndex);
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    constexpr int kMaxCode = 4095;

    CodePacker packer;
    std::unordered_map<uint32_t, int> table; // (prefix code << 8 | next index) -> code
    int nextCode = endCode + 1;
    int width = minCodeSize + 1;
    packer.Put(clearCode, width);
    int prefix = -1;
    for (const uint8_t index : indexes) {
        if (prefix < 0) {
            prefix = index;
            continue;
        }
        const uint32_t key = (static_cast<uint32_t>(prefix) << 8) | index;
        if (const auto found = table.find(key); found != table.end()) {
            prefix = found->second;
            continue;
        }
        packer.Put(prefix, width);
        if (nextCode <= kMaxCode) {
            table.emplace(key, nextCode);
            if (nextCode == (1 << width) && width < 12) {
                ++width;
            }
            ++nextCode;
        } else {
            packer.Put(clearCode, width);
            table.clear();
            nextCode = endCode + 1;
            width = minCodeSize + 1;
        }
        prefix = index;
    }
    if (prefix >= 0) {
        packer.Put(prefix, width);
    }
    packer.Put(endCode, width);
    std::vector<uint8_t> out { static_cast<uint8_t>(minCodeSize) };
    const std::vector<uint8_t> blocks = packer.Finish();
    out.insert(out.end(), blocks.begin(), blocks.end());
    return out;
}

GifWriter::GifWriter(int width, int height, std::vector<uint32_t> palette, uint8_t backgroundIndex)
    : width_(width)
    , height_(height)
    , palette_(std::move(palette))
    , backgroundIndex_(backgroundIndex)
{
    palette_.resize(std::clamp<size_t>(palette_.size(), 2, 256));
}

void GifWriter::AddFrame(const GifWriterFrame& frame)
{
    frames_.push_back(frame);
}

std::vector<uint8_t> GifWriter::Finish(bool loop) const
{
    const int bits = TableBits(palette_.size());
    std::vector<uint8_t> out { 'G', 'I', 'F', '8', '9', 'a' };
    Put16(out, width_);
    Put16(out, height_);
    out.push_back(static_cast<uint8_t>(0x80 | ((bits - 1) << 4) | (bits - 1)));
    out.push_back(backgroundIndex_);
    out.push_back(0);
    for (size_t i = 0; i < (size_t { 1 } << bits); ++i) {
        const uint32_t rgb = i < palette_.size() ? palette_[i] : 0;
        out.push_back(static_cast<uint8_t>(rgb >> 16));
        out.push_back(static_cast<uint8_t>(rgb >> 8));
        out.push_back(static_cast<uint8_t>(rgb));
    }
    if (loop) {
        const uint8_t netscape[] = { 0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2',
            '.', '0', 0x03, 0x01, 0x00, 0x00, 0x00 };
        out.insert(out.end(), std::begin(netscape), std::end(netscape));
    }
    for (const GifWriterFrame& frame : frames_) {
        if (frame.withControlExtension) {
            out.insert(out.end(), { 0x21, 0xF9, 0x04 });
            out.push_back(static_cast<uint8_t>((frame.disposal & 0x07) << 2));
            Put16(out, frame.delay);
            out.insert(out.end(), { 0x00, 0x00 });
        }
        out.push_back(0x2C);
        Put16(out, frame.x);
        Put16(out, frame.y);
        Put16(out, frame.width);
        Put16(out, frame.height);
        out.push_back(0x00);
        const std::vector<uint8_t> image = EncodeGifImageData(frame.indexes, bits);
        out.insert(out.end(), image.begin(), image.end());
    }
    out.push_back(0x3B);
    return out;
}

} // namespace velkor
