#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "image/DecodedImage.h"
#include "support/ImageFiles.h"

using namespace testimages;

namespace {

struct GifLoad {
    DecodedImage* image = nullptr;
    int earlyVerdict = -1;
    std::string reason;
    ~GifLoad() { DestroyDecodedImage(image); }
};

void Load(const std::filesystem::path& path, GifLoad& load) {
    load.image = LoadGifFile(path, load.earlyVerdict, load.reason);
}

// One frame covering the screen; picture row r holds index r + 1 in every pixel.
GifPicture RowNumbered(int width, int height, bool interlaced) {
    GifPicture picture;
    picture.screenWidth = width;
    picture.screenHeight = height;
    picture.globalMap = {{0, 0, 0}, {255, 0, 0}};
    picture.globalMap.resize(16, Rgb{9, 9, 9});
    GifFrame frame;
    frame.width = width;
    frame.height = height;
    frame.interlaced = interlaced;
    for (int r = 0; r < height; ++r) frame.indices.insert(frame.indices.end(), width, std::uint8_t(r + 1));
    picture.frames.push_back(frame);
    return picture;
}

// The index of the first pixel of each picture row, top first, read from a bottom-up image.
std::vector<int> FirstIndexPerPictureRow(const DecodedImage& image) {
    std::vector<int> rows;
    for (int r = 0; r < image.height; ++r) rows.push_back(image.bits[(image.height - 1 - r) * image.stride]);
    return rows;
}

}  // namespace

TEST(GifLoader, MapOfGraysIsMonochromeWhateverThePixels) {
    TempFolder dir;
    GifPicture picture = RowNumbered(4, 4, false);
    picture.globalMap.clear();
    for (int i = 0; i < 256; ++i) picture.globalMap.push_back(Rgb{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)});
    WriteFileBytes(dir.File("grays.gif"), EncodeGif(picture));

    GifLoad load;
    Load(dir.File("grays.gif"), load);
    EXPECT_EQ(nullptr, load.image);
    EXPECT_EQ(1, load.earlyVerdict);
    EXPECT_EQ("", load.reason);
}

TEST(GifLoader, OneColourInTheMapGivesUprightIndexImageWithTheMapAsColourTable) {
    TempFolder dir;
    GifPicture picture = RowNumbered(3, 2, false);
    picture.globalMap = {{0, 0, 0}, {255, 255, 255}, {10, 20, 30}, {0, 0, 0}};  // colour unused
    picture.frames[0].indices = {1, 0, 1, 0, 1, 0};
    WriteFileBytes(dir.File("map.gif"), EncodeGif(picture));

    GifLoad load;
    Load(dir.File("map.gif"), load);
    ASSERT_NE(nullptr, load.image) << load.reason;
    EXPECT_EQ(0, load.earlyVerdict);
    EXPECT_EQ(8, load.image->bitsPerPixel);
    EXPECT_EQ(3, load.image->width);
    EXPECT_EQ(2, load.image->height);
    EXPECT_EQ(4, load.image->stride);
    ASSERT_EQ(4, load.image->colourCount);
    EXPECT_EQ(30, load.image->colourTable[2].blue);
    EXPECT_EQ(20, load.image->colourTable[2].green);
    EXPECT_EQ(10, load.image->colourTable[2].red);
    const std::uint8_t expected[8] = {0, 1, 0, 0, 1, 0, 1, 0};  // bottom row first in memory
    EXPECT_EQ(0, std::memcmp(expected, load.image->bits, 8));
}

TEST(GifLoader, LocalMapOfTheFirstFrameBeatsTheGlobalMap) {
    TempFolder dir;
    GifPicture colourLocal = RowNumbered(2, 2, false);
    colourLocal.globalMap = {{0, 0, 0}, {255, 255, 255}};
    colourLocal.frames[0].localMap = {{0, 0, 0}, {0, 0, 255}, {0, 255, 0}, {255, 0, 0}};
    WriteFileBytes(dir.File("colourlocal.gif"), EncodeGif(colourLocal));
    GifPicture grayLocal = RowNumbered(2, 2, false);
    grayLocal.globalMap = {{0, 0, 0}, {255, 0, 0}};
    grayLocal.frames[0].localMap = {{0, 0, 0}, {128, 128, 128}, {250, 250, 250}, {255, 255, 255}};
    WriteFileBytes(dir.File("graylocal.gif"), EncodeGif(grayLocal));

    GifLoad colour, gray;
    Load(dir.File("colourlocal.gif"), colour);
    Load(dir.File("graylocal.gif"), gray);
    ASSERT_NE(nullptr, colour.image) << colour.reason;
    EXPECT_EQ(4, colour.image->colourCount);
    EXPECT_EQ(255, colour.image->colourTable[1].blue);
    EXPECT_EQ(nullptr, gray.image);
    EXPECT_EQ(1, gray.earlyVerdict);
}

