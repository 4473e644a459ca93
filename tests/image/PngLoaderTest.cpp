#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

#include <zlib.h>

#include "image/DecodedImage.h"
#include "image/ImageKind.h"
#include "support/FaultyFileSystem.h"
#include "support/ImageFiles.h"

using namespace testimages;

namespace {

struct PngLoad {
    DecodedImage* image = nullptr;
    int earlyVerdict = -1;
    std::string reason;
    ~PngLoad() { DestroyDecodedImage(image); }
};

void Load(const std::filesystem::path& path, PngLoad& load,
          const platform::FileSystem& files = platform::RealFileSystem()) {
    load.image = LoadPngFile(path, load.earlyVerdict, load.reason, nullptr, files);
}

PngPicture Gray(int bitDepth, bool withAlpha) {
    PngPicture picture;
    picture.width = 5;
    picture.height = 3;
    picture.colourType = withAlpha ? 4 : 0;
    picture.bitDepth = bitDepth;
    const unsigned top = (1u << bitDepth) - 1;
    for (int i = 0; i < 15; ++i) {
        picture.samples.push_back(i % 2 == 0 ? top : 0);
        if (withAlpha) picture.samples.push_back(top);
    }
    return picture;
}

// A 9x9 RGB picture in which every pixel differs, for comparing interlaced and plain files.
PngPicture Gradient(bool interlaced) {
    PngPicture picture;
    picture.width = 9;
    picture.height = 9;
    picture.interlaced = interlaced;
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x) picture.samples.insert(picture.samples.end(), {unsigned(x * 28), unsigned(y * 28), unsigned(x + y)});
    }
    return picture;
}

// The file with one chunk inserted after the header chunk; `declared` overrides the length
// field, so a chunk can claim more data than follows it.
Bytes WithChunkAfterHeader(const Bytes& png, const char* type, const std::string& data, std::uint32_t declared) {
    Bytes chunk = {std::uint8_t(declared >> 24), std::uint8_t(declared >> 16), std::uint8_t(declared >> 8),
                   std::uint8_t(declared)};
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    const uLong crc = crc32(0, chunk.data() + 4, static_cast<uInt>(chunk.size() - 4));
    chunk.insert(chunk.end(), {std::uint8_t(crc >> 24), std::uint8_t(crc >> 16), std::uint8_t(crc >> 8), std::uint8_t(crc)});
    Bytes out = png;
    out.insert(out.begin() + 33, chunk.begin(), chunk.end());  // after signature and header chunk
    return out;
}

}  // namespace

TEST(PngLoader, GrayOfEveryDepthIsMonochromeWithoutImage) {
    TempFolder dir;
    const struct {
        int depth;
        bool alpha;
    } kinds[] = {{1, false}, {2, false}, {4, false}, {8, false}, {16, false}, {8, true}, {16, true}};
    for (const auto& kind : kinds) {
        const std::string name = "gray" + std::to_string(kind.depth) + (kind.alpha ? "a" : "") + ".png";
        WriteFileBytes(dir.File(name), EncodePng(Gray(kind.depth, kind.alpha)));
        PngLoad load;
        Load(dir.File(name), load);
        EXPECT_EQ(nullptr, load.image) << name;
        EXPECT_EQ(1, load.earlyVerdict) << name;
        EXPECT_EQ("", load.reason) << name;
    }
}

TEST(PngLoader, PaletteOfGraysIsMonochromeEvenWhenLongerThanTheIndicesUsed) {
    TempFolder dir;
    PngPicture picture;
    picture.width = 2;
    picture.height = 1;
    picture.colourType = 3;
    picture.palette = {{0, 0, 0}, {255, 255, 255}, {77, 77, 77}, {200, 200, 200}};
    picture.samples = {0, 1};
    WriteFileBytes(dir.File("grays.png"), EncodePng(picture));

    PngLoad load;
    Load(dir.File("grays.png"), load);
    EXPECT_EQ(nullptr, load.image);
    EXPECT_EQ(1, load.earlyVerdict);
}

