#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "image/DecodedImage.h"
#include "support/ImageFiles.h"

using namespace testimages;

namespace {

// Loads a file and hands back the image (owned by the caller), the early verdict and reason.
struct JpegLoad {
    DecodedImage* image = nullptr;
    int earlyVerdict = -1;
    std::string reason;
    ~JpegLoad() { DestroyDecodedImage(image); }
};

void Load(const std::filesystem::path& path, JpegLoad& load) {
    load.image = LoadJpegFile(path, load.earlyVerdict, load.reason);
}

// A 16x16 picture of four flat 8x8 quarters, which survive compression almost exactly.
JpegPicture Quarters() {
    JpegPicture picture;
    picture.width = 16;
    picture.height = 16;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const bool top = y < 8, left = x < 8;
            const std::uint8_t r = top ? 200 : 20, g = left ? 180 : 40, b = (top == left) ? 60 : 220;
            picture.samples.insert(picture.samples.end(), {r, g, b});
        }
    }
    return picture;
}

// The segments of a file as written by the encoder, with the markers of one kind dropped
// from the header (everything before the scan).
Bytes WithoutHeaderSegments(const Bytes& jpeg, std::uint8_t marker) {
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at + 1] != 0xDA) {
        const std::size_t length = 2 + (jpeg[at + 2] << 8 | jpeg[at + 3]);
        if (jpeg[at + 1] != marker) out.insert(out.end(), jpeg.begin() + at, jpeg.begin() + at + length);
        at += length;
    }
    out.insert(out.end(), jpeg.begin() + at, jpeg.end());
    return out;
}

// A file whose scan is followed by a quantisation table with an impossible index: the
// library meets it only while finishing, after every scanline was delivered.
Bytes WithBogusMarkerAfterScan(const Bytes& jpeg) {
    Bytes out(jpeg.begin(), jpeg.end() - 2);  // without the end-of-image marker
    out.insert(out.end(), {0xFF, 0xDB, 0x00, 0x03, 0x04, 0xFF, 0xD9});
    return out;
}

void ExpectNear(int expected, int actual, const char* what) {
    EXPECT_NEAR(expected, actual, 6) << what;
}

}  // namespace

TEST(JpegLoader, ColourPictureLandsUprightInBlueGreenRedRows) {
    TempFolder dir;
    JpegPicture picture;
    picture.width = 3;
    picture.height = 2;
    // Top row red, green, blue; bottom row white, black, gray.
    picture.samples = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 128, 128, 128};
    WriteFileBytes(dir.File("small.jpg"), EncodeJpeg(picture));

    JpegLoad load;
    Load(dir.File("small.jpg"), load);
    ASSERT_NE(nullptr, load.image) << load.reason;
    EXPECT_EQ(0, load.earlyVerdict);
    EXPECT_EQ("", load.reason);
    EXPECT_EQ(3, load.image->width);
    EXPECT_EQ(2, load.image->height);
    EXPECT_EQ(24, load.image->bitsPerPixel);
    EXPECT_EQ(12, load.image->stride);
    EXPECT_FALSE(load.image->topDown);

    const std::uint8_t* top = load.image->bits + 12;  // last memory row
    const int expectedTop[9] = {0, 0, 255, 0, 255, 0, 255, 0, 0};
    for (int i = 0; i < 9; ++i) ExpectNear(expectedTop[i], top[i], "top row");
    const std::uint8_t* bottom = load.image->bits;
    const int expectedBottom[9] = {255, 255, 255, 0, 0, 0, 128, 128, 128};
    for (int i = 0; i < 9; ++i) ExpectNear(expectedBottom[i], bottom[i], "bottom row");
    for (int i = 9; i < 12; ++i) {
        EXPECT_EQ(0, top[i]) << "padding";
        EXPECT_EQ(0, bottom[i]) << "padding";
    }
}

