#include "judge/CalibrationEvidence.h"

#include <algorithm>
#include <cstring>

#include "judge/JudgeImage.h"
#include "judge/PerceptualCriterion.h"
#include "judge/SampleGrid.h"

const std::vector<double> kCalibrationThresholds = {4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 24, 28, 32};

namespace {

using judge_detail::ChannelSpread;
using judge_detail::PixelDecoder;

template <int Depth>
void CountSpreads(const PixelView& view, const ColourTable& table, double step, CalibrationEvidence& evidence) {
    judge_detail::WalkSampleGrid(view, step, [&](const std::uint8_t* row, int column) {
        const SampleColour s = PixelDecoder<Depth>::At(row, column, table);
        ++evidence.samplesBySpread[static_cast<std::size_t>(ChannelSpread(s.red, s.green, s.blue))];
        ++evidence.samples;
        return true;
    });
}

void CountFalls(const int* table, CalibrationEvidence& evidence) {
    int previous = -1;
    for (int i = 0; i < 256; ++i) {
        const int current = table[i];
        if (current < 0) continue;
        if (previous >= 0) {
            ++evidence.stepsByFall[static_cast<std::size_t>(std::max(0, previous - current))];
            ++evidence.steps;
        }
        previous = current;
    }
}

ColourTable CopyTable(const RgbQuad* colourTable, int colourCount, int nominalCount) {
    ColourTable table{};
    const int copied = colourTable == nullptr ? 0 : std::clamp(colourCount, 0, nominalCount);
    if (copied > 0) std::memcpy(table.entries, colourTable, static_cast<std::size_t>(copied) * sizeof(RgbQuad));
    return table;
}

}  // namespace

void GatherChannelEvidence(const PixelView& view, const RgbQuad* colourTable, int colourCount,
                           const JudgeParams& params, CalibrationEvidence& evidence) {
    const int nominal = view.bitsPerPixel <= 8 ? 1 << view.bitsPerPixel : 0;
    const ColourTable table = CopyTable(colourTable, colourCount, nominal);
    if (nominal > 0) {
        evidence.paletteSpread = 0;
        for (int i = 0; i < nominal; ++i) {
            const RgbQuad& e = table.entries[i];
            evidence.paletteSpread = std::max(evidence.paletteSpread, ChannelSpread(e.red, e.green, e.blue));
        }
    }
    const double step = ComputeSamplingStep(view.width, view.height, params);
    switch (view.bitsPerPixel) {
        case 2: CountSpreads<2>(view, table, step, evidence); break;
        case 4: CountSpreads<4>(view, table, step, evidence); break;
        case 8: CountSpreads<8>(view, table, step, evidence); break;
        case 16: CountSpreads<16>(view, table, step, evidence); break;
        case 24: CountSpreads<24>(view, table, step, evidence); break;
        case 32: CountSpreads<32>(view, table, step, evidence); break;
        default: break;
    }
    ChannelSumEnvelopes envelopes;
    GatherChannelSumEnvelopes(view, table, step, envelopes);
    for (const int* t : {envelopes.minGB, envelopes.maxGB, envelopes.minRB, envelopes.maxRB,
                         envelopes.minRG, envelopes.maxRG}) {
        CountFalls(t, evidence);
    }
    evidence.spreadPasses = CheckEnvelopeSpread(envelopes);
}

void GatherPerceptualEvidence(const PixelView& view, const RgbQuad* colourTable, int colourCount,
                              CalibrationEvidence& evidence) {
    const int nominal = view.bitsPerPixel <= 8 ? 1 << view.bitsPerPixel : 0;
    const ColourTable table = CopyTable(colourTable, colourCount, nominal);
    PerceptualCells cells;
    PreparePerceptualCells(view, table, cells);
    evidence.largestAreas.clear();
    evidence.vividAreas.clear();
    evidence.perceptualPixels = CellPixelCount(cells);
    for (const double threshold : kCalibrationThresholds) {
        PerceptualFindings findings;
        FindColouredRegions(cells, threshold, findings);
        evidence.largestAreas.push_back(findings.largestArea);
        evidence.vividAreas.push_back(findings.vividArea);
    }
}

int GrayscaleVerdict(const CalibrationEvidence& evidence, int thresholdGs, double noiseLimitGs) {
    if (evidence.fixedVerdict >= 0) return evidence.fixedVerdict;
    if (evidence.paletteSpread >= 0 && evidence.paletteSpread <= thresholdGs) return 1;
    std::uint64_t notGray = 0;
    for (int s = thresholdGs + 1; s < 256; ++s) notGray += evidence.samplesBySpread[static_cast<std::size_t>(s)];
    if (noiseLimitGs == 0.0) return notGray == 0 ? 1 : 0;
    if (evidence.samples == 0) return 1;
    const std::uint64_t percentage = (100 * notGray) / evidence.samples;
    return noiseLimitGs >= static_cast<double>(percentage) ? 1 : 0;
}

int TintedVerdict(const CalibrationEvidence& evidence, double thresholdMono, double errorLimitMono) {
    if (evidence.fixedVerdict >= 0) return evidence.fixedVerdict;
    if (evidence.paletteSpread == 0) return 1;
    JudgeParams params;
    params.THRESHOLD_MONO = thresholdMono;
    const int tolerance = FallTolerance(params);
    std::uint64_t falls = 0;
    for (int d = tolerance + 1; d < 511; ++d) falls += evidence.stepsByFall[static_cast<std::size_t>(d)];
    const bool orderPasses =
        evidence.steps == 0 || errorLimitMono >= 100.0 * static_cast<double>(falls) / static_cast<double>(evidence.steps);
    return orderPasses && evidence.spreadPasses ? 1 : 0;
}

int PerceptualVerdict(const CalibrationEvidence& evidence, std::size_t thresholdIndex, int areaLimit) {
    if (evidence.fixedVerdict >= 0) return evidence.fixedVerdict;
    if (evidence.paletteSpread == 0) return 1;
    if (thresholdIndex >= evidence.largestAreas.size()) return 1;
    return RegionsShowColour(evidence.largestAreas[thresholdIndex], evidence.vividAreas[thresholdIndex],
                             EffectiveAreaLimit(evidence.perceptualPixels, areaLimit))
               ? 0
               : 1;
}