TEST(PngLoader, PaletteWithAnUnusedColourGivesIndexImageWithThePaletteAsColourTable) {
    TempFolder dir;
    PngPicture picture;
    picture.width = 2;
    picture.height = 2;
    picture.colourType = 3;
    picture.palette = {{0, 0, 0}, {255, 255, 255}, {10, 20, 30}};
    picture.samples = {1, 0, 0, 1};
    WriteFileBytes(dir.File("palette.png"), EncodePng(picture));

    PngLoad load;
    Load(dir.File("palette.png"), load);
    ASSERT_NE(nullptr, load.image) << load.reason;
    EXPECT_EQ(0, load.earlyVerdict);
    EXPECT_EQ(8, load.image->bitsPerPixel);
    ASSERT_EQ(3, load.image->colourCount);
    const RgbQuad& third = load.image->colourTable[2];
    EXPECT_EQ(30, third.blue);
    EXPECT_EQ(20, third.green);
    EXPECT_EQ(10, third.red);
    EXPECT_EQ(0, third.reserved);
    EXPECT_EQ(255, load.image->colourTable[1].red);
}

TEST(PngLoader, FourBitPaletteOfWidthThreeGivesOneIndexBytePerPixel) {
    TempFolder dir;
    PngPicture picture;
    picture.width = 3;
    picture.height = 2;
    picture.colourType = 3;
    picture.bitDepth = 4;
    picture.palette.assign(16, Rgb{0, 0, 0});
    picture.palette[9] = {255, 0, 0};
    picture.samples = {1, 9, 15, 0, 2, 3};  // top row, then bottom row
    WriteFileBytes(dir.File("nibbles.png"), EncodePng(picture));

    PngLoad load;
    Load(dir.File("nibbles.png"), load);
    ASSERT_NE(nullptr, load.image) << load.reason;
    EXPECT_EQ(8, load.image->bitsPerPixel);
    EXPECT_EQ(4, load.image->stride);
    EXPECT_EQ(16, load.image->colourCount);
    const std::uint8_t expected[8] = {0, 2, 3, 0, 1, 9, 15, 0};  // bottom row first in memory
    EXPECT_EQ(0, std::memcmp(expected, load.image->bits, 8));
}

TEST(PngLoader, SixteenBitRgbKeepsTheHighByteInBlueGreenRed) {
    TempFolder dir;
    PngPicture picture;
    picture.width = 1;
    picture.height = 1;
    picture.bitDepth = 16;
    picture.samples = {0x1234, 0x5678, 0x9ABC};
    WriteFileBytes(dir.File("deep.png"), EncodePng(picture));

    PngLoad load;
    Load(dir.File("deep.png"), load);
    ASSERT_NE(nullptr, load.image) << load.reason;
    EXPECT_EQ(24, load.image->bitsPerPixel);
    EXPECT_EQ(4, load.image->stride);
    const std::uint8_t expected[4] = {0x9A, 0x56, 0x12, 0};
    EXPECT_EQ(0, std::memcmp(expected, load.image->bits, 4));
}

TEST(PngLoader, RgbRowsLandUprightAndAlphaBecomesTheFourthByte) {
    TempFolder dir;
    PngPicture rgb;
    rgb.width = 1;
    rgb.height = 2;
    rgb.samples = {1, 2, 3, 4, 5, 6};  // top pixel, bottom pixel
    WriteFileBytes(dir.File("rgb.png"), EncodePng(rgb));
    PngPicture rgba = rgb;
    rgba.colourType = 6;
    rgba.samples = {1, 2, 3, 40, 4, 5, 6, 60};
    WriteFileBytes(dir.File("rgba.png"), EncodePng(rgba));

    PngLoad plain, alpha;
    Load(dir.File("rgb.png"), plain);
    Load(dir.File("rgba.png"), alpha);
    ASSERT_NE(nullptr, plain.image) << plain.reason;
    ASSERT_NE(nullptr, alpha.image) << alpha.reason;
    EXPECT_EQ(24, plain.image->bitsPerPixel);
    const std::uint8_t plainRows[8] = {6, 5, 4, 0, 3, 2, 1, 0};
    EXPECT_EQ(0, std::memcmp(plainRows, plain.image->bits, 8));
    EXPECT_EQ(32, alpha.image->bitsPerPixel);
    const std::uint8_t alphaRows[8] = {6, 5, 4, 60, 3, 2, 1, 40};
    EXPECT_EQ(0, std::memcmp(alphaRows, alpha.image->bits, 8));
}

