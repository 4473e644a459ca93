#include "image/BmpReader.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "image/BitmapFile.h"
#include "support/BmpFiles.h"

namespace {

ImagePtr Read(const Bytes& file) {
    return ImagePtr(ReadBitmapBytes(file.data(), file.size()));
}

ImagePtr Read(const BmpFields& bmp) {
    return Read(BuildBmp(bmp));
}

// Uncompressed rows; depths with a table get two colours.
BmpFields Plain(std::uint16_t bitCount, std::int32_t width, std::vector<Bytes> rows) {
    BmpFields bmp;
    bmp.width = width;
    bmp.height = static_cast<std::int32_t>(rows.size());
    bmp.bitCount = bitCount;
    if (bitCount <= 8) {
        bmp.colourUsed = 2;
        bmp.colours = {{0, 0, 0, 0}, {30, 20, 10, 0}};
    }
    bmp.rows = std::move(rows);
    return bmp;
}

BmpFields RleFile(std::uint16_t bitCount, std::int32_t width, std::int32_t height, const Bytes& data) {
    BmpFields bmp;
    bmp.width = width;
    bmp.height = height;
    bmp.bitCount = bitCount;
    bmp.compression = bitCount == 8 ? 1 : 2;
    bmp.colourUsed = 2;
    bmp.colours = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    bmp.pixelData = data;
    return bmp;
}

BmpFields BitfieldFile(std::uint16_t bitCount, std::vector<std::uint32_t> masks, const Bytes& row) {
    BmpFields bmp;
    bmp.width = static_cast<std::int32_t>(row.size() / (bitCount / 8));
    bmp.bitCount = bitCount;
    bmp.compression = 3;
    bmp.masks = std::move(masks);
    bmp.rows = {row};
    return bmp;
}

}  // namespace

TEST(BmpFiles, WritesHeadersTablesAndPaddedRowsByteForByte) {
    BmpFields info;
    info.width = 2;
    info.rows = {{1, 2, 3, 4, 5, 6}};
    EXPECT_EQ((Bytes{'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
                     40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                     0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                     1, 2, 3, 4, 5, 6, 0, 0}),
              BuildBmp(info));

    BmpFields core = Plain(1, 3, {{0x40}, {0x80}});
    core.headerSize = 12;
    EXPECT_EQ((Bytes{'B', 'M', 40, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0, 0,
                     12, 0, 0, 0, 3, 0, 2, 0, 1, 0, 1, 0,
                     0, 0, 0, 30, 20, 10,
                     0x40, 0, 0, 0, 0x80, 0, 0, 0}),
              BuildBmp(core));

    BmpFields v4 = BitfieldFile(16, {0xF800, 0x07E0, 0x001F}, {0, 0});
    v4.headerSize = 108;
    const Bytes bytes = BuildBmp(v4);
    ASSERT_EQ(126u, bytes.size());
    EXPECT_EQ(122, bytes[10]);
    EXPECT_EQ((Bytes{0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0}), Bytes(bytes.begin() + 54, bytes.begin() + 66));
}

