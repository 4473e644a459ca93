// What the judgment reads of a decoded image.
#pragma once

#include <cstdint>

// One colour-table entry in the Windows bitmap layout.
struct RgbQuad {
    std::uint8_t blue;
    std::uint8_t green;
    std::uint8_t red;
    std::uint8_t reserved;
};

struct PixelView {
    std::int32_t width;          // pixels per row, > 0
    std::int32_t height;         // rows, > 0
    std::int32_t stride;         // bytes from one row to the next
    std::uint16_t bitsPerPixel;  // 2, 4, 8, 16, 24 or 32 are judged
    const std::uint8_t* bits;    // first byte of the first row in memory
};

// The 256-entry table the judgment works on; entries the image does not define are zero.
struct ColourTable {
    RgbQuad entries[256];
};

struct SampleColour {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};
