// The tinted-monochrome criterion: monochrome when, for every value of each channel, the sum of
// the other two channels rises with it (test 1) and stays within a narrow band (test 2).
#include <cstdint>
#include <limits>

#include "judge/GrayRuns.h"
#include "judge/JudgeImage.h"
#include "judge/SampleGrid.h"

namespace {

using judge_detail::PixelDecoder;
using judge_detail::WalkSampleGrid;

constexpr int kEmpty = -1;
constexpr double kPercentToSumUnits = 5.1;  // 510 / 100: a two-channel sum spans 0..510
constexpr int kWideSpread = 100;

// While gathering, an empty min entry holds a value above any sum and an empty max entry -1, so
// each update is a plain min and max without a test for emptiness; Finish restores the -1s.
constexpr int kMinUnset = std::numeric_limits<int>::max();

inline void Update(int* minTable, int* maxTable, unsigned index, int sum) {
    if (sum < minTable[index]) minTable[index] = sum;
    if (sum > maxTable[index]) maxTable[index] = sum;
}

// Updates are plain min and max, so the same sample twice, or samples in another order, leave
// the same tables. The gathering uses that three ways, none of which changes a table entry:
// a palette image only notes which entries its samples use and updates once per entry; a gray
// sample (the same index and sum in all three pairs) only notes its value; and a sample of the
// same colour as the one before it is passed over.
class EnvelopeGathering {
public:
    explicit EnvelopeGathering(ChannelSumEnvelopes& e) : e_(e) {}

    void Add(const SampleColour& s) {
        if (s.red == s.green && s.green == s.blue) {
            graySeen_[s.red] = true;
            return;
        }
        const std::uint32_t packed = std::uint32_t{s.red} << 16 | std::uint32_t{s.green} << 8 | s.blue;
        if (packed == last_) return;
        last_ = packed;
        AddColour(s);
    }
    void AddGray(unsigned value) { graySeen_[value] = true; }

    // Applies the gray values noted on the way.
    void Finish() {
        for (unsigned v = 0; v < 256; ++v) {
            if (graySeen_[v]) AddColour(SampleColour{std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)});
        }
    }

private:
    void AddColour(const SampleColour& s) {
        const int r = s.red, g = s.green, b = s.blue;
        Update(e_.minGB, e_.maxGB, s.red, g + b);
        Update(e_.minRB, e_.maxRB, s.green, r + b);
        Update(e_.minRG, e_.maxRG, s.blue, r + g);
    }

    ChannelSumEnvelopes& e_;
    bool graySeen_[256] = {};
    std::uint32_t last_ = 0xFFFFFFFF;  // no colour packs to this
};

// The blue byte of a pixel known to be gray (all three channels alike).
template <int Depth>
unsigned GrayValue(const std::uint8_t* row, int column) {
    if constexpr (Depth == 16) return (unsigned{row[std::ptrdiff_t{column} * 2]} << 3) & 0xF8;
    return row[std::ptrdiff_t{column} * (Depth / 8)];
}

template <int Depth>
void GatherAtDepth(const PixelView& view, const ColourTable& table, double step,
                   ChannelSumEnvelopes& e) {
    EnvelopeGathering gathering(e);
    if constexpr (Depth <= 8) {
        bool entryUsed[256] = {};
        WalkSampleGrid(view, step, [&](const std::uint8_t* row, int column) {
            entryUsed[PixelDecoder<Depth>::Index(row, column)] = true;
            return true;
        });
        for (int i = 0; i < 256; ++i) {
            if (entryUsed[i]) gathering.Add(judge_detail::FromEntry(table.entries[i]));
        }
    } else if (step == 1.0) {
        // Every pixel: runs of gray pixels are recognised many at a time.
        for (int r = 0; r < view.height; ++r) {
            const std::uint8_t* row = view.bits + std::ptrdiff_t{r} * view.stride;
            int column = 0;
            while (column < view.width) {
                const int grayEnd = judge_detail::SkipGrayPixels<Depth>(row, column, view.width, 0);
                for (; column < grayEnd; ++column) gathering.AddGray(GrayValue<Depth>(row, column));
                const int end = view.width - column > judge_detail::kExactRun
                                    ? column + judge_detail::kExactRun : view.width;
                for (; column < end; ++column) gathering.Add(PixelDecoder<Depth>::At(row, column, table));
            }
        }
    } else {
        WalkSampleGrid(view, step, [&](const std::uint8_t* row, int column) {
            gathering.Add(PixelDecoder<Depth>::At(row, column, table));
            return true;
        });
    }
    gathering.Finish();
}

void Reset(ChannelSumEnvelopes& e) {
    for (int i = 0; i < 256; ++i) {
        e.minGB[i] = e.minRB[i] = e.minRG[i] = kMinUnset;
        e.maxGB[i] = e.maxRB[i] = e.maxRG[i] = kEmpty;
    }
}