TEST(GifLoader, AnimationIsJudgedByItsFirstFrameAlone) {
    TempFolder dir;
    GifPicture picture;
    picture.screenWidth = 200;
    picture.screenHeight = 200;
    picture.globalMap = {{0, 0, 0}, {0, 200, 0}};
    GifFrame first;
    first.left = 50;
    first.top = 50;
    first.width = 10;
    first.height = 10;
    first.indices.assign(100, 1);
    GifFrame second;
    second.width = 200;
    second.height = 200;
    second.indices.assign(200 * 200, 0);
    picture.frames = {first, second};
    WriteFileBytes(dir.File("anim.gif"), EncodeGif(picture));

    GifLoad load;
    Load(dir.File("anim.gif"), load);
    ASSERT_NE(nullptr, load.image) << load.reason;
    EXPECT_EQ(10, load.image->width);
    EXPECT_EQ(10, load.image->height);
    EXPECT_EQ(12, load.image->stride);
    EXPECT_EQ(1, load.image->bits[0]);
    EXPECT_EQ(1, load.image->bits[9 * 12 + 9]);
}

TEST(GifLoader, InterlacedRowsReturnToTheirPictureOrder) {
    TempFolder dir;
    WriteFileBytes(dir.File("eight.gif"), EncodeGif(RowNumbered(3, 8, true)));
    WriteFileBytes(dir.File("one.gif"), EncodeGif(RowNumbered(3, 1, true)));
    WriteFileBytes(dir.File("eleven.gif"), EncodeGif(RowNumbered(2, 11, true)));

    GifLoad eight, one, eleven;
    Load(dir.File("eight.gif"), eight);
    Load(dir.File("one.gif"), one);
    Load(dir.File("eleven.gif"), eleven);
    ASSERT_NE(nullptr, eight.image) << eight.reason;
    ASSERT_NE(nullptr, one.image) << one.reason;
    ASSERT_NE(nullptr, eleven.image) << eleven.reason;
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}), FirstIndexPerPictureRow(*eight.image));
    EXPECT_EQ((std::vector<int>{1}), FirstIndexPerPictureRow(*one.image));
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}), FirstIndexPerPictureRow(*eleven.image));
}

TEST(GifLoader, FrameCutShortKeepsIndexZeroWhereNoDataArrived) {
    TempFolder dir;
    GifPicture picture = RowNumbered(16, 64, false);
    std::uint32_t noise = 12345;
    for (std::uint8_t& index : picture.frames[0].indices) {
        noise = noise * 1103515245u + 12345u;
        index = std::uint8_t(1 + (noise >> 16) % 15);
    }
    Bytes bytes = EncodeGif(picture);
    bytes.resize(bytes.size() / 2);
    WriteFileBytes(dir.File("cut.gif"), bytes);

    GifLoad load;
    Load(dir.File("cut.gif"), load);
    ASSERT_NE(nullptr, load.image) << load.reason;
    EXPECT_EQ("", load.reason);
    const std::vector<int> rows = FirstIndexPerPictureRow(*load.image);
    EXPECT_NE(0, rows.front());
    EXPECT_EQ(0, rows.back());
}

TEST(GifLoader, FrameWithoutAnyColourMapIsMonochrome) {
    TempFolder dir;
    // Screen 2x1 without a global map, one frame without a local map, two pixels of index 0.
    const Bytes bytes = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 1, 0, 0, 0, 0,
                         0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0,
                         2, 2, 0x04, 0x0A, 0, 0x3B};
    WriteFileBytes(dir.File("nomap.gif"), bytes);

    GifLoad load;
    Load(dir.File("nomap.gif"), load);
    EXPECT_EQ(nullptr, load.image);
    EXPECT_EQ(1, load.earlyVerdict);
    EXPECT_EQ("", load.reason);
}

