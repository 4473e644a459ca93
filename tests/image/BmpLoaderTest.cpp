#include <gtest/gtest.h>

#include <string>

#include "image/DecodedImage.h"
#include "support/BmpFiles.h"

namespace {

constexpr std::array<std::uint8_t, 4> kBlack{0, 0, 0, 0};
constexpr std::array<std::uint8_t, 4> kWhite{255, 255, 255, 0};
constexpr std::array<std::uint8_t, 4> kBlue{255, 0, 0, 0};
constexpr std::array<std::uint8_t, 4> kRed{0, 0, 255, 0};

BmpFields OneBitFile(std::uint32_t colourUsed, std::array<std::uint8_t, 4> first, std::array<std::uint8_t, 4> second) {
    BmpFields bmp;
    bmp.width = 8;
    bmp.bitCount = 1;
    bmp.colourUsed = colourUsed;
    bmp.colours = {first, second};
    bmp.rows = {{0x0F}};
    return bmp;
}

BmpFields SixteenBitFile(std::vector<std::uint32_t> masks, std::int32_t width, std::vector<Bytes> rows) {
    BmpFields bmp;
    bmp.width = width;
    bmp.height = static_cast<std::int32_t>(rows.size());
    bmp.bitCount = 16;
    bmp.compression = 3;
    bmp.masks = std::move(masks);
    bmp.rows = std::move(rows);
    return bmp;
}

const std::vector<std::uint32_t> k555{0x7C00, 0x03E0, 0x001F};
const std::vector<std::uint32_t> k565{0xF800, 0x07E0, 0x001F};

}  // namespace

class BmpLoader : public BmpFileTest {
protected:
    // LoadBmpFile on `bytes` written to a file; the verdict lands in earlyVerdict_.
    ImagePtr Load(const Bytes& bytes) {
        earlyVerdict_ = -1;
        return ImagePtr(LoadBmpFile(WriteFile("picture.bmp", bytes), earlyVerdict_));
    }

    int earlyVerdict_ = -1;
};

TEST_F(BmpLoader, OneBitFileWithoutTwoColoursUsedIsMonochromeWithoutReadingItsTable) {
    // Red and blue entries would make it colour if the table were read.
    for (std::uint32_t colourUsed : {0u, 1u, 3u}) {
        EXPECT_FALSE(Load(BuildBmp(OneBitFile(colourUsed, kRed, kBlue))));
        EXPECT_EQ(1, earlyVerdict_) << colourUsed;
    }
    BmpFields noTable = OneBitFile(0, kRed, kBlue);
    noTable.headerSize = 124;
    Bytes bytes = BuildBmp(noTable);
    bytes.resize(14 + 124);
    EXPECT_FALSE(Load(bytes));
    EXPECT_EQ(1, earlyVerdict_);
}

TEST_F(BmpLoader, OneBitFileWithTwoColoursIsDecidedByItsTwoEntries) {
    EXPECT_FALSE(Load(BuildBmp(OneBitFile(2, kBlack, kWhite))));
    EXPECT_EQ(1, earlyVerdict_);
    EXPECT_FALSE(Load(BuildBmp(OneBitFile(2, {0x80, 0x80, 0x80, 7}, {0x20, 0x20, 0x20, 0}))));
    EXPECT_EQ(1, earlyVerdict_);
    EXPECT_FALSE(Load(BuildBmp(OneBitFile(2, kBlack, kBlue))));
    EXPECT_EQ(2, earlyVerdict_);
    EXPECT_FALSE(Load(BuildBmp(OneBitFile(2, {0, 255, 255, 0}, kWhite))));
    EXPECT_EQ(2, earlyVerdict_);

    // The table follows a larger header; at offset 54 this file has only zeros (gray).
    BmpFields v4 = OneBitFile(2, kBlack, kBlue);
    v4.headerSize = 108;
    EXPECT_FALSE(Load(BuildBmp(v4)));
    EXPECT_EQ(2, earlyVerdict_);
}

TEST_F(BmpLoader, OneBitFileWithAnUnreadableTableGetsNoVerdict) {
    Bytes cut = BuildBmp(OneBitFile(2, kBlack, kBlue));
    cut.resize(54 + 4);
    EXPECT_FALSE(Load(cut));
    EXPECT_EQ(0, earlyVerdict_);

    // A header size near 2^32 puts the table far beyond the file, not back inside its header.
    Bytes huge = BuildBmp(OneBitFile(2, kBlack, kBlue));
    huge[14] = 0xF5;
    huge[15] = huge[16] = huge[17] = 0xFF;
    EXPECT_FALSE(Load(huge));
    EXPECT_EQ(0, earlyVerdict_);
}

