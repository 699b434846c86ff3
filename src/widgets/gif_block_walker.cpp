#include "widgets/gif_block_walker.h"

namespace velkor {

namespace {

constexpr size_t kHeaderBytes = 6;
constexpr size_t kScreenDescriptorBytes = 7;
constexpr size_t kPreambleBytes = kHeaderBytes + kScreenDescriptorBytes;
constexpr uint8_t kExtension = 0x21;
constexpr uint8_t kImage = 0x2C;
constexpr uint8_t kTrailer = 0x3B;
constexpr uint8_t kPlainTextLabel = 0x01;
constexpr uint8_t kGraphicControlLabel = 0xF9;
constexpr uint8_t kCommentLabel = 0xFE;
constexpr uint8_t kApplicationLabel = 0xFF;

int Little16(std::span<const uint8_t> data, size_t at)
{
    return data[at] | (data[at + 1] << 8);
}

size_t ColourTableBytes(uint8_t packed)
{
    return (packed & 0x80) ? 3u * (2u << (packed & 0x07)) : 0u;
}

// Length of the sub-block chain starting at `at`, terminator included; nothing when it runs
// past the end.
std::optional<size_t> SubBlocksLength(std::span<const uint8_t> data, size_t at)
{
    size_t length = 0;
    while (true) {
        if (at + length >= data.size()) {
            return std::nullopt;
        }
        const uint8_t size = data[at + length];
        length += 1 + size;
        if (size == 0) {
            return length;
        }
    }
}

// Length of the block at `at` with its sub-blocks; nothing when unknown or cut short.
std::optional<size_t> BlockLength(std::span<const uint8_t> data, size_t at)
{
    const size_t left = data.size() - at;
    const uint8_t introducer = data[at];
    size_t fixed = 0;
    if (introducer == kTrailer) {
        return 1;
    }
    if (introducer == kImage) {
        if (left < 11) {
            return std::nullopt;
        }
        fixed = 11 + ColourTableBytes(data[at + 9]);
    } else if (introducer == kExtension && left >= 2) {
        switch (data[at + 1]) {
        case kGraphicControlLabel:
            return left >= 8 ? std::optional<size_t>(8) : std::nullopt;
        case kPlainTextLabel:
            fixed = 15;
            break;
        case kCommentLabel:
            fixed = 2;
            break;
        case kApplicationLabel:
            if (left < 3) {
                return std::nullopt;
            }
            fixed = 3 + data[at + 2];
            break;
        default:
            return std::nullopt;
        }
    } else {
        return std::nullopt;
    }
    if (fixed > left) {
        return std::nullopt;
    }
    const auto chain = SubBlocksLength(data, at + fixed);
    if (!chain) {
        return std::nullopt;
    }
    return fixed + *chain;
}

} // namespace

GifStructure WalkGif(std::span<const uint8_t> data)
{
    GifStructure gif;
    if (data.size() < 3 || data[0] != 'G' || data[1] != 'I' || data[2] != 'F') {
        return gif;
    }
    gif.isGif = true;
    if (data.size() < kPreambleBytes) {
        return gif;
    }
    gif.width = Little16(data, 6);
    gif.height = Little16(data, 8);
    gif.globalTableBytes = ColourTableBytes(data[10]);
    if (kPreambleBytes + gif.globalTableBytes > data.size()) {
        return gif;
    }
    const size_t backgroundIndex = data[11];
    if (gif.globalTableBytes > 0 && 3 * backgroundIndex + 2 < gif.globalTableBytes) {
        const size_t at = kPreambleBytes + 3 * backgroundIndex;
        gif.background
            = (uint32_t { data[at] } << 16) | (uint32_t { data[at + 1] } << 8) | data[at + 2];
    }

    std::optional<GifFrameSlice> pending; // a graphic control extension waiting for its image
    size_t at = kPreambleBytes + gif.globalTableBytes;
    while (at < data.size()) {
        const auto length = BlockLength(data, at);
        if (!length || *length > data.size() - at) {
            return gif; // frames before the fault remain
        }
        const uint8_t introducer = data[at];
        if (introducer == kTrailer) {
            break;
        }
        const uint8_t label = introducer == kExtension ? data[at + 1] : 0;
        if (label == kGraphicControlLabel) {
            pending = GifFrameSlice {};
            pending->begin = at;
            pending->disposal = (data[at + 3] >> 2) & 0x07;
            pending->delay = Little16(data, at + 4);
        } else if (introducer == kImage || label == kPlainTextLabel) {
            GifFrameSlice frame = pending.value_or(GifFrameSlice { at, 0, 0, 0, 0, 0, -1, 0 });
            const size_t geometry = introducer == kImage ? at + 1 : at + 3;
            frame.x = Little16(data, geometry);
            frame.y = Little16(data, geometry + 2);
            frame.width = Little16(data, geometry + 4);
            frame.height = Little16(data, geometry + 6);
            frame.end = at + *length;
            gif.frames.push_back(frame);
            pending.reset();
        }
        at += *length;
    }
    gif.complete = true;
    return gif;
}

std::vector<uint8_t> BuildFrameGif(
    std::span<const uint8_t> data, const GifStructure& gif, const GifFrameSlice& frame)
{
    const size_t preamble = kPreambleBytes + gif.globalTableBytes;
    if (preamble > data.size() || frame.begin > frame.end || frame.end > data.size()) {
        return {};
    }
    std::vector<uint8_t> out;
    out.reserve(preamble + (frame.end - frame.begin) + 1);
    out.insert(out.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(preamble));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(frame.begin),
        data.begin() + static_cast<std::ptrdiff_t>(frame.end));
    out.push_back(kTrailer);
    return out;
}

int FrameDelayMilliseconds(int delay)
{
    return delay < 5 ? 100 : delay * 10;
}

} // namespace velkor
