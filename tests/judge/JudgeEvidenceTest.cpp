// Why a verdict was reached: the numbers behind worked cases, and that asking for them never
// changes a verdict (every judgment here runs with and without the evidence record).
#include <cstdint>
#include <string>
#include <vector>

#include "judge/JudgeTestImage.h"

namespace {

class JudgeEvidenceTest : public JudgeTest {
protected:
    // JudgeImage with and without evidence; the verdicts and texts must agree.
    int Explain(const TestImage& image, JudgeEvidence& evidence,
                       const std::vector<RgbQuad>& table = {}) {
        const RgbQuad* entries = table.empty() ? nullptr : table.data();
        const int count = static_cast<int>(table.size());
        std::string plainText;
        std::string explainedText;
        const int plain = JudgeImage(image.View(), entries, count, params, plainText);
        const int explained = JudgeImage(image.View(), entries, count, params, explainedText, &evidence);
        EXPECT_EQ(plain, explained);
        EXPECT_EQ("", plainText);
        EXPECT_EQ("", explainedText);
        return explained;
    }
    // 1000 x 1 of gray with `exceptions` samples of red 200, green 10, blue 10 (spread 190).
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

TEST_F(JudgeEvidenceTest, NineAndTenOfAThousandUnderHalfAPercent) {
    params.NOISE_LIMIT_GS = 0.5;
    JudgeEvidence nine;
    EXPECT_EQ(1, Explain(ThousandSamples(9), nine));
    EXPECT_EQ(DecidingRule::GrayscaleOnly, nine.rule);
    EXPECT_EQ(1.0, nine.step);
    EXPECT_EQ(1000u, nine.samples);
    EXPECT_EQ(9u, nine.notGray);
    EXPECT_EQ(0u, nine.notGrayPercent);
    EXPECT_EQ(190, nine.largestSpread);
    EXPECT_EQ(-1, nine.decoderWarnings);

    JudgeEvidence ten;
    EXPECT_EQ(0, Explain(ThousandSamples(10), ten));
    EXPECT_EQ(10u, ten.notGray);
    EXPECT_EQ(1u, ten.notGrayPercent);
}

TEST_F(JudgeEvidenceTest, TheWholeGridIsCountedAlthoughTheFirstColourSampleSettledIt) {
    TestImage image(16, 16, 24);
    for (int r = 0; r < 16; ++r) {
        for (int c = 0; c < 16; ++c) image.SetRgb(c, r, 60, 60, 60);
    }
    JudgeEvidence gray;
    EXPECT_EQ(1, Explain(image, gray));
    EXPECT_EQ(0u, gray.notGray);
    EXPECT_EQ(0, gray.largestSpread);

    image.SetRgb(1, 0, 61, 60, 60);
    image.SetRgb(5, 9, 60, 60, 90);
    image.SetRgb(15, 15, 0, 255, 0);
    JudgeEvidence colour;
    EXPECT_EQ(0, Explain(image, colour));
    EXPECT_EQ(256u, colour.samples);
    EXPECT_EQ(3u, colour.notGray);
    EXPECT_EQ(1u, colour.notGrayPercent);  // 300 / 256, truncated
    EXPECT_EQ(255, colour.largestSpread);

    params.THRESHOLD_GS = 30;  // spreads 1 and 30 are gray now
    JudgeEvidence tolerant;
    EXPECT_EQ(0, Explain(image, tolerant));
    EXPECT_EQ(1u, tolerant.notGray);
}

TEST_F(JudgeEvidenceTest, SampledGridsGiveTheirStepAndSampleCountInBothModes) {
    params.IS_ALL_PIXEL_JUDGE = 0;
    params.PIXELS_USE_IN_JUDGMENT = 20000;
    const struct {
        int width, height;
        double step;
        std::uint64_t samples;
    } cases[] = {{400, 300, 2.449489742783178, 19886}, {1920, 1080, 10.182337649086284, 20034}};
    for (const auto& c : cases) {
        TestImage image(c.width, c.height, 24);  // all black: gray
        for (int gray : {1, 0}) {
            params.IS_ONLY_GRAYSCALE = gray;
            JudgeEvidence evidence;
            EXPECT_EQ(1, Explain(image, evidence));
            EXPECT_EQ(gray ? DecidingRule::GrayscaleOnly : DecidingRule::TintedMonochrome, evidence.rule);
            EXPECT_DOUBLE_EQ(c.step, evidence.step) << c.width;
            EXPECT_EQ(c.samples, evidence.samples) << c.width << " gray " << gray;
        }
    }
    // A grid without any sample: monochrome by one criterion, colour by the other.
    params.PIXELS_USE_IN_JUDGMENT = 1000;
    TestImage thin(4001, 1, 24);
    JudgeEvidence none;
    params.IS_ONLY_GRAYSCALE = 1;
    EXPECT_EQ(1, Explain(thin, none));
    EXPECT_EQ(0u, none.samples);
    EXPECT_EQ(-1, none.largestSpread);
    params.IS_ONLY_GRAYSCALE = 0;
    EXPECT_EQ(0, Explain(thin, none));
    EXPECT_EQ(0u, none.samples);
    EXPECT_EQ(0, none.narrow + none.wide);
}

TEST_F(JudgeEvidenceTest, TwoAndThreeFallsAmongTwentyFiveSteps) {
    // 25 steps over two tables: 12 in minGB, 13 in maxRG.
    auto build = [](int falls) {
        ChannelSumEnvelopes e;
        for (int i = 0; i < 256; ++i) {
            e.minGB[i] = e.maxGB[i] = e.minRB[i] = e.maxRB[i] = e.minRG[i] = e.maxRG[i] = -1;
        }
        int value = 300;
        e.minGB[0] = value;
        for (int i = 1; i <= 12; ++i) {
            value = i <= falls ? value - 41 : value + 1;
            e.minGB[i * 2] = value;
        }
        for (int i = 0; i <= 13; ++i) e.maxRG[100 + i] = 200 + i;
        return e;
    };
    for (int falls : {2, 3}) {
        JudgeEvidence evidence;
        ExplainEnvelopes(build(falls), params, evidence);
        EXPECT_EQ(falls, evidence.falls);
        EXPECT_EQ(25 - falls, evidence.steadySteps);
        EXPECT_EQ(40, evidence.fallTolerance);
        EXPECT_EQ(falls == 2, CheckEnvelopeOrder(build(falls), params));
    }
}

TEST_F(JudgeEvidenceTest, TintedCountsOfRedBesideBlue) {
    params.IS_ONLY_GRAYSCALE = 0;
    TestImage image(2, 1, 24);
    image.SetRgb(0, 0, 255, 0, 0);
    image.SetRgb(1, 0, 0, 0, 255);
    JudgeEvidence evidence;
    EXPECT_EQ(0, Explain(image, evidence));
    EXPECT_EQ(DecidingRule::TintedMonochrome, evidence.rule);
    EXPECT_EQ(2u, evidence.samples);
    // The red- and blue-indexed tables fall from 255 to 0 in min and max alike.
    EXPECT_EQ(4, evidence.falls);
    EXPECT_EQ(0, evidence.steadySteps);
    EXPECT_EQ(5, evidence.narrow);  // red 0 and 255, green 0, blue 0 and 255
    EXPECT_EQ(0, evidence.wide);

    params.THRESHOLD_MONO = 100.0;  // 509: the drop of 255 is steady now
    EXPECT_EQ(1, Explain(image, evidence));
    EXPECT_EQ(509, evidence.fallTolerance);
    EXPECT_EQ(4, evidence.steadySteps);
}

TEST_F(JudgeEvidenceTest, AGrayColourTableSettlesWithoutSamples) {
    TestImage image(8, 2, 4);
    std::vector<RgbQuad> table(16, RgbQuad{90, 90, 90, 0});
    for (int gray : {1, 0}) {
        params.IS_ONLY_GRAYSCALE = gray;
        JudgeEvidence evidence;
        EXPECT_EQ(1, Explain(image, evidence, table));
        EXPECT_EQ(DecidingRule::ColourTable, evidence.rule);
        EXPECT_EQ(16, evidence.colourEntries);
        EXPECT_EQ(0u, evidence.samples);
    }
    table[15] = RgbQuad{0, 0, 255, 0};  // unused by any pixel, yet the criterion decides
    params.IS_ONLY_GRAYSCALE = 1;
    JudgeEvidence evidence;
    EXPECT_EQ(1, Explain(image, evidence, table));
    EXPECT_EQ(DecidingRule::GrayscaleOnly, evidence.rule);
    EXPECT_EQ(16u, evidence.samples);
}

// The every-pixel walk passes over gray runs with word and vector scanners; the evidence walks
// sample by sample. With 100 samples a percent is one sample, so a limit of exactly the
// evidence's percentage must pass and half a sample less must fail, or the two counts differ.
TEST_F(JudgeEvidenceTest, PlainCountsAgreeWithTheFastWalksAtEveryDepth) {
    const std::vector<int> placements[] = {{}, {0}, {99}, {31, 32, 33}, {20, 21, 40, 63, 64, 65, 97, 98, 99},
                                           {1, 2, 3, 5, 8, 13, 21, 34, 55, 89}};
    for (int depth : {8, 16, 24, 32}) {
        for (int threshold : {0, 10}) {
            for (const auto& places : placements) {
                TestImage image(100, 1, depth);
                std::vector<RgbQuad> table;
                if (depth == 8) {
                    table.assign(256, RgbQuad{0, 0, 0, 0});
                    for (int i = 0; i < 100; ++i) table[i] = RgbQuad{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
                    table[200] = RgbQuad{100, 100, 108, 0};  // spread 8: gray under 10
                    table[201] = RgbQuad{0, 200, 40, 0};
                }
                for (int c = 0; c < 100; ++c) {
                    const auto v = static_cast<std::uint8_t>(c * 2);
                    if (depth == 8) image.SetIndex(c, 0, static_cast<unsigned>(c));
                    else if (depth == 16) image.SetWord(c, 0, static_cast<std::uint16_t>((c % 32) * 0x421));
                    else image.SetRgb(c, 0, v, v, v, 0x5A);
                }
                int expected = 0;
                for (std::size_t k = 0; k < places.size(); ++k) {
                    const int c = places[k];
                    const bool slight = k % 2 == 0;  // spread 8, gray under THRESHOLD_GS 10
                    expected += slight && threshold >= 8 ? 0 : 1;
                    if (depth == 8) image.SetIndex(c, 0, slight ? 200 : 201);
                    else if (depth == 16) image.SetWord(c, 0, slight ? (12 << 10 | 12 << 5 | 13) : (31 << 10));
                    else if (slight) image.SetRgb(c, 0, 100, 100, 108, 0x5A);
                    else image.SetRgb(c, 0, 10, 200, 40, 0x5A);
                }
                params = JudgeParams{};
                params.THRESHOLD_GS = threshold;
                JudgeEvidence evidence;
                const int verdict = Explain(image, evidence, table);
                const std::string where = "depth " + std::to_string(depth) + " threshold " +
                                          std::to_string(threshold) + " places " + std::to_string(places.size());
                EXPECT_EQ(std::uint64_t(expected), evidence.notGray) << where;
                EXPECT_EQ(expected == 0 ? 1 : 0, verdict) << where;
                if (expected == 0) continue;
                params.NOISE_LIMIT_GS = static_cast<double>(evidence.notGrayPercent);
                EXPECT_EQ(1, Explain(image, evidence, table)) << where;
                params.NOISE_LIMIT_GS = static_cast<double>(expected) - 0.5;
                EXPECT_EQ(0, Explain(image, evidence, table)) << where;
            }
        }
    }
}

}  // namespace
