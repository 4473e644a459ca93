// The tinted-monochrome criterion: monochrome when, for every value of each channel, the sum of
// the other two channels rises with it (test 1) and stays within a narrow band (test 2).
#include <cstdint>
#include <limits>
#include <memory>

#include "judge/GrayRuns.h"
#include "judge/JudgeImage.h"
#include "judge/RowCriteria.h"
#include "judge/SampleGrid.h"

namespace {

using judge_detail::PixelDecoder;

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
        ++colours_;
        AddColour(s);
    }
    // Colours (not gray) applied so far.
    std::uint64_t Colours() const { return colours_; }
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
    std::uint64_t colours_ = 0;
};

// The blue byte of a pixel known to be gray (all three channels alike).
template <int Depth>
unsigned GrayValue(const std::uint8_t* row, int column) {
    if constexpr (Depth == 16) return (unsigned{row[std::ptrdiff_t{column} * 2]} << 3) & 0xF8;
    return row[std::ptrdiff_t{column} * (Depth / 8)];
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

// Channel values a table can be filled at: 16-bit pixels only have multiples of 8.
constexpr int PossibleIndices(int depth) { return depth == 16 ? 3 * 32 : 3 * 256; }

// The envelopes gathered row by row. A filled channel value never turns from wide back to
// narrow (its min only falls and its max only rises), and at most every possible value can be
// filled; so once so many are wide that all the rest being narrow could not reach the narrow
// share, the spread test has failed and the picture is colour, whatever the order test finds.
class TintedRowsBase : public judge_detail::RowCriterion {
public:
    // The finished tables (every entry -1 or a sum), after the last row.
    virtual const ChannelSumEnvelopes& Gather() = 0;
};

template <int Depth>
class TintedRows final : public TintedRowsBase {
public:
    TintedRows(const ColourTable& table, const judge_detail::RowGrid& grid, const JudgeParams& params)
        : table_(table), grid_(grid), params_(params), gathering_(envelopes_) {
        Reset(envelopes_);
    }

    bool TakeRow(std::int32_t, const std::uint8_t* row) override {
        if constexpr (Depth <= 8) {
            // Palette pictures: only the entries in use count, applied once at the end.
            if (grid_.EveryPixel()) {
                for (int column = 0; column < grid_.width; ++column) entryUsed_[PixelDecoder<Depth>::Index(row, column)] = true;
            } else {
                for (const std::int32_t column : grid_.columns) entryUsed_[PixelDecoder<Depth>::Index(row, column)] = true;
            }
            return false;
        } else {
            const std::uint64_t before = gathering_.Colours();
            if (grid_.EveryPixel()) {
                // Every pixel: runs of gray pixels are recognised many at a time.
                const int width = grid_.width;
                int column = 0;
                while (column < width) {
                    const int grayEnd = judge_detail::SkipGrayPixels<Depth>(row, column, width, 0);
                    for (; column < grayEnd; ++column) gathering_.AddGray(GrayValue<Depth>(row, column));
                    const int end = width - column > judge_detail::kExactRun ? column + judge_detail::kExactRun : width;
                    for (; column < end; ++column) gathering_.Add(PixelDecoder<Depth>::At(row, column, table_));
                }
            } else {
                for (const std::int32_t column : grid_.columns) gathering_.Add(PixelDecoder<Depth>::At(row, column, table_));
            }
            return gathering_.Colours() != before && SpreadCannotPass();
        }
    }

    int Verdict(JudgeEvidence* evidence) override {
        Gather();
        const int verdict = CheckEnvelopeOrder(envelopes_, params_) && CheckEnvelopeSpread(envelopes_) ? 1 : 0;
        if (evidence != nullptr) {
            evidence->rule = DecidingRule::TintedMonochrome;
            evidence->step = grid_.step;
            evidence->samples = grid_.samples;
            ExplainEnvelopes(envelopes_, params_, *evidence);
        }
        return verdict;
    }

    const ChannelSumEnvelopes& Gather() override {
        if constexpr (Depth <= 8) {
            for (int i = 0; i < 256; ++i) {
                if (entryUsed_[i]) gathering_.Add(judge_detail::FromEntry(table_.entries[i]));
            }
        }
        gathering_.Finish();
        Finish(envelopes_);
        return envelopes_;
    }

private:
    // The wide values so far are a lower bound of the final count: gray values still pending
    // only add to the tables.
    bool SpreadCannotPass() const {
        int wide = 0;
        const int* tables[3][2] = {{envelopes_.minGB, envelopes_.maxGB}, {envelopes_.minRB, envelopes_.maxRB},
                                   {envelopes_.minRG, envelopes_.maxRG}};
        for (const auto& pair : tables) {
            for (int i = 0; i < 256; ++i) wide += pair[1][i] - pair[0][i] >= kWideSpread ? 1 : 0;
        }
        // narrow / (narrow + wide) < kNarrowShare (0.6) even with every value not yet wide
        // narrow, in integers: the shares are fractions of at most 768ths, far from 0.6.
        const int possible = PossibleIndices(Depth);
        return 5 * (possible - wide) < 3 * possible;
    }

    const ColourTable& table_;
    const judge_detail::RowGrid& grid_;
    const JudgeParams& params_;
    ChannelSumEnvelopes envelopes_{};
    EnvelopeGathering gathering_;
    bool entryUsed_[256] = {};
};

std::unique_ptr<TintedRowsBase> MakeTintedRowsOf(int depth, const ColourTable& table,
                                                             const judge_detail::RowGrid& grid,
                                                             const JudgeParams& params) {
    switch (depth) {
        case 2: return std::make_unique<TintedRows<2>>(table, grid, params);
        case 4: return std::make_unique<TintedRows<4>>(table, grid, params);
        case 8: return std::make_unique<TintedRows<8>>(table, grid, params);
        case 16: return std::make_unique<TintedRows<16>>(table, grid, params);
        case 24: return std::make_unique<TintedRows<24>>(table, grid, params);
        case 32: return std::make_unique<TintedRows<32>>(table, grid, params);
        default: return nullptr;  // the judgment refuses every other depth first
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

namespace judge_detail {

std::unique_ptr<RowCriterion> MakeTintedRows(const RowFormat& format, const ColourTable& table,
                                             const RowGrid& grid, const JudgeParams& params) {
    return MakeTintedRowsOf(format.bitsPerPixel, table, grid, params);
}

}  // namespace judge_detail

void GatherChannelSumEnvelopes(const PixelView& view, const ColourTable& colourTable, double step,
                               ChannelSumEnvelopes& envelopes) {
    const judge_detail::RowGrid grid = judge_detail::MakeRowGrid(view.width, view.height, step);
    for (int i = 0; i < 256; ++i) {
        envelopes.minGB[i] = envelopes.maxGB[i] = envelopes.minRB[i] = envelopes.maxRB[i] = kEmpty;
        envelopes.minRG[i] = envelopes.maxRG[i] = kEmpty;
    }
    const JudgeParams params;
    auto criterion = MakeTintedRowsOf(view.bitsPerPixel, colourTable, grid, params);
    if (criterion == nullptr) return;  // JudgeImage refuses every other depth first; no sample read
    judge_detail::ForEachGridRow(view.height, step, [&](std::int32_t r) {
        criterion->TakeRow(r, view.bits + std::ptrdiff_t{r} * view.stride);
        return false;
    });
    envelopes = static_cast<TintedRowsBase&>(*criterion).Gather();
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
    // The channel that strayed: the one whose pair of tables falls most, or else spreads most.
    const int* const tables[3][2] = {{envelopes.minGB, envelopes.maxGB},
                                     {envelopes.minRB, envelopes.maxRB},
                                     {envelopes.minRG, envelopes.maxRG}};
    long mostFalls = 0;
    int mostWide = 0;
    evidence.strayChannel = -1;
    for (int channel = 0; channel < 3; ++channel) {
        long channelFalls = 0, channelSteady = 0;
        WalkTable(tables[channel][0], evidence.fallTolerance, channelFalls, channelSteady);
        WalkTable(tables[channel][1], evidence.fallTolerance, channelFalls, channelSteady);
        int channelNarrow = 0, channelWide = 0;
        CountSpread(tables[channel][0], tables[channel][1], channelNarrow, channelWide);
        if (channelFalls > mostFalls || (channelFalls == mostFalls && channelWide > mostWide)) {
            mostFalls = channelFalls;
            mostWide = channelWide;
            evidence.strayChannel = channel;
        }
    }
}