TEST(JpegLoader, FilesStoredAsRgbAlsoReachTheRowsAsBlueGreenRed) {
    TempFolder dir;
    JpegPicture picture = Quarters();
    picture.storeRgb = true;
    WriteFileBytes(dir.File("rgb.jpg"), EncodeJpeg(picture));

    JpegLoad load;
    Load(dir.File("rgb.jpg"), load);
    ASSERT_NE(nullptr, load.image) << load.reason;
    EXPECT_EQ(24, load.image->bitsPerPixel);
    // Memory row 15 is the picture's top row: its left quarter is red 200, green 180, blue 60.
    const std::uint8_t* topLeft = load.image->bits + 15 * load.image->stride;
    ExpectNear(60, topLeft[0], "blue");
    ExpectNear(180, topLeft[1], "green");
    ExpectNear(200, topLeft[2], "red");
    // Memory row 0, right half: red 20, green 40, blue 60.
    const std::uint8_t* bottomRight = load.image->bits + 15 * 3;
    ExpectNear(60, bottomRight[0], "blue");
    ExpectNear(40, bottomRight[1], "green");
    ExpectNear(20, bottomRight[2], "red");
}

TEST(JpegLoader, GrayscaleFileIsMonochromeWithoutImage) {
    TempFolder dir;
    JpegPicture picture;
    picture.width = 4;
    picture.height = 4;
    picture.components = 1;
    picture.samples.assign(16, 90);
    WriteFileBytes(dir.File("gray.jpg"), EncodeJpeg(picture));

    JpegLoad load;
    Load(dir.File("gray.jpg"), load);
    EXPECT_EQ(nullptr, load.image);
    EXPECT_EQ(1, load.earlyVerdict);
    EXPECT_EQ("", load.reason);
}

TEST(JpegLoader, CmykFileGivesThirtyTwoBitImageOfTheInkBytes) {
    TempFolder dir;
    JpegPicture picture;
    picture.width = 2;
    picture.height = 8;
    picture.components = 4;
    for (int i = 0; i < 16; ++i) picture.samples.insert(picture.samples.end(), {10, 200, 90, 30});
    WriteFileBytes(dir.File("cmyk.jpg"), EncodeJpeg(picture));

    JpegLoad load;
    Load(dir.File("cmyk.jpg"), load);
    ASSERT_NE(nullptr, load.image) << load.reason;
    EXPECT_EQ(32, load.image->bitsPerPixel);
    EXPECT_EQ(8, load.image->stride);
    ExpectNear(10, load.image->bits[0], "cyan");
    ExpectNear(200, load.image->bits[1], "magenta");
    ExpectNear(90, load.image->bits[2], "yellow");
    ExpectNear(30, load.image->bits[3], "black");
}

TEST(JpegLoader, EachBrokenPhaseNamesItsOwnReason) {
    TempFolder dir;
    const Bytes good = EncodeJpeg(Quarters());
    struct Case {
        const char* name;
        Bytes bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"empty.jpg", {}, "ヘッダ情報の読み込みに失敗しました。"},
        {"png.jpg", {137, 80, 78, 71, 13, 10, 26, 10, 0, 0, 0, 13}, "ヘッダ情報の読み込みに失敗しました。"},
        {"noquant.jpg", WithoutHeaderSegments(good, 0xDB), "ファイルの展開に失敗しました。"},
        {"bogustail.jpg", WithBogusMarkerAfterScan(good), "イメージデータの取得に失敗しました。"},
    };
    for (const Case& c : cases) {
        WriteFileBytes(dir.File(c.name), c.bytes);
        JpegLoad load;
        Load(dir.File(c.name), load);
        EXPECT_EQ(nullptr, load.image) << c.name;
        EXPECT_EQ(0, load.earlyVerdict) << c.name;
        EXPECT_EQ(c.reason, load.reason) << c.name;
    }

    JpegLoad missing;
    Load(dir.File("gone.jpg"), missing);
    EXPECT_EQ(nullptr, missing.image);
    EXPECT_EQ("ファイルの読み込みオープンに失敗しました。", missing.reason);
}

