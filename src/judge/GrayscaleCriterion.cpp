// The grayscale-only criterion: monochrome when the sampled pixels are gray within THRESHOLD_GS,
// allowing NOISE_LIMIT_GS percent of exceptions.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "judge/GrayRuns.h"
#include "judge/JudgeImage.h"
#include "judge/RowCriteria.h"
#include "judge/SampleGrid.h"

namespace {

using judge_detail::PixelDecoder;

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

// Counts the samples of one row that are not gray. With no exception tolerated it stops at the
// first one (returning 1). Every pixel (a step of 1.0): whole groups of gray pixels are passed
// over by the row scanner; from where it stops, the pixels are tested one by one, so the first
// pixel that is not gray is found exactly as the plain walk finds it and the count stays exact.
template <int Depth>
std::uint64_t CountNotGrayInRow(const std::uint8_t* row, const judge_detail::RowGrid& grid,
                                const GraySampleTest<Depth>& isGray, int threshold, bool stopAtFirst) {
    std::uint64_t notGray = 0;
    if (grid.EveryPixel()) {
        const int width = grid.width;
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
                if (stopAtFirst) return 1;
                ++notGray;
            }
        }
        return notGray;
    }
    for (const std::int32_t column : grid.columns) {
        if (isGray(row, column)) continue;
        if (stopAtFirst) return 1;
        ++notGray;
    }
    return notGray;
}

// The grayscale-only criterion over rows. Its verdict is settled as colour as soon as the
// samples that are not gray exceed NOISE_LIMIT_GS of the grid's known total (with a limit of 0,
// at the first of them): more rows only add to that count.
template <int Depth>
class GrayscaleRows final : public judge_detail::RowCriterion {
public:
    GrayscaleRows(const RowFormat& format, const ColourTable& table, const judge_detail::RowGrid& grid,
                  const JudgeParams& params, bool explain)
        : format_(format), table_(table), grid_(grid), isGray_(table, params.THRESHOLD_GS), threshold_(params.THRESHOLD_GS),
          noiseLimit_(params.NOISE_LIMIT_GS), explain_(explain) {}

    bool TakeRow(std::int32_t memoryRow, const std::uint8_t* row) override {
        if (explain_) judge_detail::ExplainGrayscaleRow(Depth, memoryRow, row, grid_, table_, threshold_, counts_);
        if (colour_) return true;
        notGray_ += CountNotGrayInRow<Depth>(row, grid_, isGray_, threshold_, noiseLimit_ == 0.0);
        colour_ = notGray_ > 0 && (noiseLimit_ == 0.0 || VerdictFromCounts(grid_.samples, notGray_, noiseLimit_) == 0);
        return colour_;
    }

    int Verdict(JudgeEvidence* evidence) override {
        if (evidence != nullptr) {
            evidence->rule = DecidingRule::GrayscaleOnly;
            evidence->step = grid_.step;
            evidence->samples = counts_.taken;
            evidence->notGray = counts_.notGray;
            evidence->notGrayPercent = counts_.taken == 0 ? 0 : (100 * counts_.notGray) / counts_.taken;
            evidence->largestSpread = counts_.largestSpread;
            // Memory rows run bottom-up unless the picture is stored top-down.
            const int scale = std::max(1, format_.sourceScale);
            evidence->notGrayPoints = counts_.points;
            for (int p = 0; p < counts_.points; ++p) {
                const int row = format_.topDown ? counts_.pointRow[p] : format_.height - 1 - counts_.pointRow[p];
                evidence->notGrayX[p] = counts_.pointX[p] * scale;
                evidence->notGrayY[p] = row * scale;
            }
        }
        return colour_ ? 0 : VerdictFromCounts(grid_.samples, notGray_, noiseLimit_);
    }

private:
    RowFormat format_;
    const ColourTable& table_;
    const judge_detail::RowGrid& grid_;
    const GraySampleTest<Depth> isGray_;
    int threshold_;
    double noiseLimit_;
    bool explain_;
    std::uint64_t notGray_ = 0;
    bool colour_ = false;
    judge_detail::GrayCounts counts_;
};

}  // namespace

namespace judge_detail {

std::unique_ptr<RowCriterion> MakeGrayscaleRows(const RowFormat& format, const ColourTable& table,
                                                const RowGrid& grid, const JudgeParams& params,
                                                bool explain) {
    switch (format.bitsPerPixel) {
        case 2: return std::make_unique<GrayscaleRows<2>>(format, table, grid, params, explain);
        case 4: return std::make_unique<GrayscaleRows<4>>(format, table, grid, params, explain);
        case 8: return std::make_unique<GrayscaleRows<8>>(format, table, grid, params, explain);
        case 16: return std::make_unique<GrayscaleRows<16>>(format, table, grid, params, explain);
        case 24: return std::make_unique<GrayscaleRows<24>>(format, table, grid, params, explain);
        case 32: return std::make_unique<GrayscaleRows<32>>(format, table, grid, params, explain);
        default: return nullptr;  // the judgment refuses every other depth first
    }
}

}  // namespace judge_detail
