// The tinted-monochrome criterion: the channel-sum envelopes, their order and their spread.
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "judge/JudgeTestImage.h"

namespace {

class TintedMonochromeTest : public JudgeTest {
protected:
    void SetUp() override {
        JudgeTest::SetUp();
        params.IS_ONLY_GRAYSCALE = 0;
    }
    int Judge(const TestImage& image, const RgbQuad* table = nullptr, int count = 0) {
        std::string errorText;
        const int verdict = JudgeImage(image.View(), table, count, params, errorText);
        EXPECT_EQ("", errorText);
        return verdict;
    }
    static ChannelSumEnvelopes Gather(const TestImage& image, const ColourTable& table = ColourTable{}) {
        ChannelSumEnvelopes envelopes;
        GatherChannelSumEnvelopes(image.View(), table, 1.0, envelopes);
        return envelopes;
    }
    static ChannelSumEnvelopes Empty() {
        ChannelSumEnvelopes e;
        for (int i = 0; i < 256; ++i) {
            e.minGB[i] = e.maxGB[i] = e.minRB[i] = e.maxRB[i] = e.minRG[i] = e.maxRG[i] = -1;
        }
        return e;
    }
    static int Filled(const int* table) {
        int n = 0;
        for (int i = 0; i < 256; ++i) n += table[i] >= 0 ? 1 : 0;
        return n;
    }
    // A one-row image of the given colours (red, green, blue).
    static TestImage Row(std::initializer_list<std::vector<int>> colours) {
        TestImage image(static_cast<int>(colours.size()), 1, 24);
        int c = 0;
        for (const auto& rgb : colours) {
            image.SetRgb(c++, 0, static_cast<std::uint8_t>(rgb[0]), static_cast<std::uint8_t>(rgb[1]),
                         static_cast<std::uint8_t>(rgb[2]));
        }
        return image;
    }
};

// ---- Gathering ----

TEST_F(TintedMonochromeTest, EachChannelIndexesTheSumOfTheOtherTwo) {
    for (int depth : {24, 32}) {
        TestImage image(2, 1, depth);
        image.SetRgb(0, 0, 30, 20, 10, 0xFF);
        image.SetRgb(1, 0, 30, 60, 50, 0xFF);
        const ChannelSumEnvelopes e = Gather(image);
        EXPECT_EQ(30, e.minGB[30]) << depth;   // green + blue of red 30
        EXPECT_EQ(110, e.maxGB[30]) << depth;
        EXPECT_EQ(40, e.minRB[20]) << depth;   // red + blue of green 20
        EXPECT_EQ(40, e.maxRB[20]) << depth;
        EXPECT_EQ(80, e.minRB[60]) << depth;
        EXPECT_EQ(50, e.minRG[10]) << depth;   // red + green of blue 10
        EXPECT_EQ(90, e.maxRG[50]) << depth;
        EXPECT_EQ(1, Filled(e.minGB)) << depth;
        EXPECT_EQ(1, Filled(e.maxGB)) << depth;
        EXPECT_EQ(2, Filled(e.minRB)) << depth;
        EXPECT_EQ(2, Filled(e.maxRG)) << depth;
    }
}

TEST_F(TintedMonochromeTest, PaletteAndSixteenBitPixelsDecodeAsForTheGrayscaleCriterion) {
    ColourTable table{};
    table.entries[9] = RgbQuad{10, 20, 30, 0};
    for (int depth : {2, 4, 8}) {
        TestImage image(5, 1, depth);
        for (int c = 0; c < 5; ++c) image.SetIndex(c, 0, 9 % (1u << depth));
        ColourTable own{};
        own.entries[9 % (1u << depth)] = table.entries[9];
        const ChannelSumEnvelopes e = Gather(image, own);
        EXPECT_EQ(30, e.minGB[30]) << depth;
        EXPECT_EQ(40, e.minRB[20]) << depth;
        EXPECT_EQ(50, e.minRG[10]) << depth;
        EXPECT_EQ(3, Filled(e.minGB) + Filled(e.minRB) + Filled(e.minRG)) << depth;
    }
    TestImage sixteen(1, 1, 16);
    sixteen.SetWord(0, 0, 0x8000 | (3 << 10) | (2 << 5) | 1);  // 24, 16, 8
    const ChannelSumEnvelopes e = Gather(sixteen);
    EXPECT_EQ(24, e.minGB[24]);
    EXPECT_EQ(32, e.minRB[16]);
    EXPECT_EQ(40, e.minRG[8]);
}

TEST_F(TintedMonochromeTest, GatheringStartsFromEmptyTables) {
    TestImage image(1, 1, 24);
    image.SetRgb(0, 0, 5, 6, 7);
    ChannelSumEnvelopes e;
    for (int i = 0; i < 256; ++i) {
        e.minGB[i] = e.maxGB[i] = e.minRB[i] = e.maxRB[i] = e.minRG[i] = e.maxRG[i] = 3;
    }
    GatherChannelSumEnvelopes(image.View(), ColourTable{}, 1.0, e);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(i == 5 ? 13 : -1, e.minGB[i]) << i;
        EXPECT_EQ(i == 5 ? 13 : -1, e.maxGB[i]) << i;
        EXPECT_EQ(i == 6 ? 12 : -1, e.minRB[i]) << i;
        EXPECT_EQ(i == 6 ? 12 : -1, e.maxRB[i]) << i;
        EXPECT_EQ(i == 7 ? 11 : -1, e.minRG[i]) << i;
        EXPECT_EQ(i == 7 ? 11 : -1, e.maxRG[i]) << i;
    }
}

