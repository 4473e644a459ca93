// The judgment as rows arrive from a decoder: it keeps what its criterion needs and says when
// the verdict is settled, so that the loader can stop reading there.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "judge/JudgeEvidence.h"
#include "judge/JudgeParams.h"
#include "judge/RowSink.h"

namespace judge_detail {
class RowCriterion;
struct RowGrid;
}  // namespace judge_detail

// One judgment of one picture: BeginRows, rows until TakeRow returns false (or the picture
// ends), then Finish. Every verdict is the one JudgeImage gives the whole picture: a criterion
// settles only when no row still to come can change its verdict. With `evidence`, it never
// asks the loader to stop (the evidence covers the whole picture) and notes where an ordinary
// judgment settled.
class RowJudgment final : public RowSink {
public:
    RowJudgment(const JudgeParams& params, JudgeEvidence* evidence = nullptr);
    ~RowJudgment() override;
    RowJudgment(const RowJudgment&) = delete;
    RowJudgment& operator=(const RowJudgment&) = delete;

    bool BeginRows(const RowFormat& format) override;
    bool TakeRow(std::int32_t pictureRow, const std::uint8_t* pixels) override;
    bool Satisfied() const override;
    // Without evidence: the evidence needs the pixels.
    bool SettlesExactlyGray() const override { return evidence_ == nullptr; }
    void TakeExactlyGray() override;

    // 1 monochrome, 0 colour. For a depth the judgment does not read, writes
    // "【ERROR】非対応のファイル形式です。" into errorText and returns 1.
    int Finish(std::string& errorText);

    // Rows taken when the verdict settled (0: before any row); -1 while it is not settled.
    std::int64_t SettledAfterRows() const { return settledAfter_; }
    std::int64_t RowsTaken() const { return rowsTaken_; }

private:
    void Settle();

    JudgeParams params_;
    JudgeEvidence* evidence_;
    RowFormat format_;
    ColourTable table_{};
    std::unique_ptr<judge_detail::RowGrid> grid_;
    std::vector<std::int32_t> sampledRows_;  // the grid's rows, increasing, unless it has every pixel
    std::unique_ptr<judge_detail::RowCriterion> criterion_;
    bool begun_ = false;
    bool unjudged_ = false;
    bool settled_ = false;
    int settledVerdict_ = -1;  // a verdict reached without the criterion: 1 or 0
    std::int64_t rowsTaken_ = 0;
    std::int64_t settledAfter_ = -1;
    bool exactlyGray_ = false;
};