TEST_F(BmpLoader, FiveSixFiveWordsAreRewrittenAsFiveFiveFivePaddingIncluded) {
    ImagePtr image = Load(BuildBmp(SixteenBitFile(k565, 3, {{0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00},
                                                            {0x1F, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF}})));
    ASSERT_TRUE(image);
    EXPECT_EQ(0, earlyVerdict_);
    EXPECT_EQ(3, image->width);
    EXPECT_EQ(2, image->height);
    EXPECT_EQ(16, image->bitsPerPixel);
    EXPECT_EQ(8, image->stride);
    EXPECT_FALSE(image->topDown);
    EXPECT_EQ(0, image->colourCount);
    EXPECT_EQ((Bytes{0xFF, 0x7F, 0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00}), MemoryRow(*image, 0));
    EXPECT_EQ((Bytes{0x1F, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x7F}), MemoryRow(*image, 1));
}

TEST_F(BmpLoader, FiveFiveFiveRowsAreTakenAsTheyAreAndNegativeHeightIsTopDown) {
    BmpFields bmp = SixteenBitFile(k555, 2, {{0xFF, 0xFF, 0x00, 0x7C}, {0xE0, 0x03, 0x1F, 0x00}});
    bmp.height = -2;
    for (std::uint32_t headerSize : {40u, 108u}) {
        bmp.headerSize = headerSize;
        ImagePtr image = Load(BuildBmp(bmp));
        ASSERT_TRUE(image) << headerSize;
        EXPECT_TRUE(image->topDown);
        EXPECT_EQ(2, image->height);
        EXPECT_EQ((Bytes{0xFF, 0xFF, 0x00, 0x7C}), MemoryRow(*image, 0));
        EXPECT_EQ((Bytes{0xE0, 0x03, 0x1F, 0x00}), MemoryRow(*image, 1));
    }
}

TEST_F(BmpLoader, ShortFiveFiveFiveDataLeavesTheMissingRowsBlack) {
    BmpFields bmp = SixteenBitFile(k555, 2, {});
    bmp.height = 3;
    bmp.pixelData = {0x1F, 0x00, 0xE0, 0x03, 0x00, 0x7C};
    ImagePtr image = Load(BuildBmp(bmp));
    ASSERT_TRUE(image);
    EXPECT_EQ((Bytes{0x1F, 0x00, 0xE0, 0x03}), MemoryRow(*image, 0));
    EXPECT_EQ((Bytes{0x00, 0x7C, 0x00, 0x00}), MemoryRow(*image, 1));
    EXPECT_EQ((Bytes{0x00, 0x00, 0x00, 0x00}), MemoryRow(*image, 2));
}

TEST_F(BmpLoader, DeclinesEverythingElseSilently) {
    BmpFields plain16 = SixteenBitFile(k555, 2, {{0, 0, 0, 0}});
    plain16.compression = 0;
    plain16.masks.clear();
    BmpFields trueColour;
    trueColour.rows = {{1, 2, 3}};
    BmpFields core = OneBitFile(0, kBlack, kWhite);
    core.headerSize = 12;
    Bytes masksCut = BuildBmp(SixteenBitFile(k555, 2, {}));
    masksCut.resize(54 + 8);
    Bytes infoCut = BuildBmp(trueColour);
    infoCut.resize(30);
    BmpFields hugeWidth = SixteenBitFile(k555, INT32_MAX, {{0, 0, 0, 0}});
    BmpFields hugeArea = SixteenBitFile(k555, 65536, {{0, 0, 0, 0}});
    hugeArea.height = 65536;
    BmpFields mostNegative = SixteenBitFile(k555, 2, {{0, 0, 0, 0}});
    mostNegative.height = INT32_MIN;

    const std::vector<std::pair<const char*, Bytes>> files = {
        {"16 bits uncompressed", BuildBmp(plain16)}, {"24 bits", BuildBmp(trueColour)},
        {"core header", BuildBmp(core)},             {"masks cut short", masksCut},
        {"info header cut short", infoCut},          {"huge width", BuildBmp(hugeWidth)},
        {"huge area", BuildBmp(hugeArea)},           {"most negative height", BuildBmp(mostNegative)},
        {"4-4-4 masks", BuildBmp(SixteenBitFile({0x0F00, 0x00F0, 0x000F}, 2, {{0, 0, 0, 0}}))},
        {"empty", Bytes{}}};
    for (const auto& [name, bytes] : files) {
        EXPECT_FALSE(Load(bytes)) << name;
        EXPECT_EQ(0, earlyVerdict_) << name;
    }
    earlyVerdict_ = -1;
    EXPECT_FALSE(ImagePtr(LoadBmpFile(folder_.Path() / "absent.bmp", earlyVerdict_)));
    EXPECT_EQ(0, earlyVerdict_);
}

