// The evidence as `judge --explain` words it and as --json gives it, with the default
// parameters. A grayscale-only case also runs end to end in the console tool's tests; the tinted
// ones are built here from envelopes.
#include <gtest/gtest.h>

#include <string>

#include "cli/Explanation.h"
#include "judge/JudgeImage.h"

namespace {

class Explanation : public ::testing::Test {};

const JudgeParams kDefaults{};

JudgeEvidence Grayscale(std::uint64_t samples, std::uint64_t notGray, int largestSpread) {
    JudgeEvidence e;
    e.rule = DecidingRule::GrayscaleOnly;
    e.step = 1.0;
    e.samples = samples;
    e.notGray = notGray;
    e.notGrayPercent = samples == 0 ? 0 : 100 * notGray / samples;
    e.largestSpread = largestSpread;
    return e;
}

// 25 steps over two tables, 12 of the minimum sums over red and 13 of the maximum sums over
// blue, of which `falls` are falls of 41 (one past the default tolerance of 40).
JudgeEvidence TwentyFiveSteps(int falls) {
    ChannelSumEnvelopes e;
    for (int i = 0; i < 256; ++i) e.minGB[i] = e.maxGB[i] = e.minRB[i] = e.maxRB[i] = e.minRG[i] = e.maxRG[i] = -1;
    int value = 300;
    e.minGB[0] = value;
    for (int i = 1; i <= 12; ++i) {
        value = i <= falls ? value - 41 : value + 1;
        e.minGB[i * 2] = value;
    }
    for (int i = 0; i <= 13; ++i) e.maxRG[100 + i] = 200 + i;
    JudgeEvidence evidence;
    evidence.rule = DecidingRule::TintedMonochrome;
    evidence.step = 2.449489742783178;
    evidence.samples = 19886;
    ExplainEnvelopes(e, kDefaults, evidence);
    return evidence;
}

}  // namespace

TEST_F(Explanation, TwoAndThreeFallsAmongTwentyFiveStepsUnderEightPercent) {
    EXPECT_EQ("tinted-monochrome: step 2.449, 19886 samples, 2 falls and 23 steady steps (8 %, ERROR_LIMIT_MONO 8), "
              "fall tolerance 40, 13 narrow and 0 wide indices (share 1, at least 0.6 needed)",
              ExplainInWords(TwentyFiveSteps(2), kDefaults));
    EXPECT_NE(std::string::npos,
              ExplainInWords(TwentyFiveSteps(3), kDefaults).find("3 falls and 22 steady steps (12 %, ERROR_LIMIT_MONO 8)"));
    EXPECT_EQ(R"({"rule":"tinted-monochrome","step":2.449489742783178,"samples":19886,"falls":3,"steady_steps":22,)"
              R"("falls_percent":12,"fall_tolerance":40,"narrow":13,"wide":0,"narrow_share":1,)"
              R"("THRESHOLD_MONO":8,"ERROR_LIMIT_MONO":8})",
              ExplainAsJson(TwentyFiveSteps(3), kDefaults).Text());
}

TEST_F(Explanation, EarlyRulesNameWhatSettledThemAndAJpegItsWarnings) {
    JudgeEvidence header;
    header.rule = DecidingRule::Header;
    header.detail = "one-component JPEG";
    header.decoderWarnings = 0;
    EXPECT_EQ("header: one-component JPEG; JPEG decoder warnings 0", ExplainInWords(header, kDefaults));
    EXPECT_EQ(R"({"rule":"header","detail":"one-component JPEG","decoder_warnings":0})", ExplainAsJson(header, kDefaults).Text());

    JudgeEvidence table;
    table.rule = DecidingRule::ColourTable;
    table.detail = "every colour-table entry gray";
    table.colourEntries = 256;
    EXPECT_EQ("colour table: every colour-table entry gray (256 entries)", ExplainInWords(table, kDefaults));
    EXPECT_EQ(R"({"rule":"colour-table","detail":"every colour-table entry gray","colour_entries":256})",
              ExplainAsJson(table, kDefaults).Text());

    JudgeEvidence cut = Grayscale(4096, 4096, 200);
    cut.decoderWarnings = 2;
    EXPECT_NE(std::string::npos, ExplainInWords(cut, kDefaults).find("; JPEG decoder warnings 2"));
}