void Finish(ChannelSumEnvelopes& e) {
    for (int i = 0; i < 256; ++i) {
        if (e.maxGB[i] == kEmpty) e.minGB[i] = kEmpty;
        if (e.maxRB[i] == kEmpty) e.minRB[i] = kEmpty;
        if (e.maxRG[i] == kEmpty) e.minRG[i] = kEmpty;
    }
}

// Counts the falls and steady steps between consecutive filled entries of one table.
void WalkTable(const int* table, int tolerance, long& falls, long& steady) {
    int previous = kEmpty;
    for (int i = 0; i < 256; ++i) {
        const int current = table[i];
        if (current < 0) continue;
        if (previous >= 0) {
            if (current < previous - tolerance) ++falls; else ++steady;
        }
        previous = current;
    }
}

void CountSpread(const int* minTable, const int* maxTable, int& narrow, int& wide) {
    for (int i = 0; i < 256; ++i) {
        if (minTable[i] < 0) continue;
        if (maxTable[i] - minTable[i] >= kWideSpread) ++wide; else ++narrow;
    }
}

}  // namespace

int FallTolerance(const JudgeParams& params) {
    return static_cast<int>(params.THRESHOLD_MONO * kPercentToSumUnits);
}

namespace {

void CountEnvelopeSteps(const ChannelSumEnvelopes& e, int tolerance, long& falls, long& steady) {
    for (const int* table : {e.minGB, e.maxGB, e.minRB, e.maxRB, e.minRG, e.maxRG}) {
        WalkTable(table, tolerance, falls, steady);
    }
}

void CountEnvelopeSpread(const ChannelSumEnvelopes& e, int& narrow, int& wide) {
    CountSpread(e.minGB, e.maxGB, narrow, wide);
    CountSpread(e.minRB, e.maxRB, narrow, wide);
    CountSpread(e.minRG, e.maxRG, narrow, wide);
}

}  // namespace

void GatherChannelSumEnvelopes(const PixelView& view, const ColourTable& colourTable, double step,
                               ChannelSumEnvelopes& envelopes) {
    Reset(envelopes);
    switch (view.bitsPerPixel) {
        case 2: GatherAtDepth<2>(view, colourTable, step, envelopes); break;
        case 4: GatherAtDepth<4>(view, colourTable, step, envelopes); break;
        case 8: GatherAtDepth<8>(view, colourTable, step, envelopes); break;
        case 16: GatherAtDepth<16>(view, colourTable, step, envelopes); break;
        case 24: GatherAtDepth<24>(view, colourTable, step, envelopes); break;
        case 32: GatherAtDepth<32>(view, colourTable, step, envelopes); break;
        default: break;  // JudgeImage refuses every other depth first; no sample read
    }
    Finish(envelopes);
}

bool CheckEnvelopeOrder(const ChannelSumEnvelopes& envelopes, const JudgeParams& params) {
    long falls = 0;
    long steady = 0;
    CountEnvelopeSteps(envelopes, FallTolerance(params), falls, steady);
    if (falls + steady == 0) return true;
    return params.ERROR_LIMIT_MONO >= 100.0 * falls / static_cast<double>(falls + steady);
}

bool CheckEnvelopeSpread(const ChannelSumEnvelopes& envelopes) {
    int narrow = 0;
    int wide = 0;
    CountEnvelopeSpread(envelopes, narrow, wide);
    // With no filled index the share is 0 / 0, not a number, and the test fails.
    if (narrow + wide == 0) return false;
    return static_cast<double>(narrow) / (narrow + wide) >= kNarrowShare;
}

int JudgeTintedMonochrome(const PixelView& view, const ColourTable& colourTable, double step,
                          const JudgeParams& params, JudgeEvidence* evidence) {
    ChannelSumEnvelopes envelopes;
    GatherChannelSumEnvelopes(view, colourTable, step, envelopes);
    const int verdict = CheckEnvelopeOrder(envelopes, params) && CheckEnvelopeSpread(envelopes) ? 1 : 0;
    if (evidence != nullptr) {
        evidence->rule = DecidingRule::TintedMonochrome;
        evidence->step = step;
        evidence->samples = CountGridSamples(view.width, view.height, step);
        ExplainEnvelopes(envelopes, params, *evidence);
    }
    return verdict;
}

void ExplainEnvelopes(const ChannelSumEnvelopes& envelopes, const JudgeParams& params,
                      JudgeEvidence& evidence) {
    // Both tests' counts, although the verdict looks at the spread only after the order passed.
    evidence.fallTolerance = FallTolerance(params);
    long falls = 0;
    long steady = 0;
    CountEnvelopeSteps(envelopes, evidence.fallTolerance, falls, steady);
    evidence.falls = falls;
    evidence.steadySteps = steady;
    evidence.narrow = 0;
    evidence.wide = 0;
    CountEnvelopeSpread(envelopes, evidence.narrow, evidence.wide);
}
