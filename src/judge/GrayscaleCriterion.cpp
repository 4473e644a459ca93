// The grayscale-only criterion: monochrome when the sampled pixels are gray within THRESHOLD_GS,
// allowing NOISE_LIMIT_GS percent of exceptions.
#include <algorithm>
#include <cstdint>

#include "judge/GrayRuns.h"
#include "judge/JudgeImage.h"
#include "judge/SampleGrid.h"

namespace {

using judge_detail::PixelDecoder;
using judge_detail::WalkSampleGrid;

// The gray test of one sample. For palette depths the answer depends on the entry alone, so it
// is worked out once per entry and each sample costs one lookup.
template <int Depth>
class GraySampleTest {
public:
    GraySampleTest(const ColourTable& table, int threshold) : table_(table), threshold_(threshold) {
        if constexpr (Depth <= 8) {
            for (int i = 0; i < 256; ++i) {
                const RgbQuad& e = table.entries[i];
                grayEntry_[i] = judge_detail::ChannelSpread(e.red, e.green, e.blue) <= threshold;
            }
            // A byte holds 8 / Depth pixels: it is gray when each of them is.
            for (unsigned byte = 0; byte < 256; ++byte) {
                bool gray = true;
                for (int shift = 0; shift < 8; shift += Depth) gray = gray && grayEntry_[(byte >> shift) & ((1u << Depth) - 1)];
                grayByte_[byte] = gray;
            }
        }
    }

    // Palette depths: passes over groups of 8 bytes of gray pixels; the contract of the row
    // scanners (every pixel before the result is gray, reads stay within the row's pixels).
    int SkipGrayPixels(const std::uint8_t* row, int column, int width) const {
        constexpr int kPerByte = 8 / Depth;
        constexpr int kGroup = 8 * kPerByte;
        if (column % kPerByte != 0) return column;
        const std::uint8_t* p = row + column / kPerByte;
        for (; column + kGroup <= width; column += kGroup, p += 8) {
            unsigned gray = 1;
            for (int k = 0; k < 8; ++k) gray &= grayByte_[p[k]];
            if (gray == 0) break;
        }
        return column;
    }

    bool operator()(const std::uint8_t* row, int column) const {
        if constexpr (Depth <= 8) {
            return grayEntry_[PixelDecoder<Depth>::Index(row, column)];
        } else {
            const SampleColour s = PixelDecoder<Depth>::At(row, column, table_);
            return judge_detail::ChannelSpread(s.red, s.green, s.blue) <= threshold_;
        }
    }

private:
    const ColourTable& table_;
    int threshold_;
    bool grayEntry_[Depth <= 8 ? 256 : 1] = {};
    bool grayByte_[Depth <= 8 ? 256 : 1] = {};
};

// Percentage of samples that are not gray against the limit; a grid without samples has shown
// nothing that is not gray and is monochrome.
int VerdictFromCounts(std::uint64_t taken, std::uint64_t notGray, double noiseLimit) {
    if (taken == 0) return 1;
    // 64-bit counters: 100 times the sample count of a large image walked whole exceeds 32 bits.
    const std::uint64_t percentage = (100 * notGray) / taken;
    return noiseLimit >= static_cast<double>(percentage) ? 1 : 0;
}

// Every pixel in order (a step of 1.0). Whole groups of gray pixels are passed over by the
// row scanner; from where it stops, the pixels are tested one by one, so the first pixel that is
// not gray is found exactly as the plain walk finds it and the count stays exact.
template <int Depth>
int JudgeEveryPixel(const PixelView& view, const GraySampleTest<Depth>& isGray, int threshold,
                    double noiseLimit) {
    const int width = view.width;
    std::uint64_t notGray = 0;
    for (int r = 0; r < view.height; ++r) {
        const std::uint8_t* row = view.bits + std::ptrdiff_t{r} * view.stride;
        int column = 0;
        while (column < width) {
            if constexpr (Depth > 8) {
                column = judge_detail::SkipGrayPixels<Depth>(row, column, width, threshold);
            } else {
                column = isGray.SkipGrayPixels(row, column, width);
            }
            const int end = width - column > judge_detail::kExactRun ? column + judge_detail::kExactRun : width;
            for (; column < end; ++column) {
                if (isGray(row, column)) continue;
                if (noiseLimit == 0.0) return 0;  // no exception tolerated: settled here
                ++notGray;
            }
        }
    }
    const std::uint64_t taken = std::uint64_t(static_cast<std::uint32_t>(width)) *
                                static_cast<std::uint32_t>(view.height);
    return VerdictFromCounts(taken, notGray, noiseLimit);
}

template <int Depth>
int JudgeGrayscaleAtDepth(const PixelView& view, const ColourTable& table, double step,
                          int threshold, double noiseLimit) {
    const GraySampleTest<Depth> isGray(table, threshold);
    if (step == 1.0) return JudgeEveryPixel<Depth>(view, isGray, threshold, noiseLimit);

    if (noiseLimit == 0.0) {
        // No exception tolerated: the first sample that is not gray settles the image.
        return WalkSampleGrid(view, step, isGray) ? 1 : 0;
    }
    std::uint64_t taken = 0;
    std::uint64_t notGray = 0;
    WalkSampleGrid(view, step, [&](const std::uint8_t* row, int column) {
        notGray += isGray(row, column) ? 0 : 1;
        ++taken;
        return true;
    });
    return VerdictFromCounts(taken, notGray, noiseLimit);
}

int JudgeGrayscale(const PixelView& view, const ColourTable& colourTable, double step,
                   const JudgeParams& params) {
    const int threshold = params.THRESHOLD_GS;
    const double noiseLimit = params.NOISE_LIMIT_GS;
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

}  // namespace

int JudgeGrayscaleOnly(const PixelView& view, const ColourTable& colourTable, double step,
                       const JudgeParams& params, JudgeEvidence* evidence) {
    // The evidence first: the verdict's walk then stays the last call, as without evidence.
    if (evidence != nullptr) ExplainGrayscaleOnly(view, colourTable, step, params, *evidence);
    return JudgeGrayscale(view, colourTable, step, params);
}
