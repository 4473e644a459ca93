// The judgment entry: depth check, sampling step, colour table, palette short-cut and the
// decoding of one pixel.
#include <cstdint>
#include <string>
#include <vector>

#include "judge/JudgeTestImage.h"

namespace {

const char kUnsupported[] = "【ERROR】非対応のファイル形式です。";

// ---- Bit depth ----

class JudgeImageDepthTest : public JudgeTest {};

TEST_F(JudgeImageDepthTest, OneBitIsRefusedWithTheMessage) {
    TestImage image(8, 2, 1);
    const RgbQuad table[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    std::string errorText;
    EXPECT_EQ(1, JudgeImage(image.View(), table, 2, params, errorText));
    EXPECT_EQ(kUnsupported, errorText);
}

TEST_F(JudgeImageDepthTest, DepthsOutsideTheJudgedSetAreRefused) {
    std::vector<std::uint8_t> bits(64, 0);
    for (std::uint16_t depth : {0, 3, 5, 12, 15, 48, 64}) {
        const PixelView view{2, 2, 16, depth, bits.data()};
        std::string errorText;
        EXPECT_EQ(1, JudgeImage(view, nullptr, 0, params, errorText)) << depth;
        EXPECT_EQ(kUnsupported, errorText) << depth;
    }
}

TEST_F(JudgeImageDepthTest, JudgedDepthsLeaveTheErrorTextAlone) {
    for (int depth : {2, 4, 8, 16, 24, 32}) {
        ShadedImage image(5, 3, depth);
        EXPECT_EQ(1, image.Judge(params)) << depth;  // the helper expects an empty error text
        image.Set(4, 2, Shade::Red);
        EXPECT_EQ(0, image.Judge(params)) << depth;
    }
    TestImage gray(1, 1, 24);
    gray.SetRgb(0, 0, 9, 9, 9);
    std::string errorText = "kept";
    EXPECT_EQ(1, JudgeImage(gray.View(), nullptr, 0, params, errorText));
    EXPECT_EQ("kept", errorText);
}

// ---- Sampling step ----

class SamplingStepTest : public JudgeTest {
protected:
    void SetUp() override {
        JudgeTest::SetUp();
        params.IS_ALL_PIXEL_JUDGE = 0;
    }
};

TEST_F(SamplingStepTest, AllPixelJudgeSamplesEveryPixelOfAnyImage) {
    params.IS_ALL_PIXEL_JUDGE = 1;
    EXPECT_EQ(1.0, ComputeSamplingStep(7360, 4912, params));
    params.IS_ALL_PIXEL_JUDGE = 7;  // any value but 0 is on
    EXPECT_EQ(1.0, ComputeSamplingStep(400, 300, params));
}

TEST_F(SamplingStepTest, AnImageOfAtMostThePixelCountSamplesEveryPixel) {
    EXPECT_EQ(1.0, ComputeSamplingStep(200, 100, params));  // 20000: equality samples every pixel
    EXPECT_EQ(1.0, ComputeSamplingStep(3, 5, params));
    EXPECT_EQ(1.000024999687508, ComputeSamplingStep(20001, 1, params));  // one pixel more
    // Equality where the formula would not give exactly 1 (1.0000000000000002 and 0.9999999999999999).
    params.PIXELS_USE_IN_JUDGMENT = 105;
    EXPECT_EQ(1.0, ComputeSamplingStep(1, 105, params));
    params.PIXELS_USE_IN_JUDGMENT = 206;
    EXPECT_EQ(1.0, ComputeSamplingStep(2, 103, params));
}

TEST_F(SamplingStepTest, StepIsTheSideOverTheRootOfTheSamplesAlongIt) {
    EXPECT_EQ(2.449489742783178, ComputeSamplingStep(400, 300, params));
    EXPECT_EQ(10.182337649086284, ComputeSamplingStep(1920, 1080, params));
    params.PIXELS_USE_IN_JUDGMENT = 1000;
    EXPECT_EQ(2.000249984376953, ComputeSamplingStep(4001, 1, params));
    EXPECT_EQ(1.2, ComputeSamplingStep(30, 48, params));
}

TEST_F(SamplingStepTest, TheStatedOrderOfOperationsFixesTheLastBits) {
    // sqrt(72 * 1600 / 20000) would be exactly 2.4.
    EXPECT_EQ(2.4000000000000004, ComputeSamplingStep(72, 1600, params));
}

TEST_F(SamplingStepTest, ThePixelCountDoesNotWrapAt32Bits) {
    // 65536 * 65536 is 2^32: wrapped to 0 it would sample every pixel.
    EXPECT_EQ(463.4095001184158, ComputeSamplingStep(65536, 65536, params));
}

// ---- Decoding one pixel ----

class FetchSampleColourTest : public JudgeTest {
protected:
    // Entry i: red 100 + i / 3, green 50 + i / 2, blue i.
    ColourTable DistinctTable() {
        ColourTable table{};
        for (int i = 0; i < 256; ++i) {
            table.entries[i] = RgbQuad{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(50 + i / 2),
                                       static_cast<std::uint8_t>(100 + i / 3), 0};
        }
        return table;
    }
    static void ExpectColour(int red, int green, int blue, const SampleColour& s) {
        EXPECT_EQ(red, s.red);
        EXPECT_EQ(green, s.green);
        EXPECT_EQ(blue, s.blue);
    }
};

TEST_F(FetchSampleColourTest, TwoBitsHoldTheLeftmostPixelInTheTopBits) {
    const ColourTable table = DistinctTable();
    TestImage image(8, 2, 2);
    image.Row(1)[0] = 0x1B;  // 00 01 10 11
    image.Row(1)[1] = 0xE4;  // 11 10 01 00
    const int expected[8] = {0, 1, 2, 3, 3, 2, 1, 0};
    for (int c = 0; c < 8; ++c) {
        const RgbQuad& e = table.entries[expected[c]];
        ExpectColour(e.red, e.green, e.blue, FetchSampleColour(image.View(), table, c, 1));
    }
}

TEST_F(FetchSampleColourTest, FourBitsHoldEvenColumnsInTheHighNibble) {
    const ColourTable table = DistinctTable();
    TestImage image(4, 2, 4);
    image.Row(1)[0] = 0xA5;
    image.Row(1)[1] = 0x3C;
    const int expected[4] = {0xA, 0x5, 0x3, 0xC};
    for (int c = 0; c < 4; ++c) {
        const RgbQuad& e = table.entries[expected[c]];
        ExpectColour(e.red, e.green, e.blue, FetchSampleColour(image.View(), table, c, 1));
    }
}

TEST_F(FetchSampleColourTest, EightBitsIndexTheTableWithRedInByteTwo) {
    ColourTable table{};
    table.entries[200] = RgbQuad{10, 20, 30, 40};  // blue, green, red, reserved
    TestImage image(3, 2, 8);
    image.Row(1)[2] = 200;
    ExpectColour(30, 20, 10, FetchSampleColour(image.View(), table, 2, 1));
}

TEST_F(FetchSampleColourTest, SixteenBitsAreLittleEndianFiveFiveFive) {
    const ColourTable table{};
    TestImage image(3, 2, 16);
    // red 21, green 10, blue 28: 0 10101 01010 11100 = 0x555C, stored 5C 55.
    image.SetWord(1, 1, 0x555C);
    ExpectColour(168, 80, 224, FetchSampleColour(image.View(), table, 1, 1));
    image.SetWord(2, 1, 0xD55C);  // bit 15 is ignored
    ExpectColour(168, 80, 224, FetchSampleColour(image.View(), table, 2, 1));
    image.SetWord(0, 0, 0x7FFF);  // the low three bits stay zero
    ExpectColour(248, 248, 248, FetchSampleColour(image.View(), table, 0, 0));
    image.SetWord(0, 1, 0x0421);  // 1, 1, 1
    ExpectColour(8, 8, 8, FetchSampleColour(image.View(), table, 0, 1));
}

TEST_F(FetchSampleColourTest, TwentyFourBitsAreBlueGreenRed) {
    const ColourTable table{};
    TestImage image(3, 2, 24);
    image.Row(1)[6] = 1;
    image.Row(1)[7] = 2;
    image.Row(1)[8] = 3;
    ExpectColour(3, 2, 1, FetchSampleColour(image.View(), table, 2, 1));
}

TEST_F(FetchSampleColourTest, ThirtyTwoBitsAreBlueGreenRedAndAnIgnoredByte) {
    const ColourTable table{};
    TestImage image(3, 2, 32);
    const std::uint8_t bytes[4] = {1, 2, 3, 0xEE};
    for (int i = 0; i < 4; ++i) image.Row(1)[8 + i] = bytes[i];
    ExpectColour(3, 2, 1, FetchSampleColour(image.View(), table, 2, 1));
}

// ---- Palette short-cut ----

class PaletteShortCutTest : public JudgeTest {
protected:
    // An image whose grid holds no sample: 4001 x 1 with 1000 pixels. The tinted criterion calls
    // it colour, so in tinted mode a monochrome verdict can only come from the short-cut.
    void UseEmptyGrid() {
        params.IS_ALL_PIXEL_JUDGE = 0;
        params.PIXELS_USE_IN_JUDGMENT = 1000;
    }
    int Judge(const TestImage& image, const std::vector<RgbQuad>& table, int count) {
        std::string errorText;
        const int verdict = JudgeImage(image.View(), table.data(), count, params, errorText);
        EXPECT_EQ("", errorText);
        return verdict;
    }
    static std::vector<RgbQuad> Grays(int count) {
        std::vector<RgbQuad> table;
        for (int i = 0; i < count; ++i) {
            const auto v = static_cast<std::uint8_t>(i * 255 / (count - 1));
            table.push_back(RgbQuad{v, v, v, 0});
        }
        return table;
    }
};

TEST_F(PaletteShortCutTest, ThresholdOnlyCountsInGrayscaleMode) {
    const RgbQuad nearGray[2] = {{100, 101, 100, 0}, {7, 7, 7, 0}};  // red 100, green 101, blue 100
    params.THRESHOLD_GS = 5;
    EXPECT_TRUE(IsGrayPalette(nearGray, 2, params));
    params.THRESHOLD_GS = 0;
    EXPECT_FALSE(IsGrayPalette(nearGray, 2, params));
    params.IS_ONLY_GRAYSCALE = 0;
    for (int threshold : {0, 5, 255}) {
        params.THRESHOLD_GS = threshold;
        EXPECT_FALSE(IsGrayPalette(nearGray, 2, params)) << threshold;
    }
}

TEST_F(PaletteShortCutTest, ThresholdBoundsTheSpreadOfEachEntry) {
    const RgbQuad spreadTen[1] = {{120, 130, 125, 0}};
    params.THRESHOLD_GS = 10;
    EXPECT_TRUE(IsGrayPalette(spreadTen, 1, params));
    params.THRESHOLD_GS = 9;
    EXPECT_FALSE(IsGrayPalette(spreadTen, 1, params));
}

TEST_F(PaletteShortCutTest, AnEmptyPaletteIsGray) {
    const RgbQuad red[1] = {{0, 0, 255, 0}};
    EXPECT_TRUE(IsGrayPalette(red, 0, params));
    EXPECT_TRUE(IsGrayPalette(red, -3, params));
    EXPECT_FALSE(IsGrayPalette(red, 1, params));
}

TEST_F(PaletteShortCutTest, AnAllGrayPaletteIsMonochromeWithoutLookingAtPixels) {
    UseEmptyGrid();
    params.IS_ONLY_GRAYSCALE = 0;
    TestImage image(4001, 1, 8, 0);
    std::vector<RgbQuad> table = Grays(256);
    EXPECT_EQ(1, Judge(image, table, 256));
    table[255] = RgbQuad{0, 0, 255, 0};  // one colour entry, used by no pixel
    EXPECT_EQ(0, Judge(image, table, 256));
}

TEST_F(PaletteShortCutTest, NearGrayPaletteTakesTheShortCutOnlyInGrayscaleMode) {
    UseEmptyGrid();
    params.THRESHOLD_GS = 5;
    TestImage image(4001, 1, 8, 0);
    std::vector<RgbQuad> table = Grays(256);
    table[17] = RgbQuad{100, 101, 100, 0};
    params.IS_ONLY_GRAYSCALE = 0;
    EXPECT_EQ(0, Judge(image, table, 256));
    params.IS_ONLY_GRAYSCALE = 1;
    EXPECT_EQ(1, Judge(image, table, 256));
}

TEST_F(PaletteShortCutTest, OnlyTheNominalCountOfEntriesIsTested) {
    UseEmptyGrid();
    params.IS_ONLY_GRAYSCALE = 0;
    // A 2-bit image handed six entries: entries 4 and 5 are not its own.
    TestImage twoBit(4001, 1, 2, 0);
    std::vector<RgbQuad> table = Grays(4);
    table.push_back(RgbQuad{0, 0, 255, 0});
    table.push_back(RgbQuad{0, 255, 0, 0});
    EXPECT_EQ(1, Judge(twoBit, table, 6));
    table[3] = RgbQuad{0, 255, 0, 0};
    EXPECT_EQ(0, Judge(twoBit, table, 6));

    TestImage fourBit(4001, 1, 4, 0);
    table = Grays(16);
    table.resize(40, RgbQuad{255, 0, 0, 0});
    EXPECT_EQ(1, Judge(fourBit, table, 40));
    table[15] = RgbQuad{255, 0, 0, 0};
    EXPECT_EQ(0, Judge(fourBit, table, 40));
}

TEST_F(PaletteShortCutTest, EntriesBeyondTheImagesOwnTableAreBlack) {
    // The caller's buffer runs on with red entries, but the image owns only two.
    std::vector<RgbQuad> table(256, RgbQuad{0, 0, 255, 0});
    table[0] = RgbQuad{60, 60, 60, 0};
    table[1] = RgbQuad{200, 200, 200, 0};
    UseEmptyGrid();
    params.IS_ONLY_GRAYSCALE = 0;
    TestImage empty(4001, 1, 8, 0);
    EXPECT_EQ(1, Judge(empty, table, 2));  // the short-cut sees two grays and 254 blacks

    // A pixel index past the image's table decodes as black, not as the caller's red.
    params = JudgeParams{};
    table[1] = RgbQuad{0, 0, 255, 0};  // now one colour entry: no short-cut
    TestImage image(3, 1, 8);
    image.SetIndex(0, 0, 0);
    image.SetIndex(1, 0, 200);
    image.SetIndex(2, 0, 2);
    EXPECT_EQ(1, Judge(image, table, 2));
    image.SetIndex(2, 0, 1);
    EXPECT_EQ(0, Judge(image, table, 2));
}

TEST_F(PaletteShortCutTest, AMissedShortCutStillJudgesTheGrayPixels) {
    // An unused colour entry sends the image on; its gray pixels then make it monochrome.
    std::vector<RgbQuad> table = Grays(256);
    table[3] = RgbQuad{0, 0, 255, 0};
    TestImage image(10, 10, 8);
    for (int r = 0; r < 10; ++r) {
        for (int c = 0; c < 10; ++c) image.SetIndex(c, r, static_cast<unsigned>(r * 10 + c + 4));
    }
    EXPECT_EQ(1, Judge(image, table, 256));
    image.SetIndex(9, 9, 3);
    EXPECT_EQ(0, Judge(image, table, 256));
}

TEST_F(PaletteShortCutTest, TheCriterionFollowsIsOnlyGrayscale) {
    // A sepia ramp: colour to the grayscale-only criterion, monochrome to the tinted one.
    TestImage image(64, 1, 24);
    for (int c = 0; c < 64; ++c) {
        const int v = c * 4;
        image.SetRgb(c, 0, static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v * 4 / 5),
                     static_cast<std::uint8_t>(v * 3 / 5));
    }
    std::string errorText;
    EXPECT_EQ(0, JudgeImage(image.View(), nullptr, 0, params, errorText));
    params.IS_ONLY_GRAYSCALE = 0;
    EXPECT_EQ(1, JudgeImage(image.View(), nullptr, 0, params, errorText));
    EXPECT_EQ("", errorText);
}

}  // namespace
