// The evidence of the grayscale-only criterion. In a file of its own, apart from the criterion,
// so that the compiler cannot fold this walk into the ordinary judgment's code: the judgment
// without evidence stays the code it was.
#include <algorithm>
#include <cstdint>

#include "judge/RowCriteria.h"
#include "judge/SampleGrid.h"

namespace {

using judge_detail::PixelDecoder;

// Every sample one by one with the plain decoding, apart from the criterion's fast walks, so
// the counts are those the rules give whatever the scanners do.
template <int Depth>
void ExplainRowAtDepth(std::int32_t memoryRow, const std::uint8_t* row, const judge_detail::RowGrid& grid, const ColourTable& table,
                       int threshold, judge_detail::GrayCounts& counts) {
    auto count = [&](int column) {
        const SampleColour s = PixelDecoder<Depth>::At(row, column, table);
        const int spread = judge_detail::ChannelSpread(s.red, s.green, s.blue);
        counts.largestSpread = std::max(counts.largestSpread, spread);
        if (spread > threshold) {
            ++counts.notGray;
            if (counts.points < JudgeEvidence::kNotGrayPoints) {
                counts.pointX[counts.points] = column;
                counts.pointRow[counts.points] = memoryRow;
                ++counts.points;
            }
        }
        ++counts.taken;
    };
    if (grid.EveryPixel()) {
        for (int column = 0; column < grid.width; ++column) count(column);
    } else {
        for (const std::int32_t column : grid.columns) count(column);
    }
}

}  // namespace

namespace judge_detail {

void ExplainGrayscaleRow(int depth, std::int32_t memoryRow, const std::uint8_t* row, const RowGrid& grid,
                         const ColourTable& table, int threshold, GrayCounts& counts) {
    switch (depth) {
        case 2: ExplainRowAtDepth<2>(memoryRow, row, grid, table, threshold, counts); break;
        case 4: ExplainRowAtDepth<4>(memoryRow, row, grid, table, threshold, counts); break;
        case 8: ExplainRowAtDepth<8>(memoryRow, row, grid, table, threshold, counts); break;
        case 16: ExplainRowAtDepth<16>(memoryRow, row, grid, table, threshold, counts); break;
        case 24: ExplainRowAtDepth<24>(memoryRow, row, grid, table, threshold, counts); break;
        case 32: ExplainRowAtDepth<32>(memoryRow, row, grid, table, threshold, counts); break;
        default: break;
    }
}

}  // namespace judge_detail
