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
    // The fourth byte of a 32-bit pixel, or the reserved byte of a colour-table entry, is its
    // opacity (0 transparent, 255 opaque). Only the perceptual criterion looks at it.
    bool alpha = false;
    // Pixels of the stored picture per pixel of this view along each side: a decoder that
    // reduced the picture while decoding (1, 2, 4 or 8).
    int sourceScale = 1;
    bool topDown = false;        // the first memory row is the picture's top row
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
