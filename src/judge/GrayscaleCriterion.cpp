// The grayscale-only criterion: monochrome when the sampled pixels are gray within THRESHOLD_GS,
// allowing NOISE_LIMIT_GS percent of exceptions.
#include <cstdint>

#include "app/Settings.h"
#include "judge/JudgeImage.h"
#include "judge/SampleGrid.h"

namespace {

using judge_detail::PixelDecoder;
using judge_detail::WalkSampleGrid;

inline bool IsGraySample(const SampleColour& s, int threshold) {
    return judge_detail::ChannelSpread(s.red, s.green, s.blue) <= threshold;
}

template <int Depth>
int JudgeGrayscaleAtDepth(const PixelView& view, const ColourTable& table, double step,
                          int threshold, double noiseLimit) {
    if (noiseLimit == 0.0) {
        // No exception tolerated: the first sample that is not gray settles the image.
        const bool allGray = WalkSampleGrid(view, step, [&](const std::uint8_t* row, int column) {
            return IsGraySample(PixelDecoder<Depth>::At(row, column, table), threshold);
        });
        // A grid without samples has shown nothing that is not gray: monochrome.
        return allGray ? 1 : 0;
    }

    // 64-bit counters: 100 times the sample count of a large image walked whole exceeds 32 bits.
    std::uint64_t taken = 0;
    std::uint64_t notGray = 0;
    WalkSampleGrid(view, step, [&](const std::uint8_t* row, int column) {
        notGray += IsGraySample(PixelDecoder<Depth>::At(row, column, table), threshold) ? 0 : 1;
        ++taken;
        return true;
    });
    if (taken == 0) return 1;  // as above: nothing that is not gray was seen
    const std::uint64_t percentage = (100 * notGray) / taken;
    return noiseLimit >= static_cast<double>(percentage) ? 1 : 0;
}

}  // namespace

int JudgeGrayscaleOnly(const PixelView& view, const ColourTable& colourTable, double step) {
    const int threshold = Settings.THRESHOLD_GS;
    const double noiseLimit = Settings.NOISE_LIMIT_GS;
    switch (view.bitsPerPixel) {
        case 2: return JudgeGrayscaleAtDepth<2>(view, colourTable, step, threshold, noiseLimit);
        case 4: return JudgeGrayscaleAtDepth<4>(view, colourTable, step, threshold, noiseLimit);
        case 8: return JudgeGrayscaleAtDepth<8>(view, colourTable, step, threshold, noiseLimit);
        case 16: return JudgeGrayscaleAtDepth<16>(view, colourTable, step, threshold, noiseLimit);
        case 24: return JudgeGrayscaleAtDepth<24>(view, colourTable, step, threshold, noiseLimit);
        case 32: return JudgeGrayscaleAtDepth<32>(view, colourTable, step, threshold, noiseLimit);
        default: return 1;  // JudgeImage refuses every other depth first; no sample read
    }
}