TEST(PngLoader, InterlacedFileGivesTheSameImageAsItsPlainTwin) {
    TempFolder dir;
    WriteFileBytes(dir.File("plain.png"), EncodePng(Gradient(false)));
    WriteFileBytes(dir.File("adam7.png"), EncodePng(Gradient(true)));
    ASSERT_NE(ReadFileBytes(dir.File("plain.png")), ReadFileBytes(dir.File("adam7.png")));

    PngLoad plain, adam7;
    Load(dir.File("plain.png"), plain);
    Load(dir.File("adam7.png"), adam7);
    ASSERT_NE(nullptr, plain.image);
    ASSERT_NE(nullptr, adam7.image) << adam7.reason;
    ASSERT_EQ(plain.image->stride, adam7.image->stride);
    EXPECT_EQ(0, std::memcmp(plain.image->bits, adam7.image->bits, 9 * 28));
    // The top row's last pixel: red 8*28, green 0, blue 8.
    const std::uint8_t* topRight = plain.image->bits + 8 * 28 + 8 * 3;
    EXPECT_EQ(8, topRight[0]);
    EXPECT_EQ(0, topRight[1]);
    EXPECT_EQ(224, topRight[2]);
}

TEST(PngLoader, FilesThatAreNoPngOrBreakInsideNameTheirReason) {
    TempFolder dir;
    const Bytes good = EncodePng(Gradient(false));
    Bytes cutInData(good.begin(), good.begin() + good.size() - 30);  // inside IDAT
    Bytes badSignature = good;
    badSignature[6] = 0;
    Bytes badCrc = good;
    badCrc[29] ^= 0xFF;  // the header chunk's CRC
    const struct {
        const char* name;
        Bytes bytes;
        const char* reason;
    } cases[] = {
        {"empty.png", {}, "PNGファイルではありません。"},
        {"two.png", {137, 80}, "PNGファイルではありません。"},
        {"jpeg.png", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16}, "PNGファイルではありません。"},
        {"cut.png", cutInData, "ファイルを開くのに失敗しました。"},
        {"signature.png", badSignature, "ファイルを開くのに失敗しました。"},
        {"crc.png", badCrc, "ファイルを開くのに失敗しました。"},
    };
    for (const auto& c : cases) {
        WriteFileBytes(dir.File(c.name), c.bytes);
        PngLoad load;
        Load(dir.File(c.name), load);
        EXPECT_EQ(nullptr, load.image) << c.name;
        EXPECT_EQ(0, load.earlyVerdict) << c.name;
        EXPECT_EQ(c.reason, load.reason) << c.name;
    }

    PngLoad missing;
    Load(dir.File("gone.png"), missing);
    EXPECT_EQ("ファイルの読み込みオープンに失敗しました。", missing.reason);
}

// A file that opens but whose reading fails, as a file locked by another program or on a
// network share that went away, is no "not a PNG": its contents were never seen.
TEST(PngLoader, AFileThatOpensButCannotBeReadSaysSo) {
    TempFolder dir;
    const auto locked = dir.File("locked.png");
    WriteFileBytes(locked, EncodePng(Gradient(false)));
    WriteFileBytes(dir.File("other.png"), EncodePng(Gradient(false)));
    testsupport::FaultyFileSystem faults;
    faults.files = [locked](platform::FileStep step, const std::filesystem::path& path) {
        return step == platform::FileStep::Read && path == locked ? EIO : 0;
    };
    PngLoad load, other;
    Load(locked, load, faults);
    Load(dir.File("other.png"), other, faults);
    std::string text;
    const int verdict = JudgeFileByExtension(locked, JudgeParams{}, text, nullptr, faults);

    EXPECT_EQ(nullptr, load.image);
    EXPECT_EQ(0, load.earlyVerdict);
    EXPECT_EQ("ファイルの読み込みに失敗しました。", load.reason);
    EXPECT_NE(nullptr, other.image) << other.reason;
    EXPECT_EQ(1, verdict);
    EXPECT_EQ("【ERROR】PNGファイルの読み込みに失敗しました。（ファイルの読み込みに失敗しました。）", text);
}

TEST(PngLoader, EveryTruncationFailsWithAReason) {
    TempFolder dir;
    const Bytes good = EncodePng(Gradient(true));
    for (std::size_t length = 0; length < good.size(); length += 7) {
        WriteFileBytes(dir.File("t.png"), Bytes(good.begin(), good.begin() + length));
        PngLoad load;
        Load(dir.File("t.png"), load);
        EXPECT_EQ(nullptr, load.image) << length;
        EXPECT_FALSE(load.reason.empty()) << length;
    }
}

