// The headers of a bitmap file, read in one place: little-endian fields, the 14-byte file
// header, the info header in its 12-byte core form and its 40-byte and longer forms, and the
// colour masks of bit-field pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/DecodedImage.h"

constexpr std::uint64_t kBmpFileHeaderBytes = 14;
constexpr std::uint32_t kBmpCoreHeaderBytes = 12;
constexpr std::uint32_t kBmpInfoHeaderBytes = 40;
constexpr std::size_t kBmpMaskBytes = 12;  // red, green, blue

// Compression field values.
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;

std::uint16_t GetLittle16(const std::uint8_t* p);
std::uint32_t GetLittle32(const std::uint8_t* p);

struct BmpFileHeader {
    bool signature = false;        // starts with "BM"
    std::uint32_t pixelOffset = 0; // where the pixel data starts, from the start of the file
};
BmpFileHeader ParseBmpFileHeader(const std::uint8_t (&bytes)[kBmpFileHeaderBytes]);

// The fields of an info header as they stand, unchecked. `bytes` holds the whole core header
// when its size field says 12, and at least 40 bytes otherwise. A core header has no
// compression, image size or colour count: they read as 0, its 16-bit width and height as
// they are.
BitmapInfoHeader ParseBmpInfoHeader(const std::uint8_t* bytes);

struct BmpColourMasks {
    std::uint32_t red = 0;
    std::uint32_t green = 0;
    std::uint32_t blue = 0;
};
// Three masks, red first, as they follow a 40-byte header or stand inside a longer one.
BmpColourMasks ParseBmpColourMasks(const std::uint8_t (&bytes)[kBmpMaskBytes]);

bool IsFiveFiveFive(const BmpColourMasks& masks);
bool IsFiveSixFive(const BmpColourMasks& masks);
bool IsEightEightEight(const BmpColourMasks& masks);