TEST(JpegLoader, FileCutInsideTheScanStillDecodes) {
    TempFolder dir;
    JpegPicture picture;
    picture.width = 64;
    picture.height = 64;
    for (int i = 0; i < 64 * 64; ++i) {
        picture.samples.insert(picture.samples.end(), {std::uint8_t(i * 7), std::uint8_t(i * 13), std::uint8_t(i)});
    }
    Bytes bytes = EncodeJpeg(picture);
    bytes.resize(bytes.size() * 2 / 3);
    WriteFileBytes(dir.File("cut.jpg"), bytes);

    JpegLoad load;
    Load(dir.File("cut.jpg"), load);
    ASSERT_NE(nullptr, load.image);
    EXPECT_EQ("", load.reason);
    EXPECT_EQ(64, load.image->height);
}

TEST(JpegLoader, ConcurrentBrokenDecodesEachResumeInTheirOwnPhase) {
    TempFolder dir;
    const Bytes good = EncodeJpeg(Quarters());
    WriteFileBytes(dir.File("header.jpg"), Bytes{0xFF, 0xD8, 0xFF, 0x00, 0x12});
    WriteFileBytes(dir.File("pixels.jpg"), WithBogusMarkerAfterScan(good));

    auto repeat = [&](const char* name, const char* reason, int* mismatches) {
        for (int i = 0; i < 300; ++i) {
            JpegLoad load;
            Load(dir.File(name), load);
            if (load.image != nullptr || load.reason != reason) ++*mismatches;
        }
    };
    int headerMismatches = 0, pixelMismatches = 0;
    std::thread a(repeat, "header.jpg", "ヘッダ情報の読み込みに失敗しました。", &headerMismatches);
    std::thread b(repeat, "pixels.jpg", "イメージデータの取得に失敗しました。", &pixelMismatches);
    a.join();
    b.join();
    EXPECT_EQ(0, headerMismatches);
    EXPECT_EQ(0, pixelMismatches);
}

// A caller that starts a thread per picture must not grow the table by one entry per thread:
// whichever way a decode ends, its thread's entry goes with it.
TEST(JpegLoader, RecoveryPointTableKeepsNothingOnceADecodeHasEnded) {
    TempFolder dir;
    const Bytes good = EncodeJpeg(Quarters());
    WriteFileBytes(dir.File("a.jpg"), good);
    WriteFileBytes(dir.File("header.jpg"), Bytes{0xFF, 0xD8, 0xFF, 0x00, 0x12});
    WriteFileBytes(dir.File("pixels.jpg"), WithBogusMarkerAfterScan(good));
    EmptyRecoveryPointTable();

    const struct {
        const char* name;
        bool decodes;
    } rows[] = {{"a.jpg", true}, {"header.jpg", false}, {"pixels.jpg", false}, {"gone.jpg", false}};
    for (const auto& row : rows) {
        for (int i = 0; i < 20; ++i) {
            bool decoded = false;
            std::thread own([&] {
                JpegLoad load;
                Load(dir.File(row.name), load);
                decoded = load.image != nullptr;
            });
            own.join();
            EXPECT_EQ(row.decodes, decoded) << row.name;
        }
        EXPECT_EQ(0u, RecoveryPointTableSize()) << row.name;
    }
    JpegLoad here;
    Load(dir.File("a.jpg"), here);
    EXPECT_EQ(0u, RecoveryPointTableSize());

    EmptyRecoveryPointTable();
    EXPECT_EQ(0u, RecoveryPointTableSize());
    JpegLoad afterwards;
    Load(dir.File("a.jpg"), afterwards);
    EXPECT_NE(nullptr, afterwards.image);
}

TEST(JpegLoader, JapaneseFileNameOpens) {
    TempFolder dir;
    WriteFileBytes(dir.File("写真・モノクロ.jpg"), EncodeJpeg(Quarters()));
    JpegLoad load;
    Load(dir.File("写真・モノクロ.jpg"), load);
    EXPECT_NE(nullptr, load.image) << load.reason;
}

