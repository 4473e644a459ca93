#include "judge/RowJudgment.h"

#include <algorithm>
#include <cstring>

#include "judge/JudgeImage.h"
#include "judge/RowCriteria.h"

namespace judge_detail {

RowGrid MakeRowGrid(std::int32_t width, std::int32_t height, double step) {
    RowGrid grid;
    grid.step = step;
    grid.width = width;
    grid.samples = CountGridSamples(width, height, step);
    if (step != 1.0) {
        const double widthLimit = width;
        for (double x = step * 0.5; x < widthLimit; x += step) grid.columns.push_back(static_cast<std::int32_t>(x));
    }
    return grid;
}

}  // namespace judge_detail

RowJudgment::RowJudgment(const JudgeParams& params, JudgeEvidence* evidence)
    : params_(params), evidence_(evidence) {}

RowJudgment::~RowJudgment() = default;

bool RowJudgment::BeginRows(const RowFormat& format) {
    // A reader that gives up after BeginRows may hand the file to another reader, which begins
    // again.
    criterion_.reset();
    grid_.reset();
    sampledRows_.clear();
    table_ = ColourTable{};
    unjudged_ = settled_ = exactlyGray_ = false;
    settledVerdict_ = -1;
    rowsTaken_ = 0;
    settledAfter_ = -1;
    format_ = format;
    format_.colourTable = nullptr;  // copied below; the caller's table need not outlive this call
    begun_ = true;
    if (!IsJudgedDepth(format.bitsPerPixel) || format.width <= 0 || format.height <= 0) {
        unjudged_ = true;
        Settle();
        return true;
    }
    // Entries the image does not define stay zero (black, hence gray), so a short table neither
    // spoils the short-cut nor lets a stray pixel index read past the image's own table.
    if (format.bitsPerPixel <= 8) {
        const int nominalCount = 1 << format.bitsPerPixel;
        const int copied = format.colourTable == nullptr ? 0 : std::clamp(format.colourCount, 0, nominalCount);
        if (copied > 0) {
            std::memcpy(table_.entries, format.colourTable, static_cast<std::size_t>(copied) * sizeof(RgbQuad));
        }
        if (IsGrayPalette(table_.entries, nominalCount, params_)) {
            if (evidence_ != nullptr) {
                evidence_->rule = DecidingRule::ColourTable;
                evidence_->detail = "every colour-table entry gray";
                evidence_->colourEntries = nominalCount;
            }
            settledVerdict_ = 1;
            Settle();
            return true;
        }
    }

    const double step = ComputeSamplingStep(format.width, format.height, params_);
    const bool perceptual = params_.IS_PERCEPTUAL_JUDGE != 0;
    grid_ = std::make_unique<judge_detail::RowGrid>(
        judge_detail::MakeRowGrid(format.width, format.height, perceptual ? 1.0 : step));
    if (perceptual) {
        criterion_ = judge_detail::MakePerceptualRows(format_, table_, params_);
    } else if (params_.IS_ONLY_GRAYSCALE != 0) {
        criterion_ = judge_detail::MakeGrayscaleRows(format_, table_, *grid_, params_, evidence_ != nullptr);
    } else {
        criterion_ = judge_detail::MakeTintedRows(format_, table_, *grid_, params_);
    }
    if (!grid_->EveryPixel()) {
        // The grid's rows in increasing order: about sqrt(PIXELS_USE_IN_JUDGMENT * height /
        // width) of them, never one entry per row of a picture that only claims to be tall.
        judge_detail::ForEachGridRow(format.height, step, [this](std::int32_t r) {
            sampledRows_.push_back(r);
            return false;
        });
    }
    // A grid without a single sample is settled before the first row.
    if (grid_->samples == 0) Settle();
    return true;
}

void RowJudgment::Settle() {
    if (settled_) return;
    settled_ = true;
    settledAfter_ = rowsTaken_;
}

bool RowJudgment::Satisfied() const {
    // The evidence of a criterion covers every row; a short-cut or a refusal needs none.
    if (!settled_) return false;
    return evidence_ == nullptr || criterion_ == nullptr;
}

bool RowJudgment::TakeRow(std::int32_t pictureRow, const std::uint8_t* pixels) {
    if (!begun_ || pictureRow < 0 || pictureRow >= format_.height) return !Satisfied();
    ++rowsTaken_;
    if (criterion_ == nullptr || exactlyGray_ || (settled_ && evidence_ == nullptr)) return !Satisfied();
    const std::int32_t memoryRow = format_.topDown ? pictureRow : format_.height - 1 - pictureRow;
    const bool read = grid_->EveryPixel() || criterion_->ReadsEveryRow() ||
                      std::binary_search(sampledRows_.begin(), sampledRows_.end(), memoryRow);
    if (read && criterion_->TakeRow(memoryRow, pixels)) Settle();
    return !Satisfied();
}

void RowJudgment::TakeExactlyGray() {
    if (!begun_ || criterion_ == nullptr || evidence_ != nullptr) return;
    exactlyGray_ = true;
    // Every sample gray: the grayscale-only and perceptual criteria find no colour at all, and
    // the tinted-monochrome envelopes only rise with every spread 0, which passes both tests
    // when there is any sample (and fails the spread test without one).
    if (params_.IS_PERCEPTUAL_JUDGE == 0 && params_.IS_ONLY_GRAYSCALE == 0) {
        settledVerdict_ = grid_->samples > 0 ? 1 : 0;
    } else {
        settledVerdict_ = 1;
    }
    Settle();
}

int RowJudgment::Finish(std::string& errorText) {
    if (evidence_ != nullptr) {
        evidence_->settledAfterRows = settledAfter_;
        evidence_->pictureRows = format_.height;
    }
    if (unjudged_) {
        errorText = "【ERROR】非対応のファイル形式です。";
        return 1;
    }
    if (settledVerdict_ >= 0) return settledVerdict_;
    return criterion_->Verdict(evidence_);
}
