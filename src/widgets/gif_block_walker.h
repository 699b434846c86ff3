#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Splits a GIF stream into its frames without decoding any pixels: the walker follows the block
// structure (extensions, image descriptors, sub-block chains) and records where each frame's
// blocks lie, so that every frame can be handed to an image decoder as a GIF of its own. Every
// length is checked against the end of the data; a block that runs past it ends the walk.
namespace velkor {

struct GifFrameSlice {
    size_t begin = 0; // first byte: the frame's graphic control extension, or its image
    size_t end = 0; // one past the last byte of its image data
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int delay = -1; // hundredths of a second; -1 without a graphic control extension
    int disposal = 0; // 0 to 7
};

struct GifStructure {
    bool isGif = false; // the data begins with "GIF"
    bool complete = false; // the walk reached the trailer or the end without a fault
    int width = 0; // logical screen
    int height = 0;
    size_t globalTableBytes = 0; // 3 * 2^(n+1), 0 without a global colour table
    std::optional<uint32_t> background; // 0xRRGGBB from the global table, when it has one
    std::vector<GifFrameSlice> frames;
};

GifStructure WalkGif(std::span<const uint8_t> data);

// A stand-alone GIF for one frame: the source's header, logical screen descriptor and global
// colour table, the frame's blocks and a trailer.
std::vector<uint8_t> BuildFrameGif(
    std::span<const uint8_t> data, const GifStructure& gif, const GifFrameSlice& frame);

// How long a frame stays: 100 ms below 5 hundredths (and without a delay), else delay x 10 ms.
int FrameDelayMilliseconds(int delay);

} // namespace velkor