TEST(BmpReader, UncompressedFilesKeepTheirDepthAndRowBytes) {
    BmpFields core1 = Plain(1, 9, {{0xFF, 0x80}});
    core1.headerSize = 12;
    BmpFields core24 = Plain(24, 1, {{7, 8, 9}});
    core24.headerSize = 12;
    const struct {
        const char* name;
        BmpFields bmp;
        int bitsPerPixel;
        std::vector<Bytes> rows;
    } cases[] = {
        {"1 bit", Plain(1, 3, {{0xA0}, {0x40}}), 1, {{0xA0, 0, 0, 0}, {0x40, 0, 0, 0}}},
        {"4 bits", Plain(4, 3, {{0x12, 0x30}}), 4, {{0x12, 0x30, 0, 0}}},
        {"8 bits", Plain(8, 5, {{1, 0, 1, 1, 0}}), 8, {{1, 0, 1, 1, 0, 0, 0, 0}}},
        {"16 bits", Plain(16, 2, {{0x1F, 0x00, 0x00, 0x7C}}), 16, {{0x1F, 0x00, 0x00, 0x7C}}},
        {"24 bits", Plain(24, 2, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}}), 24,
         {{1, 2, 3, 4, 5, 6, 0, 0}, {7, 8, 9, 10, 11, 12, 0, 0}}},
        {"32 bits", Plain(32, 1, {{1, 2, 3, 4}}), 32, {{1, 2, 3, 4}}},
        {"core 1 bit", core1, 1, {{0xFF, 0x80, 0, 0}}},
        {"core 24 bits", core24, 24, {{7, 8, 9, 0}}},
        {"5-5-5 fields", BitfieldFile(16, {0x7C00, 0x03E0, 0x001F}, {0x1F, 0x00}), 16, {{0x1F, 0x00, 0, 0}}},
        {"8-8-8 fields", BitfieldFile(32, {0xFF0000, 0x00FF00, 0x0000FF}, {1, 2, 3, 4}), 32, {{1, 2, 3, 4}}},
    };
    for (const auto& c : cases) {
        ImagePtr image = Read(c.bmp);
        ASSERT_TRUE(image) << c.name;
        EXPECT_EQ(c.bitsPerPixel, image->bitsPerPixel) << c.name;
        EXPECT_FALSE(image->topDown) << c.name;
        ASSERT_EQ(static_cast<int>(c.rows.size()), image->height) << c.name;
        for (int row = 0; row < image->height; ++row) {
            EXPECT_EQ(c.rows[static_cast<std::size_t>(row)], MemoryRow(*image, row)) << c.name << " row " << row;
        }
    }
}

TEST(BmpReader, ColourTablesComeFromTheFileCappedToTheDepth) {
    BmpFields four = Plain(4, 1, {{0x10}});
    four.colourUsed = 3;
    four.colours = {{1, 1, 1, 7}, {2, 2, 2, 7}, {30, 20, 10, 7}};
    ImagePtr image = Read(four);
    ASSERT_TRUE(image);
    ASSERT_EQ(3, image->colourCount);
    EXPECT_EQ(30, image->colourTable[2].blue);
    EXPECT_EQ(20, image->colourTable[2].green);
    EXPECT_EQ(10, image->colourTable[2].red);
    EXPECT_EQ(0, image->colourTable[2].reserved);

    BmpFields capped = Plain(1, 1, {{0x80}});
    capped.colourUsed = 300;
    image = Read(capped);
    ASSERT_TRUE(image);
    EXPECT_EQ(2, image->colourCount);

    // Core entries are three bytes; unstated counts mean the full table.
    BmpFields core = Plain(4, 1, {{0xF0}});
    core.headerSize = 12;
    core.colours.assign(16, {9, 9, 9, 9});
    core.colours[15] = {40, 50, 60, 99};
    image = Read(core);
    ASSERT_TRUE(image);
    ASSERT_EQ(16, image->colourCount);
    EXPECT_EQ(40, image->colourTable[15].blue);
    EXPECT_EQ(60, image->colourTable[15].red);
    EXPECT_EQ(0, image->colourTable[15].reserved);
}

TEST(BmpReader, NegativeHeightGivesTopDownRowsInFileOrder) {
    BmpFields bmp = Plain(24, 1, {{1, 2, 3}, {4, 5, 6}});
    bmp.height = -2;
    ImagePtr image = Read(bmp);
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->topDown);
    EXPECT_EQ(2, image->height);
    EXPECT_EQ((Bytes{1, 2, 3, 0}), MemoryRow(*image, 0));
    EXPECT_EQ((Bytes{4, 5, 6, 0}), MemoryRow(*image, 1));
}

TEST(BmpReader, SixteenBitFieldsOtherThanFiveFiveFiveBecomeTwentyFourBitColours) {
    // 4-4-4: 0x0F00 full red, 0x0080 half green, 0x000F full blue.
    ImagePtr image = Read(BitfieldFile(16, {0x0F00, 0x00F0, 0x000F}, {0x00, 0x0F, 0x80, 0x00, 0x0F, 0x00}));
    ASSERT_TRUE(image);
    EXPECT_EQ(24, image->bitsPerPixel);
    EXPECT_EQ(3, image->width);
    EXPECT_EQ((Bytes{0, 0, 255, 0, 136, 0, 255, 0, 0, 0, 0, 0}), MemoryRow(*image, 0));

    // 5-6-5: magenta and green at full strength.
    image = Read(BitfieldFile(16, {0xF800, 0x07E0, 0x001F}, {0x1F, 0xF8, 0xE0, 0x07}));
    ASSERT_TRUE(image);
    EXPECT_EQ(24, image->bitsPerPixel);
    EXPECT_EQ((Bytes{255, 0, 255, 0, 255, 0, 0, 0}), MemoryRow(*image, 0));
}

