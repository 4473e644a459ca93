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
    Perceptual,        // the picture as a reader sees it, under IS_PERCEPTUAL_JUDGE
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
    // The first samples found not gray, in the order the rows came, from the picture's
    // top-left corner (at most kNotGrayPoints of them).
    static constexpr int kNotGrayPoints = 8;
    int notGrayPoints = 0;
    int notGrayX[kNotGrayPoints] = {};
    int notGrayY[kNotGrayPoints] = {};

    // Tinted-monochrome: falls and steady steps of the six envelope tables, the fall tolerance
    // in sum units, and the channel values whose two sums lie close together (narrow) or apart.
    std::int64_t falls = 0;
    std::int64_t steadySteps = 0;
    int fallTolerance = 0;
    int narrow = 0;
    int wide = 0;
    // The channel whose envelope of the other two strayed most (falls, then wide indices):
    // 0 red, 1 green, 2 blue; -1 when none strayed.
    int strayChannel = -1;

    // Perceptual: the side of a cell in pixels of the stored picture and the grid of cells; the
    // share of cells coloured beyond THRESHOLD_PERCEPTUAL; the largest connected coloured region
    // (pixels, -1 position without one, its top-left from the picture's top-left corner) and
    // the strongest colour in it; the area limit it was held against; whether the colours
    // follow one hue along lightness (toned), that curve's strongest colour and hue angle, or
    // else the uniform cast taken off (a*, b*).
    int cellSide = 0;
    int cellsWide = 0;
    int cellsHigh = 0;
    double chromaticShare = 0.0;
    std::int64_t largestRegion = 0;
    int regionX = -1;
    int regionY = -1;
    int regionWidth = 0;   // the region's bounding box, in pixels of the stored picture
    int regionHeight = 0;
    // Below the area limit, the vivid regions that made the picture colour (pixels, all of
    // them; 0: none): then the position, box and colour above are the largest one's.
    std::int64_t vividRegion = 0;
    double regionChroma = 0.0;
    std::int64_t areaLimit = 0;
    bool toned = false;
    double toneChroma = 0.0;
    double toneHue = 0.0;
    double castA = 0.0;
    double castB = 0.0;

    // Where an ordinary judgment, which stops reading once its verdict is settled, settled:
    // after this many rows of pictureRows, in the order the file stores them (0: before any
    // row); -1 when it needed every row. A JPEG whose chroma coefficients are all zero is
    // settled from them, before any row is decoded.
    std::int64_t settledAfterRows = -1;
    std::int64_t pictureRows = 0;
    bool settledByCoefficients = false;

    // Files of several pages (TIFF): the page, counted from 1, whose judgment gave the verdict
    // (the first colour page, or the last of pages all monochrome) and the pages judged up to
    // it; 0 for formats of one picture.
    int page = 0;
    int pagesJudged = 0;

    // JPEG only: the warnings the decoder gave (a file cut short, corrupt data); -1 otherwise.
    long decoderWarnings = -1;

    // Set by a caller that wants the decoder's warnings alone: the judgment then runs as it
    // does without evidence, stopping at the row that settles it, and only decoderWarnings is
    // filled (for what was read).
    bool warningsOnly = false;
};
