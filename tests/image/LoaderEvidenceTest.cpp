// Why a file got its verdict, as the entry operations tell it: the header, the colour table or
// the criterion, and for a JPEG the decoder's warnings. Every file is judged with and without
// the evidence record, and the two verdicts and texts must agree.
#include <gtest/gtest.h>

#include <string>

#include "image/DecodedImage.h"
#include "support/BmpFiles.h"
#include "support/ImageFiles.h"

using namespace testimages;

namespace {

using Entry = int (*)(const std::filesystem::path&, const JudgeParams&, std::string&, JudgeEvidence*);

struct Explained {
    int verdict;
    std::string errorText;
    JudgeEvidence evidence;
};

Explained Explain(Entry entry, const std::filesystem::path& path, const JudgeParams& params = {}) {
    Explained result{0, "", JudgeEvidence{}};
    std::string plainText;
    const int plain = entry(path, params, plainText, nullptr);
    result.verdict = entry(path, params, result.errorText, &result.evidence);
    EXPECT_EQ(plain, result.verdict) << path;
    EXPECT_EQ(plainText, result.errorText) << path;
    return result;
}

Bytes SolidPng(int colourType, std::vector<Rgb> palette, std::vector<unsigned> samples) {
    PngPicture picture;
    picture.width = 2;
    picture.height = 2;
    picture.colourType = colourType;
    picture.palette = std::move(palette);
    picture.samples = std::move(samples);
    return EncodePng(picture);
}

JpegPicture Gradient(int components) {
    JpegPicture picture;
    picture.width = 64;
    picture.height = 64;
    picture.components = components;
    for (int i = 0; i < 64 * 64; ++i) {
        if (components == 1) {
            picture.samples.push_back(std::uint8_t(i * 3));
        } else {
            picture.samples.insert(picture.samples.end(), {std::uint8_t(i * 7), std::uint8_t(i * 13), std::uint8_t(i)});
        }
    }
    return picture;
}

BmpFields OneBitBmp(std::uint32_t colourUsed, std::array<std::uint8_t, 4> second) {
    BmpFields bmp;
    bmp.width = 8;
    bmp.bitCount = 1;
    bmp.colourUsed = colourUsed;
    bmp.colours = {{0, 0, 0, 0}, second};
    bmp.rows = {{0x0F}};
    return bmp;
}

class LoaderEvidence : public ::testing::Test {
protected:
    JudgeParams params;
    std::filesystem::path Write(const std::string& name, const Bytes& bytes) {
        WriteFileBytes(folder_.File(name), bytes);
        return folder_.File(name);
    }
    TempFolder folder_;
};

TEST_F(LoaderEvidence, EarlyVerdictsNameTheHeaderOrColourTableThatGaveThem) {
    GifPicture gif;
    gif.screenWidth = gif.screenHeight = 2;
    gif.globalMap = {{0, 0, 0}, {99, 99, 99}};
    gif.frames.push_back(GifFrame{0, 0, 2, 2, false, {}, {0, 1, 1, 0}});
    const struct {
        Entry entry;
        const char* name;
        Bytes bytes;
        int verdict;
        DecidingRule rule;
        const char* detail;
    } cases[] = {
        {JudgeJpegFile, "gray.jpg", EncodeJpeg(Gradient(1)), 1, DecidingRule::Header, "one-component JPEG"},
        {JudgePngFile, "gray.png", SolidPng(0, {}, {10, 20, 30, 40}), 1, DecidingRule::Header, "gray PNG"},
        {JudgeBmpFile, "plain.bmp", BuildBmp(OneBitBmp(0, {255, 0, 0, 0})), 1, DecidingRule::Header,
         "1-bit bitmap without two stated colours"},
        {JudgePngFile, "palette.png", SolidPng(3, {{5, 5, 5}, {200, 200, 200}}, {0, 1, 1, 0}), 1,
         DecidingRule::ColourTable, "palette of gray entries"},
        {JudgeGifFile, "gray.gif", EncodeGif(gif), 1, DecidingRule::ColourTable, "colour map of gray entries"},
        {JudgeBmpFile, "gray.bmp", BuildBmp(OneBitBmp(2, {255, 255, 255, 0})), 1, DecidingRule::ColourTable,
         "1-bit colour table of two gray entries"},
        {JudgeBmpFile, "blue.bmp", BuildBmp(OneBitBmp(2, {255, 0, 0, 0})), 0, DecidingRule::ColourTable,
         "1-bit colour table with a colour entry"},
    };
    for (const auto& c : cases) {
        const Explained result = Explain(c.entry, Write(c.name, c.bytes));
        EXPECT_EQ(c.verdict, result.verdict) << c.name;
        EXPECT_EQ("", result.errorText) << c.name;
        EXPECT_EQ(c.rule, result.evidence.rule) << c.name;
        EXPECT_STREQ(c.detail, result.evidence.detail) << c.name;
        // Only a JPEG has a decoder whose warnings count.
        EXPECT_EQ(c.entry == JudgeJpegFile ? 0 : -1, result.evidence.decoderWarnings) << c.name;
    }
}

TEST_F(LoaderEvidence, DecodedPicturesAreExplainedByTheCriterion) {
    const Explained png = Explain(JudgePngFile, Write("rgb.png", SolidPng(2, {}, {9, 9, 9, 50, 50, 50, 7, 7, 7, 0, 90, 0})));
    EXPECT_EQ(0, png.verdict);
    EXPECT_EQ(DecidingRule::GrayscaleOnly, png.evidence.rule);
    EXPECT_EQ(4u, png.evidence.samples);
    EXPECT_EQ(1u, png.evidence.notGray);
    EXPECT_EQ(90, png.evidence.largestSpread);

    params.IS_ONLY_GRAYSCALE = 0;
    const Explained jpeg = Explain(JudgeJpegFile, Write("colour.jpg", EncodeJpeg(Gradient(3))), params);
    EXPECT_EQ(DecidingRule::TintedMonochrome, jpeg.evidence.rule);
    EXPECT_EQ(4096u, jpeg.evidence.samples);
    EXPECT_EQ(0, jpeg.evidence.decoderWarnings);
}

TEST_F(LoaderEvidence, AJpegCutShortIsJudgedAndItsWarningsCounted) {
    Bytes bytes = EncodeJpeg(Gradient(3));
    bytes.resize(bytes.size() * 2 / 3);
    const Explained cut = Explain(JudgeJpegFile, Write("cut.jpg", bytes));
    EXPECT_EQ("", cut.errorText);
    EXPECT_EQ(DecidingRule::GrayscaleOnly, cut.evidence.rule);
    EXPECT_GE(cut.evidence.decoderWarnings, 1);
}

TEST_F(LoaderEvidence, AFailureExplainsNothing) {
    const Explained broken = Explain(JudgeJpegFile, Write("broken.jpg", Bytes{0xFF, 0xD8, 0xFF, 0x00}));
    EXPECT_EQ("【ERROR】JPEGファイルの読み込みに失敗しました。（ヘッダ情報の読み込みに失敗しました。）", broken.errorText);
    EXPECT_EQ(DecidingRule::None, broken.evidence.rule);
    EXPECT_EQ(-1, broken.evidence.decoderWarnings);
}

}  // namespace