TEST(BmpReader, ThirtyTwoBitFieldsArriveAsBlueGreenRed) {
    // Ten bits a channel: red all ones, green half, blue nearly nothing.
    ImagePtr image = Read(BitfieldFile(32, {0x3FF00000, 0x000FFC00, 0x000003FF}, {0x01, 0x00, 0xF8, 0x3F}));
    ASSERT_TRUE(image);
    EXPECT_EQ(32, image->bitsPerPixel);
    EXPECT_EQ((Bytes{0, 128, 255, 0}), MemoryRow(*image, 0));

    // Red, green, blue in byte order; the masks sit in the header from 52 bytes on.
    for (std::uint32_t headerSize : {40u, 52u, 56u, 108u, 124u}) {
        BmpFields bmp = BitfieldFile(32, {0x0000FF, 0x00FF00, 0xFF0000}, {1, 2, 3, 4});
        bmp.headerSize = headerSize;
        image = Read(bmp);
        ASSERT_TRUE(image) << headerSize;
        EXPECT_EQ((Bytes{3, 2, 1, 0}), MemoryRow(*image, 0)) << headerSize;
    }

    BmpFields alpha = BitfieldFile(32, {0x0000FF, 0x00FF00, 0xFF0000, 0xFF000000}, {1, 2, 3, 4});
    alpha.compression = 6;
    image = Read(alpha);
    ASSERT_TRUE(image);
    EXPECT_EQ((Bytes{3, 2, 1, 0}), MemoryRow(*image, 0));
}

TEST(BmpReader, Rle8DecodesRunsAbsoluteRunsDeltasAndLineEnds) {
    const Bytes data{0x03, 0x01, 0x00, 0x00,                    // 1 1 1, end of line
                     0x00, 0x03, 0x02, 0x03, 0x01, 0x00,        // 2 3 1 as they are, padded
                     0x00, 0x00,                                // end of line
                     0x00, 0x02, 0x01, 0x01,                    // one right, one up
                     0x02, 0x02, 0x00, 0x01};                   // 2 2, end of bitmap
    ImagePtr image = Read(RleFile(8, 4, 4, data));
    ASSERT_TRUE(image);
    EXPECT_EQ(8, image->bitsPerPixel);
    EXPECT_EQ(2, image->colourCount);
    EXPECT_EQ((Bytes{1, 1, 1, 0}), MemoryRow(*image, 0));
    EXPECT_EQ((Bytes{2, 3, 1, 0}), MemoryRow(*image, 1));
    EXPECT_EQ((Bytes{0, 0, 0, 0}), MemoryRow(*image, 2));
    EXPECT_EQ((Bytes{0, 2, 2, 0}), MemoryRow(*image, 3));
}

TEST(BmpReader, Rle4DecodesNibblesRunsDeltasAndLineEnds) {
    const Bytes data{0x00, 0x05, 0x12, 0x34, 0x50, 0x00,  // 1 2 3 4 5 as they are, padded
                     0x01, 0x60, 0x00, 0x00,              // 6, end of line
                     0x04, 0x78,                          // 7 8 7 8
                     0x00, 0x02, 0x01, 0x00,              // one right
                     0x01, 0xF0, 0x00, 0x01};             // F, end of bitmap
    ImagePtr image = Read(RleFile(4, 6, 2, data));
    ASSERT_TRUE(image);
    EXPECT_EQ(4, image->bitsPerPixel);
    EXPECT_EQ((Bytes{0x12, 0x34, 0x56, 0}), MemoryRow(*image, 0));
    EXPECT_EQ((Bytes{0x78, 0x78, 0x0F, 0}), MemoryRow(*image, 1));
}

