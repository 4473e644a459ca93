// The evidence of the grayscale-only criterion. In a file of its own, apart from the criterion,
// so that the compiler cannot fold this walk into the ordinary judgment's code: the judgment
// without evidence stays the code it was.
#include <algorithm>
#include <cstdint>

#include "judge/JudgeImage.h"
#include "judge/SampleGrid.h"

namespace {

using judge_detail::PixelDecoder;
using judge_detail::WalkSampleGrid;

// Every sample one by one with the plain decoding, apart from the criterion's fast walks, so
// the counts are those the rules give whatever the scanners do.
template <int Depth>
void ExplainGrayscaleAtDepth(const PixelView& view, const ColourTable& table, double step,
                             int threshold, JudgeEvidence& evidence) {
    std::uint64_t taken = 0;
    std::uint64_t notGray = 0;
    int largestSpread = -1;
    WalkSampleGrid(view, step, [&](const std::uint8_t* row, int column) {
        const SampleColour s = PixelDecoder<Depth>::At(row, column, table);
        const int spread = judge_detail::ChannelSpread(s.red, s.green, s.blue);
        largestSpread = std::max(largestSpread, spread);
        notGray += spread > threshold ? 1 : 0;
        ++taken;
        return true;
    });
    evidence.samples = taken;
    evidence.notGray = notGray;
    evidence.notGrayPercent = taken == 0 ? 0 : (100 * notGray) / taken;
    evidence.largestSpread = largestSpread;
}

}  // namespace

void ExplainGrayscaleOnly(const PixelView& view, const ColourTable& table, double step,
                          const JudgeParams& params, JudgeEvidence& evidence) {
    evidence.rule = DecidingRule::GrayscaleOnly;
    evidence.step = step;
    const int threshold = params.THRESHOLD_GS;
    switch (view.bitsPerPixel) {
        case 2: ExplainGrayscaleAtDepth<2>(view, table, step, threshold, evidence); break;
        case 4: ExplainGrayscaleAtDepth<4>(view, table, step, threshold, evidence); break;
        case 8: ExplainGrayscaleAtDepth<8>(view, table, step, threshold, evidence); break;
        case 16: ExplainGrayscaleAtDepth<16>(view, table, step, threshold, evidence); break;
        case 24: ExplainGrayscaleAtDepth<24>(view, table, step, threshold, evidence); break;
        case 32: ExplainGrayscaleAtDepth<32>(view, table, step, threshold, evidence); break;
        default: break;
    }
}