TEST_F(TintedMonochromeTest, SixteenBitImagesFillOnlyMultiplesOfEight) {
    TestImage image(256, 128, 16);
    for (int w = 0; w < 32768; ++w) image.SetWord(w % 256, w / 256, static_cast<std::uint16_t>(w));
    const ChannelSumEnvelopes e = Gather(image);
    for (int i = 0; i < 256; ++i) {
        const int expectedMax = i % 8 == 0 ? 496 : -1;
        EXPECT_EQ(expectedMax, e.maxGB[i]) << i;
        EXPECT_EQ(expectedMax, e.maxRB[i]) << i;
        EXPECT_EQ(expectedMax, e.maxRG[i]) << i;
        EXPECT_EQ(i % 8 == 0 ? 0 : -1, e.minGB[i]) << i;
    }
    EXPECT_EQ(0, Judge(image));
}

// ---- Verdicts on images ----

TEST_F(TintedMonochromeTest, AnExactlyGrayImageIsMonochrome) {
    TestImage image(256, 1, 24);
    for (int v = 0; v < 256; ++v) image.SetRgb(v, 0, static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v));
    const ChannelSumEnvelopes e = Gather(image);
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(2 * v, e.minGB[v]);
        EXPECT_EQ(2 * v, e.maxRG[v]);
    }
    EXPECT_EQ(1, Judge(image));
}

TEST_F(TintedMonochromeTest, ASepiaRampIsMonochrome) {
    TestImage image(256, 1, 24);
    for (int r = 0; r < 256; ++r) {
        image.SetRgb(r, 0, static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(std::lround(0.8 * r)),
                     static_cast<std::uint8_t>(std::lround(0.6 * r)));
    }
    const ChannelSumEnvelopes e = Gather(image);
    EXPECT_EQ(615, Filled(e.minGB) + Filled(e.minRB) + Filled(e.minRG));
    EXPECT_TRUE(CheckEnvelopeOrder(e, params));
    EXPECT_TRUE(CheckEnvelopeSpread(e));
    params.ERROR_LIMIT_MONO = 0.0;  // not one fall
    EXPECT_TRUE(CheckEnvelopeOrder(e, params));
    params = JudgeParams{};
    params.IS_ONLY_GRAYSCALE = 0;
    EXPECT_EQ(1, Judge(image));
    params.IS_ONLY_GRAYSCALE = 1;
    EXPECT_EQ(0, Judge(image));
}

TEST_F(TintedMonochromeTest, ASingleColourEvenPureRedIsMonochrome) {
    ShadedImage image(7, 5, 24);
    params.IS_ONLY_GRAYSCALE = 0;
    image.Fill(Shade::Red);
    EXPECT_EQ(1, image.Judge(params));
    EXPECT_EQ(1, Judge(Row({{255, 0, 0}, {255, 0, 0}})));
}

