// Bitmap files written byte by byte for the tests, and a fresh folder to put them in.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "image/DecodedImage.h"
#include "support/ImageFiles.h"

using Bytes = std::vector<std::uint8_t>;

// One bitmap file. Fields are written as they are, hostile values included.
struct BmpFields {
    std::uint32_t headerSize = 40;      // 12 (core), 40, 52, 56, 108 or 124; anything else too
    std::int32_t width = 1;             // 16 bits in a core header
    std::int32_t height = 1;            // negative: top-down
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::uint32_t colourUsed = 0;
    // Red, green, blue (and alpha) masks: after a 40-byte header, inside a larger one.
    std::vector<std::uint32_t> masks;
    // Blue, green, red, reserved; a core header gets the first three bytes of each.
    std::vector<std::array<std::uint8_t, 4>> colours;
    // Rows in file order, each padded with zeros to a multiple of 4 bytes; or, when there are
    // no rows, `pixelData` as it is (compressed data).
    std::vector<Bytes> rows;
    Bytes pixelData;
    // The pixel-data offset of the file header; by default the end of the colour table.
    std::optional<std::uint32_t> pixelOffset;
};

Bytes BuildBmp(const BmpFields& bmp);

struct ImageDeleter {
    void operator()(DecodedImage* image) const { DestroyDecodedImage(image); }
};
using ImagePtr = std::unique_ptr<DecodedImage, ImageDeleter>;

// The bytes of one row of an image, padding included, counted in memory order.
Bytes MemoryRow(const DecodedImage& image, int row);

// A fresh folder per test under the system's temporary folder, removed afterwards.
class BmpFileTest : public ::testing::Test {
protected:
    // Writes `bytes` to `name` in the folder and returns its absolute path.
    std::filesystem::path WriteFile(const char* name, const Bytes& bytes) const;

    testimages::TempFolder folder_;
};