TEST(BmpReader, RleDataStaysInsideTheImageAndItsOwnBytes) {
    // Runs longer than a row lose the pixels beyond it; the row padding is never written.
    ImagePtr image = Read(RleFile(8, 2, 2, {0xFF, 0x01, 0x00, 0x00, 0x00, 0x06, 2, 2, 2, 2, 2, 2, 0x00, 0x01}));
    ASSERT_TRUE(image);
    EXPECT_EQ((Bytes{1, 1, 0, 0}), MemoryRow(*image, 0));
    EXPECT_EQ((Bytes{2, 2, 0, 0}), MemoryRow(*image, 1));

    image = Read(RleFile(4, 3, 1, {0xFF, 0x12, 0x00, 0x01}));
    ASSERT_TRUE(image);
    EXPECT_EQ((Bytes{0x12, 0x10, 0, 0}), MemoryRow(*image, 0));

    // A delta past the last row ends the picture; later runs draw nothing.
    image = Read(RleFile(8, 2, 2, {0x00, 0x02, 0xFF, 0xFF, 0x02, 0x01}));
    ASSERT_TRUE(image);
    EXPECT_EQ((Bytes{0, 0, 0, 0}), MemoryRow(*image, 0));
    EXPECT_EQ((Bytes{0, 0, 0, 0}), MemoryRow(*image, 1));

    // Data cut inside an absolute run keeps what arrived.
    image = Read(RleFile(8, 4, 1, {0x00, 0x06, 0x01}));
    ASSERT_TRUE(image);
    EXPECT_EQ((Bytes{1, 0, 0, 0}), MemoryRow(*image, 0));

    // The image size field bounds the compressed data: the second run lies beyond it.
    BmpFields limited = RleFile(8, 4, 1, {0x02, 0x01, 0x02, 0x01});
    limited.sizeImage = 2;
    image = Read(limited);
    ASSERT_TRUE(image);
    EXPECT_EQ((Bytes{1, 1, 0, 0}), MemoryRow(*image, 0));

    BmpFields topDown = RleFile(8, 2, -2, {0x02, 0x01, 0x00, 0x01});
    EXPECT_FALSE(Read(topDown));
}

TEST(BmpReader, HostileHeadersAndShortFilesGiveNothing) {
    BmpFields base;
    base.width = 2;
    base.height = 2;
    base.rows = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};
    ASSERT_TRUE(Read(base));

    const std::vector<std::pair<const char*, std::function<void(BmpFields&)>>> mutations = {
        {"header size 0", [](BmpFields& s) { s.headerSize = 0; }},
        {"header size 64", [](BmpFields& s) { s.headerSize = 64; }},
        {"width 0", [](BmpFields& s) { s.width = 0; }},
        {"negative width", [](BmpFields& s) { s.width = -2; }},
        {"height 0", [](BmpFields& s) { s.height = 0; }},
        {"most negative height", [](BmpFields& s) { s.height = INT32_MIN; }},
        {"huge width", [](BmpFields& s) { s.width = INT32_MAX; }},
        {"huge height", [](BmpFields& s) { s.height = INT32_MAX; }},
        {"huge area", [](BmpFields& s) { s.width = s.height = 65536; }},
        {"planes 0", [](BmpFields& s) { s.planes = 0; }},
        {"planes 2", [](BmpFields& s) { s.planes = 2; }},
        {"bit count 0", [](BmpFields& s) { s.bitCount = 0; }},
        {"bit count 7", [](BmpFields& s) { s.bitCount = 7; }},
        {"bit count 64", [](BmpFields& s) { s.bitCount = 64; }},
        {"RLE8 at 24 bits", [](BmpFields& s) { s.compression = 1; }},
        {"bit fields at 24 bits", [](BmpFields& s) { s.compression = 3; s.masks = {0xFF0000, 0xFF00, 0xFF}; }},
        {"embedded JPEG", [](BmpFields& s) { s.compression = 4; }},
        {"unknown compression", [](BmpFields& s) { s.compression = 0x7FFFFFFF; }},
        {"pixel offset 0", [](BmpFields& s) { s.pixelOffset = 0; }},
        {"pixel offset inside the header", [](BmpFields& s) { s.pixelOffset = 30; }},
        {"pixel offset past the end", [](BmpFields& s) { s.pixelOffset = 0xFFFFFFFF; }},
        {"last row cut", [](BmpFields& s) { s.rows.pop_back(); }},
        {"core header at 32 bits", [](BmpFields& s) { s.headerSize = 12; s.bitCount = 32; s.rows = {{1, 2, 3, 4}}; }},
        {"table cut short", [](BmpFields& s) { s.bitCount = 8; s.colourUsed = 200; s.rows.clear(); }},
        {"mask with a gap", [](BmpFields& s) {
             s.bitCount = 16; s.compression = 3; s.masks = {0x0F0F, 0x00F0, 0x0000}; s.rows = {{0, 0}, {0, 0}};
         }},
        {"RLE4 at 8 bits", [](BmpFields& s) { s.bitCount = 8; s.compression = 2; s.colourUsed = 1; s.colours = {{}}; }},
    };
    for (const auto& [name, mutate] : mutations) {
        BmpFields bmp = base;
        mutate(bmp);
        EXPECT_FALSE(Read(bmp)) << name;
    }

    Bytes wrongSignature = BuildBmp(base);
    wrongSignature[0] = 'X';
    EXPECT_FALSE(Read(wrongSignature));
    EXPECT_FALSE(Read(Bytes{}));
    EXPECT_FALSE(Read(Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0}));
    EXPECT_FALSE(ReadBitmapBytes(nullptr, 10));
}