class BmpJudgment : public BmpFileTest {
protected:
    // Judges `bytes` as a .bmp file; the text lands in errorText_.
    int Judge(const Bytes& bytes) {
        errorText_.clear();
        return JudgeBmpFile(WriteFile("picture.bmp", bytes), params, errorText_);
    }

    std::string errorText_;
    JudgeParams params;  // grayscale-only, every pixel, no tolerance
};

TEST_F(BmpJudgment, EarlyVerdictsLeaveTheTextEmpty) {
    EXPECT_EQ(1, Judge(BuildBmp(OneBitFile(2, kBlack, kWhite))));
    EXPECT_EQ("", errorText_);
    EXPECT_EQ(0, Judge(BuildBmp(OneBitFile(2, kBlack, kBlue))));
    EXPECT_EQ("", errorText_);
    EXPECT_EQ(1, Judge(BuildBmp(OneBitFile(0, kRed, kBlue))));
    EXPECT_EQ("", errorText_);
}

TEST_F(BmpJudgment, AFileNeitherReaderTakesGetsTheLoadMessage) {
    BmpFields jpegInside;
    jpegInside.compression = 4;
    jpegInside.pixelData = {0xFF, 0xD8, 0xFF, 0xD9};
    for (const Bytes& bytes : {Bytes{'h', 'e', 'l', 'l', 'o'}, BuildBmp(jpegInside)}) {
        EXPECT_EQ(1, Judge(bytes));
        EXPECT_EQ("【ERROR】BMPファイルの読み込みに失敗しました。", errorText_);
    }
    std::string errorText;
    EXPECT_EQ(1, JudgeBmpFile(folder_.Path() / "absent.bmp", params, errorText));
    EXPECT_EQ("【ERROR】BMPファイルの読み込みに失敗しました。", errorText);
}

TEST_F(BmpJudgment, FiveSixFiveGraysStayGrayAndColoursStayColour) {
    // 0x8410 is mid gray in 5-6-5; read as 5-5-5 it would be a strong blue.
    const Bytes grays{0x10, 0x84, 0xFF, 0xFF, 0x00, 0x00, 0x10, 0x84};
    EXPECT_EQ(1, Judge(BuildBmp(SixteenBitFile(k565, 4, {grays, grays}))));
    EXPECT_EQ("", errorText_);
    const Bytes colours{0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF};
    EXPECT_EQ(0, Judge(BuildBmp(SixteenBitFile(k565, 4, {colours, colours}))));
    EXPECT_EQ("", errorText_);
}

TEST_F(BmpJudgment, FilesOnlyTheGeneralReaderTakesAreJudgedByTheirColours) {
    const std::vector<std::uint32_t> k444{0x0F00, 0x00F0, 0x000F};
    EXPECT_EQ(1, Judge(BuildBmp(SixteenBitFile(k444, 3, {{0x88, 0x08, 0xFF, 0x0F, 0x00, 0x00}}))));
    EXPECT_EQ("", errorText_);
    EXPECT_EQ(0, Judge(BuildBmp(SixteenBitFile(k444, 3, {{0x00, 0x0F, 0xF0, 0x00, 0x0F, 0x00}}))));
    EXPECT_EQ("", errorText_);

    BmpFields gray;
    gray.width = 2;
    gray.rows = {{0x40, 0x40, 0x40, 0xC0, 0xC0, 0xC0}};
    EXPECT_EQ(1, Judge(BuildBmp(gray)));
    BmpFields colour = gray;
    colour.rows = {{0x40, 0x40, 0x40, 0x00, 0x00, 0xC0}};
    EXPECT_EQ(0, Judge(BuildBmp(colour)));

    // An RLE8 file with a gray table is settled by its table.
    BmpFields rle;
    rle.width = 4;
    rle.bitCount = 8;
    rle.compression = 1;
    rle.colourUsed = 2;
    rle.colours = {kBlack, kWhite};
    rle.pixelData = {0x04, 0x01, 0x00, 0x01};
    EXPECT_EQ(1, Judge(BuildBmp(rle)));
    EXPECT_EQ("", errorText_);
}

TEST_F(BmpJudgment, OneBitCoreHeaderFileIsADepthTheJudgmentRefuses) {
    BmpFields core = OneBitFile(0, kBlack, kWhite);
    core.headerSize = 12;
    EXPECT_EQ(1, Judge(BuildBmp(core)));
    EXPECT_EQ("【ERROR】非対応のファイル形式です。", errorText_);
}
