// Internal to src/judge: the criteria as they take a picture row by row. Each keeps only what
// its rule needs (counts, envelopes, cells) and says when its verdict can no longer change.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "judge/JudgeEvidence.h"
#include "judge/JudgeParams.h"
#include "judge/PixelView.h"
#include "judge/RowSink.h"

namespace judge_detail {

// Where the sampling grid falls: every pixel (step 1.0), or these columns of the sampled rows.
struct RowGrid {
    double step = 1.0;
    std::int32_t width = 0;
    std::vector<std::int32_t> columns;  // step above 1.0: the column of each sample of a row
    std::uint64_t samples = 0;          // on the whole grid
    bool EveryPixel() const { return step == 1.0; }
};

// The grid of a picture of this size: the columns laid out by the same repeated additions as
// WalkSampleGrid, so the same positions fall inside.
RowGrid MakeRowGrid(std::int32_t width, std::int32_t height, double step);

// Calls take(row) for every row of the grid, in increasing order, until it returns true. Rows
// are the truncated positions step * 0.5, + step, ... (all rows for a step of 1.0).
template <class Take>
void ForEachGridRow(std::int32_t height, double step, Take&& take) {
    if (step == 1.0) {
        for (std::int32_t r = 0; r < height; ++r) {
            if (take(r)) return;
        }
        return;
    }
    const double heightLimit = height;
    for (double y = step * 0.5; y < heightLimit; y += step) {
        if (take(static_cast<std::int32_t>(y))) return;
    }
}

class RowCriterion {
public:
    virtual ~RowCriterion() = default;
    // A row the criterion reads (a sampled row; every row for the perceptual criterion), its
    // number counted in the grid's row order. True when the verdict is settled: no row still
    // to come can change it.
    virtual bool TakeRow(std::int32_t memoryRow, const std::uint8_t* row) = 0;
    // The verdict from what was taken; with `evidence`, the criterion's numbers too.
    virtual int Verdict(JudgeEvidence* evidence) = 0;
    // The perceptual criterion averages every pixel, whatever the grid says.
    virtual bool ReadsEveryRow() const { return false; }
};

// The grayscale-only criterion's evidence, counted sample by sample with the plain decoding.
struct GrayCounts {
    std::uint64_t taken = 0;
    std::uint64_t notGray = 0;
    int largestSpread = -1;
    // The first samples not gray: column and memory row.
    int points = 0;
    int pointX[JudgeEvidence::kNotGrayPoints] = {};
    int pointRow[JudgeEvidence::kNotGrayPoints] = {};
};
void ExplainGrayscaleRow(int depth, std::int32_t memoryRow, const std::uint8_t* row, const RowGrid& grid,
                         const ColourTable& table, int threshold, GrayCounts& counts);

// With `explain`, every row is counted whole for the evidence, also after the verdict settled.
std::unique_ptr<RowCriterion> MakeGrayscaleRows(const RowFormat& format, const ColourTable& table,
                                                const RowGrid& grid, const JudgeParams& params,
                                                bool explain);
std::unique_ptr<RowCriterion> MakeTintedRows(const RowFormat& format, const ColourTable& table,
                                             const RowGrid& grid, const JudgeParams& params);
std::unique_ptr<RowCriterion> MakePerceptualRows(const RowFormat& format, const ColourTable& table,
                                                 const JudgeParams& params);

}  // namespace judge_detail