TEST(BmpReader, ByteFlipsAndTruncationsNeverMisbehave) {
    BmpFields bitfields = BitfieldFile(16, {0x0F00, 0x00F0, 0x000F}, {0x00, 0x0F, 0x80, 0x00, 0x0F, 0x00});
    bitfields.height = 2;
    bitfields.rows.push_back(bitfields.rows[0]);
    BmpFields v5 = BitfieldFile(32, {0x3FF00000, 0x000FFC00, 0x000003FF}, {1, 2, 3, 4, 5, 6, 7, 8});
    v5.headerSize = 124;
    BmpFields core = Plain(1, 9, {{0xFF, 0x80}});
    core.headerSize = 12;
    const std::vector<Bytes> files = {
        BuildBmp(RleFile(8, 4, 4, {0x03, 0x01, 0x00, 0x00, 0x00, 0x03, 0x02, 0x03, 0x01, 0x00, 0x00, 0x02,
                                   0x01, 0x01, 0x02, 0x02, 0x00, 0x01})),
        BuildBmp(RleFile(4, 6, 2, {0x00, 0x05, 0x12, 0x34, 0x50, 0x00, 0x01, 0x60, 0x00, 0x00, 0x04, 0x78,
                                   0x00, 0x02, 0x01, 0x00, 0x01, 0xF0, 0x00, 0x01})),
        BuildBmp(bitfields), BuildBmp(v5), BuildBmp(core)};

    int images = 0;
    const auto check = [&images](const Bytes& bytes) {
        ImagePtr image = Read(bytes);
        if (!image) return;
        ++images;
        ASSERT_GT(image->width, 0);
        ASSERT_GT(image->height, 0);
        ASSERT_LE(image->colourCount, 256);
    };
    for (const Bytes& file : files) {
        for (std::size_t length = 0; length < file.size(); ++length) {
            check(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length)));
        }
        for (std::size_t i = 0; i < file.size(); ++i) {
            for (int variant = 0; variant < 4; ++variant) {
                Bytes mutated = file;
                const std::uint8_t values[] = {static_cast<std::uint8_t>(file[i] ^ 0xFF), 0x00, 0x7F, 0x80};
                mutated[i] = values[variant];
                check(mutated);
            }
        }
    }
    // Most flips land in pixel data or fields that do not matter; the sweep must not be
    // vacuous because every mutant was refused.
    EXPECT_GT(images, 100);
}

