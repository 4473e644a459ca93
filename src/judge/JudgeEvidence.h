// Why a verdict was reached: the rule that settled it and the numbers that decided. Gathered
// only when a caller passes a record to fill; the ordinary judgment never looks at one.
#pragma once

#include <cstdint>

enum class DecidingRule {
    None,              // no verdict: the file failed
    Header,            // the file's header alone (a gray JPEG or PNG, a plain 1-bit bitmap)
    ColourTable,       // the palette or colour table, before any pixel was read
    GrayscaleOnly,     // the sampled pixels, under IS_ONLY_GRAYSCALE
    TintedMonochrome,  // the sampled pixels, under the tinted-monochrome criterion
};

struct JudgeEvidence {
    DecidingRule rule = DecidingRule::None;
    // Header and colour table: what was seen, in a few words ("one-component JPEG").
    const char* detail = "";
    // Colour table settled by the judgment: the entries tested (4, 16 or 256).
    int colourEntries = 0;

    // Both criteria: the sampling step and the number of samples on the grid.
    double step = 0.0;
    std::uint64_t samples = 0;

    // Grayscale-only: samples whose channels spread beyond THRESHOLD_GS, their share of all
    // samples in whole percent (truncated, as the criterion compares it), and the largest
    // spread of any sample (-1 without samples). The whole grid is counted even when the first
    // sample that is not gray settled the verdict.
    std::uint64_t notGray = 0;
    std::uint64_t notGrayPercent = 0;
    int largestSpread = -1;

    // Tinted-monochrome: falls and steady steps of the six envelope tables, the fall tolerance
    // in sum units, and the channel values whose two sums lie close together (narrow) or apart.
    std::int64_t falls = 0;
    std::int64_t steadySteps = 0;
    int fallTolerance = 0;
    int narrow = 0;
    int wide = 0;

    // JPEG only: the warnings the decoder gave (a file cut short, corrupt data); -1 otherwise.
    long decoderWarnings = -1;
};
