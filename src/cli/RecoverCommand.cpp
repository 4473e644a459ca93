#include "cli/RecoverCommand.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/Text.h"
#include "sort/MoveJournal.h"
#include "sort/ResultLog.h"
#include "sort/RunContext.h"
#include "sort/SortHost.h"

namespace {

// The first field of each output line; a dry run tells what would happen.
struct ReportWords {
    const char* finished;
    const char* rolledBack;
    const char* left;
    const char* removed;
};
const ReportWords kRecoverWords{"finished", "rolled back", "left", "removed"};
const ReportWords kDryRunWords{"would finish", "would roll back", "would leave", "would remove"};

}  // namespace

int RecoverCommand(const RunContext& context, bool dryRun, QuestionAnswer answer) {
    std::vector<RecoveredMove> moves = RecoverInterruptedMoves(context, true);
    // A log is opened only for something to write into it.
    if (!dryRun && !moves.empty()) {
        SortHost host;
        host.AskYesNo = [&](const std::string& question) { return AnswerQuestion(question, answer); };
        if (!OpenResultLog(context, host)) return 2;
        moves = RecoverInterruptedMoves(context, false);
    }

    const ReportWords& words = dryRun ? kDryRunWords : kRecoverWords;
    int finished = 0;
    int rolledBack = 0;
    int left = 0;
    for (const RecoveredMove& move : moves) {
        switch (move.outcome) {
            case RecoveredAs::Finished:
                ++finished;
                std::printf("%s\t%s\t%s\n", words.finished, move.source.c_str(), move.target.c_str());
                break;
            case RecoveredAs::RolledBack:
                ++rolledBack;
                std::printf("%s\t%s\t%s\n", words.rolledBack, move.source.c_str(), move.target.c_str());
                break;
            case RecoveredAs::Left:
                ++left;
                std::printf("%s\t%s\t%s\n", words.left, move.source.c_str(), move.message.c_str());
                break;
        }
        for (const std::string& path : move.removed) std::printf("%s\t%s\n", words.removed, path.c_str());
    }
    std::printf("%s: %d\n%s: %d\n%s: %d\n", words.finished, finished, words.rolledBack, rolledBack, words.left, left);
    if (dryRun || moves.empty() || LogFilePath.empty()) {
        std::printf("log: none\n");
    } else {
        std::printf("log: %s\n", platform::PathToUtf8(LogFilePath).c_str());
    }
    std::fflush(stdout);
    CloseResultLog();
    return left == 0 ? 0 : 1;
}