TEST_F(Explanation, AGridWithoutSamplesShowsNoneRatherThanNumbers) {
    EXPECT_EQ("grayscale-only: step 1, 0 samples, 0 not gray (0 %, NOISE_LIMIT_GS 0), largest spread none "
              "(THRESHOLD_GS 0)",
              ExplainInWords(Grayscale(0, 0, -1), kDefaults));
    JudgeEvidence tinted;
    tinted.rule = DecidingRule::TintedMonochrome;
    tinted.step = 2.000249984376953;
    tinted.fallTolerance = 40;
    EXPECT_EQ("tinted-monochrome: step 2, 0 samples, 0 falls and 0 steady steps (no steps, ERROR_LIMIT_MONO 8), "
              "fall tolerance 40, 0 narrow and 0 wide indices (share none, at least 0.6 needed)",
              ExplainInWords(tinted, kDefaults));
    const std::string json = ExplainAsJson(tinted, kDefaults).Text();
    EXPECT_NE(std::string::npos, json.find(R"("falls_percent":null)"));
    EXPECT_NE(std::string::npos, json.find(R"("narrow_share":null)"));
}

TEST_F(Explanation, PerceptualRegionToneAndCastInWordsAndJson) {
    JudgeEvidence e;
    e.rule = DecidingRule::Perceptual;
    e.cellSide = 6;
    e.cellsWide = 500;
    e.cellsHigh = 334;
    e.chromaticShare = 0.0025;
    e.largestRegion = 432;
    e.regionX = 1428;
    e.regionY = 606;
    e.regionChroma = 49.75;
    e.areaLimit = 20;
    e.castA = 1.5;
    e.castB = -2;
    EXPECT_EQ("perceptual: cells of 6 px (500 x 334), 0.25 % coloured beyond THRESHOLD_PERCEPTUAL 12, "
              "largest coloured region 432 px at (1428, 606) with colour 49.75 (AREA_LIMIT_PERCEPTUAL 20 px); "
              "not toned, cast a* 1.5 b* -2 taken off",
              ExplainInWords(e, kDefaults));
    EXPECT_EQ(R"({"rule":"perceptual","cell_side":6,"cells_wide":500,"cells_high":334,"chromatic_share":0.0025,)"
              R"("largest_region":432,"region_x":1428,"region_y":606,"region_chroma":49.75,"area_limit":20,)"
              R"("toned":false,"tone_chroma":0,"tone_hue":0,"cast_a":1.5,"cast_b":-2,)"
              R"("THRESHOLD_PERCEPTUAL":12,"AREA_LIMIT_PERCEPTUAL":20})",
              ExplainAsJson(e, kDefaults).Text());

    // Small vivid marks below the area limit decided: their sum, and the largest one's place.
    e.largestRegion = 6;
    e.vividRegion = 14;
    e.regionX = 30;
    e.regionY = 40;
    EXPECT_NE(std::string::npos,
              ExplainInWords(e, kDefaults)
                  .find("largest coloured region 6 px, vivid regions of 14 px, the largest at (30, 40) with colour 49.75 "
                        "(AREA_LIMIT_PERCEPTUAL 20 px)"));
    e.vividRegion = 0;

    // A sepia print: no region, the tone instead of a cast.
    e.largestRegion = 0;
    e.toned = true;
    e.toneHue = 70;
    e.toneChroma = 23.5;
    EXPECT_NE(std::string::npos, ExplainInWords(e, kDefaults)
                                     .find("no coloured region (AREA_LIMIT_PERCEPTUAL 20 px); toned: hue 70 deg, "
                                           "colour up to 23.5 along lightness"));
    EXPECT_NE(std::string::npos,
              ExplainAsJson(e, kDefaults).Text().find(R"("largest_region":0,"region_x":null,"region_y":null)"));
}
