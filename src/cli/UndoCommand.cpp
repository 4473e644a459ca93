#include "cli/UndoCommand.h"

#include <cstdio>
#include <string>

#include "cli/LogsCommand.h"
#include "settings/Settings.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "sort/MoveJournal.h"
#include "sort/ResultLog.h"
#include "sort/ResultLogReader.h"
#include "sort/RunContext.h"
#include "sort/SortHost.h"
#include "sort/Texts.h"
#include "sort/UndoRun.h"

namespace {

// The first field of each output line; a dry run tells what would happen.
struct ReportWords {
    const char* movedBack;
    const char* left;
    const char* removed;
};
const ReportWords kUndoWords{"moved back", "left", "removed folder"};
const ReportWords kDryRunWords{"would move back", "would leave", "would remove folder"};

// When the run began: its log's name says, or else the log file's own creation.
void FindRunStart(const std::filesystem::path& logFile, UndoOptions& options) {
    if (RunStartFromLogName(platform::PathToUtf8(logFile.filename()), options.runStart)) {
        options.hasRunStart = true;
        return;
    }
    platform::EntryTimes times;
    if (platform::ReadEntryTimes(logFile, times) && times.hasCreated) {
        options.hasRunStart = true;
        options.runStart = times.created;
    }
}

}  // namespace

int UndoCommand(const std::filesystem::path& logFile, bool dryRun, QuestionAnswer answer) {
    const std::string logText = platform::PathToUtf8(logFile);
    std::string bytes;
    if (platform::IsDirectory(logFile) || !platform::ReadWholeFile(logFile, bytes)) {
        std::fprintf(stderr, "pallidor-cli: %s\n", FormatText(Text(TextId::CannotReadLog), logText.c_str()).c_str());
        return 2;
    }
    // Lines of neither language's form: another program's file, which nothing here may act on.
    if (!bytes.empty() && ParseResultLog(bytes).empty()) {
        std::fprintf(stderr, "pallidor-cli: %s\n", FormatText(Text(TextId::NotALog), logText.c_str()).c_str());
        return 2;
    }
    UndoOptions options;
    options.dryRun = dryRun;
    FindRunStart(logFile, options);
    // The identities the run recorded beside its log; a log of an older version has none.
    LoadPlacedIdentities(logFile, options);

    if (!dryRun && ModuleFolder.empty()) GetModuleFolder();
    const RunContext context = MakeRunContext(Settings, ModuleFolder);
    if (!dryRun) {
        SortHost host;
        host.AskYesNo = [&](const std::string& question) { return AnswerQuestion(question, answer); };
        if (!OpenResultLog(context, host)) return 2;
        // Moves a killed run or undo left unfinished are settled first, so that the files this
        // undo looks for are where the journal says they went or came from.
        RecoverInterruptedMoves(context, false);
    }
    const UndoReport report = UndoSortRun(context, bytes, options);

    const ReportWords& words = dryRun ? kDryRunWords : kUndoWords;
    for (const UndoneFile& file : report.files) {
        if (file.outcome == UndoOutcome::MovedBack) {
            std::printf("%s\t%s\t%s\n", words.movedBack, file.destination.c_str(), file.origin.c_str());
        } else {
            std::printf("%s\t%s\t%s\n", words.left, file.destination.c_str(), file.message.c_str());
        }
    }
    for (const std::string& folder : report.removedFolders) std::printf("%s\t%s\n", words.removed, folder.c_str());
    std::printf("%s: %d\n%s in place: %d\n%ss: %d\n", words.movedBack, report.movedBack, words.left, report.left,
                words.removed, static_cast<int>(report.removedFolders.size()));
    if (dryRun || LogFilePath.empty()) {
        std::printf("log: none\n");
    } else {
        std::printf("log: %s\n", platform::PathToUtf8(LogFilePath).c_str());
    }
    std::fflush(stdout);
    CloseResultLog();
    if (report.logFailed) {
        std::fprintf(stderr, "pallidor-cli: the log could not be written, so undo stopped moving files back\n");
    }
    return report.left == 0 && !report.logFailed ? 0 : 1;
}
