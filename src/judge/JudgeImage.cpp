// The judgment entry: depth check, sampling step, colour table and palette short-cut, and the
// dispatch to the criterion chosen by IS_PERCEPTUAL_JUDGE and IS_ONLY_GRAYSCALE.
#include "judge/JudgeImage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "judge/RowJudgment.h"
#include "judge/SampleGrid.h"

namespace {

bool IsGrayEntry(const RgbQuad& entry, bool useThreshold, int threshold) {
    if (!useThreshold) return entry.red == entry.green && entry.green == entry.blue;
    return judge_detail::ChannelSpread(entry.red, entry.green, entry.blue) <= threshold;
}

}  // namespace

int JudgeImage(const PixelView& view, const RgbQuad* colourTable, int colourCount,
               const JudgeParams& params, std::string& errorText, JudgeEvidence* evidence) {
    RowFormat format = RowFormatOf(view);
    format.colourTable = colourTable;
    format.colourCount = colourCount;
    RowJudgment judgment(params, evidence);
    judgment.BeginRows(format);
    // Memory order: a bottom-up image hands out its bottom row first.
    for (std::int32_t r = 0; r < view.height && !judgment.Satisfied(); ++r) {
        const std::int32_t pictureRow = view.topDown ? r : view.height - 1 - r;
        if (!judgment.TakeRow(pictureRow, view.bits + std::ptrdiff_t{r} * view.stride)) break;
    }
    return judgment.Finish(errorText);
}

std::uint64_t CountGridSamples(int width, int height, double step) {
    if (width <= 0 || height <= 0) return 0;
    if (step == 1.0) return std::uint64_t(static_cast<std::uint32_t>(width)) * static_cast<std::uint32_t>(height);
    // The same repeated additions as the walk, so the same positions fall inside.
    std::uint64_t columns = 0;
    std::uint64_t rows = 0;
    for (double x = step * 0.5; x < static_cast<double>(width); x += step) ++columns;
    for (double y = step * 0.5; y < static_cast<double>(height); y += step) ++rows;
    return columns * rows;
}

double ComputeSamplingStep(int width, int height, const JudgeParams& params) {
    const std::int64_t pixelCount = std::int64_t{width} * height;
    if (params.IS_ALL_PIXEL_JUDGE != 0 || pixelCount <= params.PIXELS_USE_IN_JUDGMENT) return 1.0;
    // This order of operations fixes the last bits of the step, and with them the positions.
    const double ratio = static_cast<double>(width) / height;
    const double q = params.PIXELS_USE_IN_JUDGMENT / ratio;
    return height / std::sqrt(q);
}

bool IsJudgedDepth(std::uint16_t bitsPerPixel) {
    switch (bitsPerPixel) {
        case 2: case 4: case 8: case 16: case 24: case 32: return true;
        default: return false;
    }
}

bool IsGrayPalette(const RgbQuad* entries, int count, const JudgeParams& params) {
    // In tinted and perceptual mode the short-cut never uses THRESHOLD_GS.
    const bool useThreshold =
        params.IS_PERCEPTUAL_JUDGE == 0 && params.IS_ONLY_GRAYSCALE != 0 && params.THRESHOLD_GS != 0;
    const int threshold = params.THRESHOLD_GS;
    for (int i = 0; i < count; ++i) {
        if (!IsGrayEntry(entries[i], useThreshold, threshold)) return false;
    }
    return true;
}

SampleColour FetchSampleColour(const PixelView& view, const ColourTable& colourTable, int column,
                               int row) {
    using judge_detail::PixelDecoder;
    const std::uint8_t* rowStart = view.bits + static_cast<std::ptrdiff_t>(row) * view.stride;
    switch (view.bitsPerPixel) {
        case 2: return PixelDecoder<2>::At(rowStart, column, colourTable);
        case 4: return PixelDecoder<4>::At(rowStart, column, colourTable);
        case 8: return PixelDecoder<8>::At(rowStart, column, colourTable);
        case 16: return PixelDecoder<16>::At(rowStart, column, colourTable);
        case 24: return PixelDecoder<24>::At(rowStart, column, colourTable);
        case 32: return PixelDecoder<32>::At(rowStart, column, colourTable);
        default: return SampleColour{0, 0, 0};  // JudgeImage refuses every other depth first
    }
}