TEST(GifLoader, FilesThatAreNoGifOrHoldNoFrameNameTheirReason) {
    TempFolder dir;
    GifPicture noFrame = RowNumbered(4, 4, false);
    noFrame.frames.clear();
    const Bytes good = EncodeGif(RowNumbered(4, 4, false));
    const struct {
        const char* name;
        Bytes bytes;
        const char* reason;
    } cases[] = {
        {"empty.gif", {}, "ファイルを開くのに失敗しました。"},
        {"png.gif", {137, 80, 78, 71, 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R'}, "ファイルを開くのに失敗しました。"},
        {"screenonly.gif", Bytes(good.begin(), good.begin() + 9), "ファイルを開くのに失敗しました。"},
        {"noframe.gif", EncodeGif(noFrame), "ファイルが不正です。"},
        {"cutbeforeframe.gif", Bytes(good.begin(), good.begin() + 13 + 48 + 3), "ファイルが不正です。"},
    };
    for (const auto& c : cases) {
        WriteFileBytes(dir.File(c.name), c.bytes);
        GifLoad load;
        Load(dir.File(c.name), load);
        EXPECT_EQ(nullptr, load.image) << c.name;
        EXPECT_EQ(0, load.earlyVerdict) << c.name;
        EXPECT_EQ(c.reason, load.reason) << c.name;
    }

    GifLoad missing;
    Load(dir.File("gone.gif"), missing);
    EXPECT_EQ("ファイルを開くのに失敗しました。", missing.reason);
}

TEST(GifLoader, JapaneseFileNameOpens) {
    TempFolder dir;
    WriteFileBytes(dir.File("アニメ　一コマ目.gif"), EncodeGif(RowNumbered(4, 4, false)));
    GifLoad load;
    Load(dir.File("アニメ　一コマ目.gif"), load);
    EXPECT_NE(nullptr, load.image) << load.reason;
}

TEST(JudgeGifFile, GrayMapIsMonochromeSilentlyAndFailuresCarryTheirReason) {
    TempFolder dir;
    GifPicture gray = RowNumbered(4, 4, false);
    gray.globalMap = {{0, 0, 0}, {60, 60, 60}};
    gray.frames[0].indices.assign(16, 1);
    WriteFileBytes(dir.File("gray.gif"), EncodeGif(gray));
    GifPicture noFrame = RowNumbered(4, 4, false);
    noFrame.frames.clear();
    WriteFileBytes(dir.File("noframe.gif"), EncodeGif(noFrame));
    WriteFileBytes(dir.File("text.gif"), {'h', 'e', 'l', 'l', 'o', ' ', 'g', 'i', 'f', '!', '!', '!', '!'});

    std::string grayText, noFrameText, textText;
    EXPECT_EQ(1, JudgeGifFile(dir.File("gray.gif"), JudgeParams{}, grayText));
    EXPECT_EQ("", grayText);
    EXPECT_EQ(1, JudgeGifFile(dir.File("noframe.gif"), JudgeParams{}, noFrameText));
    EXPECT_EQ("【ERROR】GIFファイルの読み込みに失敗しました。（ファイルが不正です。）", noFrameText);
    EXPECT_EQ(1, JudgeGifFile(dir.File("text.gif"), JudgeParams{}, textText));
    EXPECT_EQ("【ERROR】GIFファイルの読み込みに失敗しました。（ファイルを開くのに失敗しました。）", textText);
}

TEST(JudgeGifFile, VividPictureIsColour) {
    TempFolder dir;
    GifPicture picture = RowNumbered(16, 16, true);
    picture.globalMap = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    for (std::size_t i = 0; i < picture.frames[0].indices.size(); ++i) picture.frames[0].indices[i] = std::uint8_t(i % 4);
    WriteFileBytes(dir.File("v.gif"), EncodeGif(picture));
    std::string errorText;
    EXPECT_EQ(0, JudgeGifFile(dir.File("v.gif"), JudgeParams{}, errorText));
    EXPECT_EQ("", errorText);
}

// The transparent colour of the first frame is read as a PNG palette's opacity is: under the
// perceptual criterion a picture is judged as shown over white, whatever colour the hidden
// entry holds; the other criteria see the entries as they are.
TEST(JudgeGifFile, TheTransparentColourIsJudgedAsShownOverWhite) {
    struct Row {
        const char* what;
        int transparentIndex;  // -1: none
        bool perceptual;
        int verdict;
    } const rows[] = {
        {"a hidden red background behind gray shading, perceptual", 2, true, 1},
        {"the same without transparency, perceptual", -1, true, 0},
        {"the same transparent, grayscale-only", 2, false, 0},
        {"a hidden gray entry, the red one shown, perceptual", 0, true, 0},
    };
    TempFolder dir;
    for (const Row& row : rows) {
        // Left half gray shades (entries 0 and 1), right half the red entry 2.
        GifPicture picture;
        picture.screenWidth = picture.screenHeight = 40;
        picture.globalMap = {{90, 90, 90}, {180, 180, 180}, {230, 20, 20}, {0, 0, 0}};
        picture.transparentIndex = row.transparentIndex;
        GifFrame frame;
        frame.width = frame.height = 40;
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 40; ++x) frame.indices.push_back(std::uint8_t(x >= 20 ? 2 : (x + y) % 2));
        }
        picture.frames.push_back(frame);
        WriteFileBytes(dir.File("t.gif"), EncodeGif(picture));
        JudgeParams params;
        params.IS_PERCEPTUAL_JUDGE = row.perceptual ? 1 : 0;
        std::string errorText;
        EXPECT_EQ(row.verdict, JudgeGifFile(dir.File("t.gif"), params, errorText)) << row.what;
        EXPECT_EQ("", errorText) << row.what;

        GifLoad load;
        Load(dir.File("t.gif"), load);
        ASSERT_NE(nullptr, load.image) << row.what;
        EXPECT_EQ(row.transparentIndex >= 0, load.image->alpha) << row.what;
        if (row.transparentIndex >= 0) {
            EXPECT_EQ(0, load.image->colourTable[row.transparentIndex].reserved) << row.what;
            EXPECT_EQ(255, load.image->colourTable[3].reserved) << row.what;
        }
    }
}