TEST_F(TintedMonochromeTest, PureRedWithPureBlueIsColour) {
    const TestImage image = Row({{255, 0, 0}, {0, 0, 255}});
    const ChannelSumEnvelopes e = Gather(image);
    EXPECT_FALSE(CheckEnvelopeOrder(e, params));
    params.ERROR_LIMIT_MONO = 100.0;  // 4 falls of 4 steps: 100 %
    EXPECT_TRUE(CheckEnvelopeOrder(e, params));
    params.ERROR_LIMIT_MONO = 99.9;
    EXPECT_FALSE(CheckEnvelopeOrder(e, params));
    params.ERROR_LIMIT_MONO = 8.0;
    EXPECT_EQ(0, Judge(image));
}

TEST_F(TintedMonochromeTest, UniformRandomColoursAreWideAndColour) {
    TestImage image(200, 100, 24);
    std::uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<std::uint8_t>(state >> 24);
    };
    for (int r = 0; r < 100; ++r) {
        for (int c = 0; c < 200; ++c) {
            const std::uint8_t red = next(), green = next(), blue = next();
            image.SetRgb(c, r, red, green, blue);
        }
    }
    EXPECT_FALSE(CheckEnvelopeSpread(Gather(image)));
    EXPECT_EQ(0, Judge(image));
}

TEST_F(TintedMonochromeTest, AGridWithoutSamplesIsColour) {
    params.IS_ALL_PIXEL_JUDGE = 0;
    params.PIXELS_USE_IN_JUDGMENT = 1000;
    TestImage image(4001, 1, 24);
    for (int c = 0; c < 4001; ++c) image.SetRgb(c, 0, 77, 77, 77);
    ChannelSumEnvelopes e;
    GatherChannelSumEnvelopes(image.View(), ColourTable{}, ComputeSamplingStep(4001, 1, params), e);
    EXPECT_TRUE(CheckEnvelopeOrder(e, params));
    EXPECT_FALSE(CheckEnvelopeSpread(e));
    EXPECT_EQ(0, Judge(image));
}

// ---- Test 1: order ----

TEST_F(TintedMonochromeTest, AFallIsABiggerDropThanTheTolerance) {
    // THRESHOLD_MONO 8: d = 40. Every one of the six tables is walked alike.
    for (int t = 0; t < 6; ++t) {
        ChannelSumEnvelopes e = Empty();
        int* tables[6] = {e.minGB, e.maxGB, e.minRB, e.maxRB, e.minRG, e.maxRG};
        tables[t][10] = 100;
        tables[t][20] = 60;
        EXPECT_TRUE(CheckEnvelopeOrder(e, params)) << t;
        tables[t][20] = 59;
        EXPECT_FALSE(CheckEnvelopeOrder(e, params)) << t;
    }
}

TEST_F(TintedMonochromeTest, OnlyFilledEntriesAreComparedEachWithTheFilledOneBefore) {
    ChannelSumEnvelopes e = Empty();
    e.minGB[0] = 100;
    e.minGB[200] = 59;  // the empty entries between do not count
    EXPECT_FALSE(CheckEnvelopeOrder(e, params));
    e.minGB[100] = 200;  // 100 -> 200 -> 161: both steady
    e.minGB[200] = 161;
    EXPECT_TRUE(CheckEnvelopeOrder(e, params));
    e.minGB[200] = 159;  // a fall from 200, although above 100
    params.ERROR_LIMIT_MONO = 50.0;
    EXPECT_TRUE(CheckEnvelopeOrder(e, params));  // 1 of 2: 50 %
    params.ERROR_LIMIT_MONO = 49.0;
    EXPECT_FALSE(CheckEnvelopeOrder(e, params));
}

