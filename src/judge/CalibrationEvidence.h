// What calibration keeps of one picture: enough to tell the verdict of every criterion under
// any of its settings without reading the pixels again.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "judge/JudgeParams.h"
#include "judge/PixelView.h"

struct CalibrationEvidence {
    // A verdict from the file's header alone (1 monochrome, 0 colour), the same under every
    // setting; -1 when the pixels decide.
    int fixedVerdict = -1;
    // Palette pictures: the largest channel spread of any colour-table entry; -1 for deeper ones.
    int paletteSpread = -1;

    // Grayscale-only: the samples of the grid by their channel spread.
    std::uint64_t samples = 0;
    std::array<std::uint64_t, 256> samplesBySpread{};

    // Tinted-monochrome: the steps between neighbouring filled envelope entries by how far they
    // fall (0: not at all), and whether the spread test passes (it takes no setting).
    std::array<std::uint32_t, 511> stepsByFall{};
    std::uint64_t steps = 0;
    bool spreadPasses = false;

    // Perceptual: the largest compact coloured region, in pixels, for each threshold of
    // kCalibrationThresholds.
    std::vector<std::int64_t> largestAreas;
    std::vector<std::int64_t> vividAreas;  // the largest vivid region's, likewise
    std::int64_t perceptualPixels = 0;  // of the picture, for its area limit
};

// The thresholds of the perceptual criterion that calibration tries.
extern const std::vector<double> kCalibrationThresholds;

// The evidence of the two channel criteria from the image the other criteria read, with the
// sampling of `params`. `colourTable` holds `colourCount` entries (null for deeper images).
void GatherChannelEvidence(const PixelView& view, const RgbQuad* colourTable, int colourCount,
                           const JudgeParams& params, CalibrationEvidence& evidence);
// The perceptual evidence, from the image as the perceptual criterion reads it.
void GatherPerceptualEvidence(const PixelView& view, const RgbQuad* colourTable, int colourCount,
                              CalibrationEvidence& evidence);

// The verdicts the judgment would give under these settings: 1 monochrome, 0 colour.
int GrayscaleVerdict(const CalibrationEvidence& evidence, int thresholdGs, double noiseLimitGs);
int TintedVerdict(const CalibrationEvidence& evidence, double thresholdMono, double errorLimitMono);
int PerceptualVerdict(const CalibrationEvidence& evidence, std::size_t thresholdIndex, int areaLimit);
