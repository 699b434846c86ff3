#pragma once

#include <cstdint>
#include <vector>

// A small GIF89a encoder: a global colour table, a looping application extension and frames of
// palette indexes compressed with LZW. Enough to make the program's own animations and test
// pictures.
namespace velkor {

struct GifWriterFrame {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> indexes; // width * height palette indexes, row by row
    int delay = 10; // hundredths of a second
    int disposal = 1; // 0 to 7
    bool withControlExtension = true;
};

class GifWriter {
public:
    // `palette` holds up to 256 colours as 0xRRGGBB.
    GifWriter(int width, int height, std::vector<uint32_t> palette, uint8_t backgroundIndex = 0);

    void AddFrame(const GifWriterFrame& frame);
    // The whole GIF, trailer included.
    std::vector<uint8_t> Finish(bool loop = true) const;

private:
    int width_;
    int height_;
    std::vector<uint32_t> palette_;
    uint8_t backgroundIndex_;
    std::vector<GifWriterFrame> frames_;
};

// LZW data of a GIF image: the minimum code size byte, then the sub-blocks and their terminator.
std::vector<uint8_t> EncodeGifImageData(const std::vector<uint8_t>& indexes, int bitsPerIndex);

} // namespace velkor