TEST_F(TintedMonochromeTest, TheToleranceIsTruncated) {
    struct Case {
        double thresholdMono;
        int from;
        int steadyTo;
        int fallTo;
    };
    // d = 51, 254 (not 255) and 509 (not 510).
    for (const Case& c : {Case{10.0, 100, 49, 48}, Case{50.0, 300, 46, 45}, Case{100.0, 510, 1, 0},
                          Case{0.0, 100, 100, 99}}) {
        params.THRESHOLD_MONO = c.thresholdMono;
        ChannelSumEnvelopes e = Empty();
        e.maxRB[3] = c.from;
        e.maxRB[4] = c.steadyTo;
        EXPECT_TRUE(CheckEnvelopeOrder(e, params)) << c.thresholdMono;
        e.maxRB[4] = c.fallTo;
        EXPECT_FALSE(CheckEnvelopeOrder(e, params)) << c.thresholdMono;
    }
}

TEST_F(TintedMonochromeTest, TwoFallsInTwentyFiveStepsPassAndThreeFail) {
    // 25 steps over two tables: 12 in minGB, 13 in maxRG.
    auto build = [](int falls) {
        ChannelSumEnvelopes e = Empty();
        int value = 300;
        e.minGB[0] = value;
        for (int i = 1; i <= 12; ++i) {
            value = i <= falls ? value - 41 : value + 1;
            e.minGB[i * 2] = value;
        }
        for (int i = 0; i <= 13; ++i) e.maxRG[100 + i] = 200 + i;
        return e;
    };
    EXPECT_TRUE(CheckEnvelopeOrder(build(0), params));
    EXPECT_TRUE(CheckEnvelopeOrder(build(2), params));   // 8 %: the limit itself passes
    EXPECT_FALSE(CheckEnvelopeOrder(build(3), params));  // 12 %
}

TEST_F(TintedMonochromeTest, NoStepsPassTheOrderTest) {
    EXPECT_TRUE(CheckEnvelopeOrder(Empty(), params));
    ChannelSumEnvelopes e = Empty();
    e.minGB[255] = 0;
    e.maxGB[255] = 510;
    e.minRB[0] = 510;
    params.ERROR_LIMIT_MONO = 0.0;
    EXPECT_TRUE(CheckEnvelopeOrder(e, params));
}

// ---- Test 2: spread ----

TEST_F(TintedMonochromeTest, ASpreadOfOneHundredIsWideAndNinetyNineNarrow) {
    ChannelSumEnvelopes e = Empty();
    e.minRG[40] = 10;
    e.maxRG[40] = 110;
    EXPECT_FALSE(CheckEnvelopeSpread(e));
    e.maxRG[40] = 109;
    EXPECT_TRUE(CheckEnvelopeSpread(e));
}

TEST_F(TintedMonochromeTest, ThreeNarrowIndicesOfFivePass) {
    ChannelSumEnvelopes e = Empty();
    auto set = [](int* minTable, int* maxTable, int index, int low, int high) {
        minTable[index] = low;
        maxTable[index] = high;
    };
    set(e.minGB, e.maxGB, 0, 0, 99);     // narrow
    set(e.minGB, e.maxGB, 1, 50, 50);    // narrow
    set(e.minRB, e.maxRB, 7, 10, 10);    // narrow
    set(e.minRG, e.maxRG, 3, 0, 100);    // wide
    set(e.minRG, e.maxRG, 4, 5, 300);    // wide
    EXPECT_TRUE(CheckEnvelopeSpread(e));  // 0.6
    set(e.minGB, e.maxGB, 1, 50, 150);
    EXPECT_FALSE(CheckEnvelopeSpread(e));  // 0.4
}

TEST_F(TintedMonochromeTest, OnlyTheMinEntryTellsWhetherAnIndexIsFilled) {
    ChannelSumEnvelopes e = Empty();
    EXPECT_FALSE(CheckEnvelopeSpread(e));  // no filled index: 0 / 0 fails
    e.maxGB[9] = 300;                      // max alone does not fill the index
    EXPECT_FALSE(CheckEnvelopeSpread(e));
}

TEST_F(TintedMonochromeTest, AFailedOrderMakesColourHoweverNarrowTheSpread) {
    // Red and blue tables both fall, and every index is narrow: colour by test 1 alone.
    const TestImage image = Row({{255, 0, 0}, {0, 0, 255}});
    const ChannelSumEnvelopes e = Gather(image);
    EXPECT_TRUE(CheckEnvelopeSpread(e));
    EXPECT_EQ(0, Judge(image));
}

}  // namespace
