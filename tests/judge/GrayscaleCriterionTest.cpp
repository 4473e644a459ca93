// The grayscale-only criterion: gray within THRESHOLD_GS, exceptions up to NOISE_LIMIT_GS percent.
#include <cstdint>
#include <string>
#include <vector>

#include "judge/JudgeTestImage.h"

namespace {

class GrayscaleCriterionTest : public JudgeTest {
protected:
    int Judge(const TestImage& image, const RgbQuad* table = nullptr, int count = 0) {
        std::string errorText;
        const int verdict = JudgeImage(image.View(), table, count, params, errorText);
        EXPECT_EQ("", errorText);
        return verdict;
    }
    // 1000 x 1 of gray ramps with the first `exceptions` pixels made red: 1000 samples.
    static TestImage ThousandSamples(int exceptions) {
        TestImage image(1000, 1, 24);
        for (int c = 0; c < 1000; ++c) {
            const auto v = static_cast<std::uint8_t>(c % 256);
            image.SetRgb(c, 0, v, v, v);
        }
        for (int c = 0; c < exceptions; ++c) image.SetRgb(c * 7 % 1000, 0, 200, 10, 10);
        return image;
    }
};

TEST_F(GrayscaleCriterionTest, WithTheDefaultsOneColouredSampleMakesColour) {
    TestImage image(16, 16, 24);
    for (int r = 0; r < 16; ++r) {
        for (int c = 0; c < 16; ++c) {
            const auto v = static_cast<std::uint8_t>(r * 16 + c);
            image.SetRgb(c, r, v, v, v);
        }
    }
    EXPECT_EQ(1, Judge(image));
    image.SetRgb(11, 13, 80, 81, 80);  // green differs
    EXPECT_EQ(0, Judge(image));
    image.SetRgb(11, 13, 80, 80, 79);  // only blue differs
    EXPECT_EQ(0, Judge(image));
    image.SetRgb(11, 13, 81, 80, 80);  // only red differs
    EXPECT_EQ(0, Judge(image));
}

TEST_F(GrayscaleCriterionTest, ThresholdBoundsTheSpreadOfTheChannels) {
    params.THRESHOLD_GS = 10;
    TestImage image(2, 1, 24);
    image.SetRgb(0, 0, 50, 50, 50);
    image.SetRgb(1, 0, 120, 128, 125);  // spread 8
    EXPECT_EQ(1, Judge(image));
    image.SetRgb(1, 0, 120, 130, 125);  // spread 10
    EXPECT_EQ(1, Judge(image));
    image.SetRgb(1, 0, 120, 131, 125);  // spread 11
    EXPECT_EQ(0, Judge(image));
}

TEST_F(GrayscaleCriterionTest, ThresholdOfFullRangeCallsEverythingGray) {
    params.THRESHOLD_GS = 255;
    TestImage image(3, 1, 24);
    image.SetRgb(0, 0, 255, 0, 0);
    image.SetRgb(1, 0, 0, 255, 0);
    image.SetRgb(2, 0, 0, 0, 255);
    EXPECT_EQ(1, Judge(image));
}

TEST_F(GrayscaleCriterionTest, HalfAPercentToleratesNineOfAThousandButNotTen) {
    params.NOISE_LIMIT_GS = 0.5;
    EXPECT_EQ(1, Judge(ThousandSamples(0)));
    EXPECT_EQ(1, Judge(ThousandSamples(9)));   // 0.9 % truncates to 0
    EXPECT_EQ(0, Judge(ThousandSamples(10)));  // 1 %
}

TEST_F(GrayscaleCriterionTest, OnePercentToleratesNineteenOfAThousandButNotTwenty) {
    params.NOISE_LIMIT_GS = 1.0;
    EXPECT_EQ(1, Judge(ThousandSamples(10)));
    EXPECT_EQ(1, Judge(ThousandSamples(19)));  // 1.9 % truncates to 1
    EXPECT_EQ(0, Judge(ThousandSamples(20)));
}

TEST_F(GrayscaleCriterionTest, OnlySampledPixelsCountTowardsThePercentage) {
    // 30 x 48 with 1000 pixels has a grid of exactly 1000 samples; all 440 pixels off the grid
    // are red and must weigh nothing.
    params.IS_ALL_PIXEL_JUDGE = 0;
    params.PIXELS_USE_IN_JUDGMENT = 1000;
    params.NOISE_LIMIT_GS = 1.0;
    const int columns[] = {0, 1, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 16, 17, 18, 19, 20,
                           22, 23, 24, 25, 26, 28, 29};
    const int rows[] = {0,  1,  3,  4,  5,  6,  7,  9,  10, 11, 12, 13, 14, 16,
                        17, 18, 19, 20, 22, 23, 24, 25, 26, 28, 29, 30, 31, 32,
                        34, 35, 36, 37, 39, 40, 41, 42, 43, 45, 46, 47};
    ShadedImage image(30, 48, 24);
    image.Fill(Shade::Red);
    for (int r : rows) {
        for (int c : columns) image.Set(c, r, Shade::Gray);
    }
    for (int i = 0; i < 19; ++i) image.Set(columns[i], rows[i], Shade::Red);
    EXPECT_EQ(1, image.Judge(params));
    image.Set(columns[19], rows[19], Shade::Red);
    EXPECT_EQ(0, image.Judge(params));
}

TEST_F(GrayscaleCriterionTest, AFullNoiseLimitMakesEverythingMonochrome) {
    params.NOISE_LIMIT_GS = 100.0;
    ShadedImage image(20, 20, 24);
    image.Fill(Shade::Red);
    EXPECT_EQ(1, image.Judge(params));
    params.NOISE_LIMIT_GS = 99.9;
    EXPECT_EQ(0, image.Judge(params));
}

TEST_F(GrayscaleCriterionTest, AGridWithoutSamplesIsMonochrome) {
    // 4001 x 1 with 1000 pixels: the first row position 1.000125 is not below the height.
    params.IS_ALL_PIXEL_JUDGE = 0;
    params.PIXELS_USE_IN_JUDGMENT = 1000;
    ShadedImage image(4001, 1, 24);
    image.Fill(Shade::Red);
    EXPECT_EQ(1, image.Judge(params));
    params.NOISE_LIMIT_GS = 50.0;
    EXPECT_EQ(1, image.Judge(params));
}

TEST_F(GrayscaleCriterionTest, SixteenBitChannelsMoveInStepsOfEight) {
    TestImage image(2, 1, 16);
    image.SetWord(0, 0, (16 << 10) | (17 << 5) | 16);  // 128, 136, 128
    image.SetWord(1, 0, (16 << 10) | (16 << 5) | 16);
    for (int threshold : {0, 1, 7}) {
        params.THRESHOLD_GS = threshold;
        EXPECT_EQ(0, Judge(image)) << threshold;
    }
    for (int threshold : {8, 15}) {
        params.THRESHOLD_GS = threshold;
        EXPECT_EQ(1, Judge(image)) << threshold;
    }
    image.SetWord(0, 0, (16 << 10) | (18 << 5) | 16);  // spread 16
    EXPECT_EQ(0, Judge(image));
}

TEST_F(GrayscaleCriterionTest, SixteenBitGrayIsFiveFiveFiveWithBitFifteenIgnored) {
    // Equal 5-bit fields are gray; read as 5-6-5 or big-endian they would not be.
    TestImage image(32, 1, 16);
    for (int c = 0; c < 32; ++c) {
        const auto word = static_cast<std::uint16_t>((c << 10) | (c << 5) | c | (c % 2 ? 0x8000 : 0));
        image.SetWord(c, 0, word);
    }
    EXPECT_EQ(1, Judge(image));
}

TEST_F(GrayscaleCriterionTest, AGrayAlphaByteDoesNotMatterAtThirtyTwoBits) {
    TestImage image(4, 1, 32);
    for (int c = 0; c < 4; ++c) image.SetRgb(c, 0, 90, 90, 90, static_cast<std::uint8_t>(c * 60));
    EXPECT_EQ(1, Judge(image));
}

TEST_F(GrayscaleCriterionTest, PaletteIndicesDecodeThroughTheTableAtEveryPaletteDepth) {
    for (int depth : {2, 4, 8}) {
        std::vector<RgbQuad> table(1u << depth, RgbQuad{30, 30, 30, 0});
        table[1] = RgbQuad{200, 200, 200, 0};
        table[2] = RgbQuad{0, 90, 90, 0};  // a colour entry: no short-cut
        // Wide enough for whole bytes of gray pixels to be passed over several at a time.
        TestImage image(75, 3, depth);
        for (int c = 0; c < 75; ++c) image.SetIndex(c, 1, c % 2);
        EXPECT_EQ(1, Judge(image, table.data(), static_cast<int>(table.size()))) << depth;
        for (int c = 0; c < 75; ++c) {
            image.SetIndex(c, 2, 2);
            EXPECT_EQ(0, Judge(image, table.data(), static_cast<int>(table.size()))) << depth << " at " << c;
            image.SetIndex(c, 2, 0);
        }
    }
}

TEST_F(GrayscaleCriterionTest, ThePercentageStaysExactForTensOfMillionsOfSamples) {
    // 9000 x 5000 = 45 million samples, all red: 100 times that overflows 32 bits.
    params.NOISE_LIMIT_GS = 99.5;
    const RgbQuad table[4] = {{0, 0, 255, 0}, {0, 0, 255, 0}, {0, 0, 255, 0}, {0, 0, 255, 0}};
    TestImage image(9000, 5000, 2, 0);
    EXPECT_EQ(0, Judge(image, table, 4));
    params.NOISE_LIMIT_GS = 100.0;
    EXPECT_EQ(1, Judge(image, table, 4));
}

}  // namespace