TEST(PngLoader, TextChunksAreSkippedUnreadWhateverLengthTheyClaim) {
    TempFolder dir;
    const Bytes good = EncodePng(Gradient(false));
    const std::string text = std::string("Comment") + '\0' + "a picture";
    WriteFileBytes(dir.File("text.png"), WithChunkAfterHeader(good, "tEXt", text, static_cast<std::uint32_t>(text.size())));
    // A gigabyte claimed by a few bytes must neither be allocated nor waited for.
    WriteFileBytes(dir.File("huge.png"), WithChunkAfterHeader(good, "tEXt", text, 0x3FFFFFFF));

    PngLoad withText, huge;
    Load(dir.File("text.png"), withText);
    ASSERT_NE(nullptr, withText.image) << withText.reason;
    const auto start = std::chrono::steady_clock::now();
    Load(dir.File("huge.png"), huge);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(nullptr, huge.image);
    EXPECT_EQ("ファイルを開くのに失敗しました。", huge.reason);
    EXPECT_LT(elapsed, std::chrono::seconds(2));
}

TEST(PngLoader, JapaneseFileNameOpens) {
    TempFolder dir;
    WriteFileBytes(dir.File("画像　カラー.png"), EncodePng(Gradient(false)));
    PngLoad load;
    Load(dir.File("画像　カラー.png"), load);
    EXPECT_NE(nullptr, load.image) << load.reason;
}

TEST(JudgePngFile, GrayIsMonochromeSilentlyAndFailuresCarryTheirReason) {
    TempFolder dir;
    WriteFileBytes(dir.File("gray.png"), EncodePng(Gray(8, false)));
    WriteFileBytes(dir.File("jpeg.png"), {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F'});
    const Bytes good = EncodePng(Gradient(false));
    WriteFileBytes(dir.File("cut.png"), Bytes(good.begin(), good.begin() + 60));

    std::string grayText, jpegText, cutText;
    EXPECT_EQ(1, JudgePngFile(dir.File("gray.png"), JudgeParams{}, grayText));
    EXPECT_EQ("", grayText);
    EXPECT_EQ(1, JudgePngFile(dir.File("jpeg.png"), JudgeParams{}, jpegText));
    EXPECT_EQ("【ERROR】PNGファイルの読み込みに失敗しました。（PNGファイルではありません。）", jpegText);
    EXPECT_EQ(1, JudgePngFile(dir.File("cut.png"), JudgeParams{}, cutText));
    EXPECT_EQ("【ERROR】PNGファイルの読み込みに失敗しました。（ファイルを開くのに失敗しました。）", cutText);
}

TEST(JudgePngFile, VividPictureIsColour) {
    TempFolder dir;
    WriteFileBytes(dir.File("g.png"), EncodePng(Gradient(true)));
    std::string errorText;
    EXPECT_EQ(0, JudgePngFile(dir.File("g.png"), JudgeParams{}, errorText));
    EXPECT_EQ("", errorText);
}

TEST(PngLoader, OpacityReachesOnlyThePerceptualCriterion) {
    // 8 x 8 of gray whose left half is pure red at opacity 0: shown over white, nothing red.
    PngPicture picture;
    picture.width = 8;
    picture.height = 8;
    picture.colourType = 6;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            if (x < 4) picture.samples.insert(picture.samples.end(), {255u, 0u, 0u, 0u});
            else picture.samples.insert(picture.samples.end(), {128u, 128u, 128u, 255u});
        }
    }
    TempFolder dir;
    WriteFileBytes(dir.File("hidden.png"), EncodePng(picture));
    PngLoad load;
    Load(dir.File("hidden.png"), load);
    ASSERT_NE(load.image, nullptr);
    EXPECT_TRUE(load.image->alpha);
    std::string errorText;
    EXPECT_EQ(0, JudgePngFile(dir.File("hidden.png"), JudgeParams{}, errorText));
    JudgeParams perceptual;
    perceptual.IS_PERCEPTUAL_JUDGE = 1;
    EXPECT_EQ(1, JudgePngFile(dir.File("hidden.png"), perceptual, errorText));
    EXPECT_EQ("", errorText);

    picture.colourType = 2;
    picture.samples.clear();
    for (int i = 0; i < 64; ++i) picture.samples.insert(picture.samples.end(), {250u, 10u, 10u});
    WriteFileBytes(dir.File("red.png"), EncodePng(picture));
    PngLoad opaque;
    Load(dir.File("red.png"), opaque);
    ASSERT_NE(opaque.image, nullptr);
    EXPECT_FALSE(opaque.image->alpha);
    EXPECT_EQ(0, JudgePngFile(dir.File("red.png"), perceptual, errorText));
}