TEST(BmpReader, CheckFindsWhatTheHeadersDeclareAndTheFileLacks) {
    const auto check = [](const BmpFields& bmp) {
        const Bytes bytes = BuildBmp(bmp);
        return CheckBitmapBytes(bytes.data(), bytes.size());
    };
    BmpFields plain;
    plain.width = 2;
    plain.height = 2;
    plain.rows = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};
    BitmapFileCheck result = check(plain);
    EXPECT_TRUE(result.accepted && result.whole && !result.topDown);

    const Bytes cut = [&] { Bytes b = BuildBmp(plain); b.pop_back(); return b; }();
    result = CheckBitmapBytes(cut.data(), cut.size());
    EXPECT_TRUE(result.accepted && !result.whole);

    BmpFields topDown = plain;
    topDown.height = -2;
    result = check(topDown);
    EXPECT_TRUE(result.accepted && result.whole && result.topDown);

    // Sixteen colours stated for a 24-bit picture, and no room for them in the file.
    BmpFields statedTable = plain;
    statedTable.colourUsed = 16;
    EXPECT_FALSE(check(statedTable).whole);

    // Compressed data must state its size, and the file must hold that much.
    BmpFields rle = RleFile(8, 4, 1, {0x04, 0x01, 0x00, 0x01});
    EXPECT_FALSE(check(rle).whole);
    rle.sizeImage = 4;
    EXPECT_TRUE(check(rle).whole);
    rle.sizeImage = 5;
    EXPECT_FALSE(check(rle).whole);
    // A few bytes of runs claiming four gigabytes of picture.
    BmpFields huge = RleFile(8, 65536, 65536, {0x00, 0x01});
    huge.sizeImage = 2;
    result = check(huge);
    EXPECT_TRUE(result.accepted && !result.whole);

    BmpFields jpeg = plain;
    jpeg.compression = 4;
    EXPECT_FALSE(check(jpeg).accepted);
    EXPECT_FALSE(CheckBitmapBytes(nullptr, 10).accepted);
}

class BitmapFileLoad : public BmpFileTest {};

TEST_F(BitmapFileLoad, ReadsAFileByItsPathAndFailsOnAMissingOne) {
    BmpFields bmp;
    bmp.width = 2;
    bmp.height = -1;
    bmp.rows = {{1, 2, 3, 4, 5, 6}};
    ImagePtr image(platform::LoadBitmapFile(WriteFile("picture.bmp", BuildBmp(bmp))));
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->topDown);
    EXPECT_EQ((Bytes{1, 2, 3, 4, 5, 6, 0, 0}), MemoryRow(*image, 0));

    EXPECT_FALSE(platform::LoadBitmapFile(folder_.Path() / "absent.bmp"));
    EXPECT_FALSE(platform::LoadBitmapFile(folder_.Path()));
}

// A system loader that trusts the headers would read past the end of these files.
TEST_F(BitmapFileLoad, FileCutInsideItsPixelsFailsAndCutRleDataKeepsWhatItDrew) {
    BmpFields plain;
    plain.width = 128;
    plain.height = 128;
    plain.rows.assign(128, Bytes(128 * 3, 0x80));
    Bytes cut = BuildBmp(plain);
    cut.resize(cut.size() / 4);
    EXPECT_FALSE(platform::LoadBitmapFile(WriteFile("cut.bmp", cut)));

    BmpFields rle = RleFile(8, 4, 2, {0x04, 0x01, 0x00, 0x00});
    rle.sizeImage = 4096;
    ImagePtr image(platform::LoadBitmapFile(WriteFile("rle.bmp", BuildBmp(rle))));
    ASSERT_TRUE(image);
    EXPECT_EQ(8, image->bitsPerPixel);
    EXPECT_EQ((Bytes{1, 1, 1, 1}), MemoryRow(*image, 0));
    EXPECT_EQ((Bytes{0, 0, 0, 0}), MemoryRow(*image, 1));
}

TEST(BmpReader, ReadsTheJpegLibrarysSampleBitmaps) {
    const std::filesystem::path folder =
        std::filesystem::path(PALLIDOR_SOURCES_DIR) / "libjpeg-turbo-2.1.5" / "testimages";
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) GTEST_SKIP() << "no sources at " << folder;
    const struct {
        const char* name;
        int width;
        int height;
    } samples[] = {{"nightshot_iso_100.bmp", 192, 144},
                   {"vgl_5674_0098.bmp", 120, 96},
                   {"vgl_6434_0018a.bmp", 119, 96},
                   {"vgl_6548_0026a.bmp", 128, 95}};
    for (const auto& sample : samples) {
        ImagePtr image(platform::LoadBitmapFile(folder / sample.name));
        ASSERT_TRUE(image) << sample.name;
        EXPECT_EQ(sample.width, image->width) << sample.name;
        EXPECT_EQ(sample.height, image->height) << sample.name;
        EXPECT_EQ(24, image->bitsPerPixel) << sample.name;
    }
    ImagePtr nightshot(platform::LoadBitmapFile(folder / "nightshot_iso_100.bmp"));
    ASSERT_TRUE(nightshot);
    EXPECT_EQ((Bytes{0x06, 0x1A, 0x21, 0x01, 0x1A, 0x21}), Bytes(nightshot->bits, nightshot->bits + 6));
}