TEST(JudgeJpegFile, GrayIsMonochromeSilentlyAndFailuresCarryTheirReason) {
    TempFolder dir;
    JpegPicture gray;
    gray.width = 8;
    gray.height = 8;
    gray.components = 1;
    gray.samples.assign(64, 30);
    WriteFileBytes(dir.File("gray.jpg"), EncodeJpeg(gray));
    WriteFileBytes(dir.File("png.jpg"), {137, 80, 78, 71, 13, 10, 26, 10});

    std::string grayText, pngText, missingText;
    EXPECT_EQ(1, JudgeJpegFile(dir.File("gray.jpg"), JudgeParams{}, grayText));
    EXPECT_EQ("", grayText);
    EXPECT_EQ(1, JudgeJpegFile(dir.File("png.jpg"), JudgeParams{}, pngText));
    EXPECT_EQ("【ERROR】JPEGファイルの読み込みに失敗しました。（ヘッダ情報の読み込みに失敗しました。）", pngText);
    EXPECT_EQ(1, JudgeJpegFile(dir.File("gone.jpg"), JudgeParams{}, missingText));
    EXPECT_EQ("【ERROR】JPEGファイルの読み込みに失敗しました。（ファイルの読み込みオープンに失敗しました。）", missingText);
}

TEST(JudgeJpegFile, VividPictureIsColour) {
    TempFolder dir;
    WriteFileBytes(dir.File("q.jpg"), EncodeJpeg(Quarters()));
    std::string errorText;
    EXPECT_EQ(0, JudgeJpegFile(dir.File("q.jpg"), JudgeParams{}, errorText));
    EXPECT_EQ("", errorText);
}

namespace {

// 2048 x 1024 of light gray, with a red square of 64 pixels when `mark`.
JpegPicture LargePage(bool mark) {
    JpegPicture picture;
    picture.width = 2048;
    picture.height = 1024;
    picture.quality = 90;
    picture.samples.reserve(2048u * 1024u * 3u);
    for (int y = 0; y < 1024; ++y) {
        for (int x = 0; x < 2048; ++x) {
            const bool red = mark && x >= 1000 && x < 1064 && y >= 500 && y < 564;
            picture.samples.insert(picture.samples.end(), {std::uint8_t(red ? 220 : 210), std::uint8_t(red ? 30 : 210),
                                                           std::uint8_t(red ? 30 : 210)});
        }
    }
    return picture;
}

}  // namespace

TEST(JpegLoader, ForThePerceptualCriterionALargePictureIsDecodedNoCoarserThanItsCells) {
    TempFolder dir;
    WriteFileBytes(dir.File("page.jpg"), EncodeJpeg(LargePage(true)));
    WriteFileBytes(dir.File("plain.jpg"), EncodeJpeg(LargePage(false)));
    WriteFileBytes(dir.File("small.jpg"), EncodeJpeg(Quarters()));
    JpegLoad whole, reduced, small;
    whole.image = LoadJpegFile(dir.File("page.jpg"), whole.earlyVerdict, whole.reason);
    reduced.image = LoadJpegFile(dir.File("page.jpg"), reduced.earlyVerdict, reduced.reason, nullptr, true);
    small.image = LoadJpegFile(dir.File("small.jpg"), small.earlyVerdict, small.reason, nullptr, true);
    ASSERT_NE(whole.image, nullptr);
    ASSERT_NE(reduced.image, nullptr);
    ASSERT_NE(small.image, nullptr);
    EXPECT_EQ(2048, whole.image->width);
    EXPECT_EQ(1, whole.image->sourceScale);
    // Cells of 4 pixels on a side: a quarter of the size, each pixel standing for 4 x 4.
    EXPECT_EQ(512, reduced.image->width);
    EXPECT_EQ(256, reduced.image->height);
    EXPECT_EQ(4, reduced.image->sourceScale);
    EXPECT_EQ(16, small.image->width);
    EXPECT_EQ(1, small.image->sourceScale);

    JudgeParams perceptual;
    perceptual.IS_PERCEPTUAL_JUDGE = 1;
    std::string errorText;
    JudgeEvidence evidence;
    EXPECT_EQ(0, JudgeJpegFile(dir.File("page.jpg"), perceptual, errorText, &evidence));
    EXPECT_EQ(4, evidence.cellSide);
    EXPECT_NEAR(1000, evidence.regionX, 4);
    EXPECT_NEAR(500, evidence.regionY, 4);
    EXPECT_EQ(1, JudgeJpegFile(dir.File("plain.jpg"), perceptual, errorText));
    EXPECT_EQ("", errorText);
}
