#include "sort/UndoRun.h"

#include <algorithm>
#include <map>
#include <set>

#include "platform/Files.h"
#include "platform/Text.h"
#include "sort/Messages.h"
#include "sort/MoveJournal.h"
#include "sort/MoveLedger.h"
#include "sort/ResultLog.h"
#include "sort/ResultLogReader.h"
#include "sort/RunContext.h"
#include "sort/SortPath.h"

namespace {

// File systems stamp times from a clock that is read once per scheduler tick (every 1 to 16
// ms), so an entry made just after we read the time can carry a slightly earlier one.
constexpr std::int64_t kTimestampTickMilliseconds = 100;

bool Exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(platform::PathFromUtf8(path), error));
}

bool IsRegularFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::symlink_status(platform::PathFromUtf8(path), error));
}

// The destination still holds what the run put there: a file whose entry has not changed
// since the run logged the move (a rename, a replacement or an edit each changes it). Where
// the file system keeps no such time, its presence has to do.
bool StillAsMoved(const LoggedMove& move, const UndoOptions& options) {
    if (!IsRegularFile(move.target)) return false;
    if (options.hasPlacedIdentities) {
        const auto placed = options.placedIdentities.find({move.source, move.target});
        platform::FileIdentity now;
        return placed != options.placedIdentities.end() &&
               platform::ReadIdentity(platform::PathFromUtf8(move.target), false, now) && now == placed->second;
    }
    const std::int64_t slack = options.clockSlackMilliseconds;
    platform::EntryTimes times;
    if (!platform::ReadEntryTimes(platform::PathFromUtf8(move.target), times)) return false;
    return !times.hasChanged || MillisecondsOf(times.changed) <= MillisecondsOf(move.time) + slack;
}

std::string OriginFolder(const std::string& origin) {
    return RemoveTrailingSeparator(SplitSortPath(origin).folder);
}

UndoneFile UndoOneMove(const RunContext& context, const LoggedMove& move, const UndoOptions& options, PendingMove& pending) {
    UndoneFile file;
    file.destination = move.target;
    file.origin = move.source;
    file.monochrome = move.monochrome;

    if (!Exists(move.target)) {
        file.outcome = UndoOutcome::DestinationGone;
        file.message = messages::DestinationGone(move.source);
        return file;
    }
    if (!StillAsMoved(move, options)) {
        file.outcome = UndoOutcome::DestinationChanged;
        file.message = messages::DestinationChanged(move.source);
        return file;
    }
    if (Exists(move.source)) {
        file.outcome = UndoOutcome::OriginTaken;
        file.message = messages::OriginTaken(move.source);
        return file;
    }
    file.outcome = UndoOutcome::MovedBack;
    file.message = messages::Moved(move.monochrome, move.source);
    if (options.dryRun) return file;

    // The original folder may have gone since; one level is made again, as the mover makes its
    // sub-folders.
    const std::string folder = OriginFolder(move.source);
    const std::filesystem::path folderPath = platform::PathFromUtf8(folder);
    if (!folder.empty() && !platform::EnsureFolder(folderPath, *context.seams.files)) {
        file.outcome = UndoOutcome::OriginFolderFailed;
        file.message = messages::OriginFolderFailed(folder);
        return file;
    }
    switch (MoveFileJournaled(context, move.target, move.source, move.monochrome, pending)) {
        case MoveOutcome::Moved: break;
        case MoveOutcome::NotJournaled:
            file.outcome = UndoOutcome::MoveFailed;
            file.message = messages::MoveBackNotJournaled(move.source);
            break;
        case MoveOutcome::Failed:
            file.outcome = UndoOutcome::MoveFailed;
            file.message = messages::MoveBackFailed(move.source);
            break;
    }
    return file;
}

// A destination folder the run may have made: the "monochrome" or "color" sub-folder of the
// file's own folder (fixed destinations are the user's and are never candidates).
bool IsSubFolderDestination(const LoggedMove& move, std::string& folder) {
    folder = RemoveTrailingSeparator(SplitSortPath(move.target).folder);
    const SplitPath parts = SplitSortPath(folder);
    return parts.name == (move.monochrome ? "monochrome" : "color") &&
           parts.folder == SplitSortPath(move.source).folder;
}

// False only when the file system shows the folder older than the run.
bool MayBeTheRuns(const std::string& folder, const UndoOptions& options) {
    if (!options.hasRunStart) return true;
    platform::EntryTimes times;
    if (!platform::ReadEntryTimes(platform::PathFromUtf8(folder), times) || !times.hasCreated) return true;
    return MillisecondsOf(times.created) + options.clockSlackMilliseconds + kTimestampTickMilliseconds >=
           MillisecondsOf(options.runStart);
}

// In a dry run: whether the folder would be empty once the files planned back have left it.
bool WouldBeEmpty(const std::string& folder, const std::set<std::string>& leaving) {
    bool empty = true;
    const bool listed = platform::ListFolder(platform::PathFromUtf8(folder), [&](const std::filesystem::path& name, bool) {
        if (leaving.count(JoinFolderAndName(folder, platform::PathToUtf8(name))) == 0) empty = false;
    });
    return listed && empty;
}

}  // namespace

bool LoadPlacedIdentities(const std::filesystem::path& logFile, UndoOptions& options) {
    std::string bytes;
    if (!platform::ReadWholeFile(LedgerPathOf(logFile), bytes)) return false;
    Ledger ledger;
    if (!ParseLedger(bytes, ledger)) return false;
    options.hasPlacedIdentities = true;
    options.placedIdentities = PlacedIdentities(ledger);
    return true;
}

UndoReport UndoSortRun(const RunContext& context, const std::string& logBytes, const UndoOptions& options) {
    UndoReport report;
    std::vector<LoggedMove> moves = FindLoggedMoves(logBytes);
    std::reverse(moves.begin(), moves.end());

    std::set<std::string> leaving;
    for (const LoggedMove& move : moves) {
        if (!move.moved) continue;
        // A move back without its line would be one that no later undo can see.
        if (!options.dryRun && LogWriteFailed) {
            report.logFailed = true;
            ++report.left;
            continue;
        }
        PendingMove pending;
        UndoneFile file = UndoOneMove(context, move, options, pending);
        if (file.outcome == UndoOutcome::MovedBack) {
            ++report.movedBack;
            leaving.insert(file.destination);
        } else {
            ++report.left;
        }
        if (options.dryRun || WriteResultLog(context, file.destination, file.message)) {
            FinishMove(context, pending);
        } else {
            KeepMoveForRecovery(pending);
        }
        report.files.push_back(std::move(file));
    }

    // Folders of failed moves count too: the run may have made one and then failed to fill it.
    // The deepest go first, so a "monochrome" inside a "monochrome" can leave its parent empty.
    std::set<std::string> folders;
    for (const LoggedMove& move : moves) {
        std::string folder;
        if (IsSubFolderDestination(move, folder)) folders.insert(folder);
    }
    std::vector<std::string> ordered(folders.begin(), folders.end());
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const std::string& folder : ordered) {
        if (!platform::IsDirectory(platform::PathFromUtf8(folder)) || !MayBeTheRuns(folder, options)) continue;
        const bool removed = options.dryRun ? WouldBeEmpty(folder, leaving)
                                            : platform::RemoveEmptyFolder(platform::PathFromUtf8(folder), *context.seams.files);
        if (!removed) continue;
        report.removedFolders.push_back(folder);
        if (options.dryRun) {
            leaving.insert(folder);
        } else {
            WriteResultLog(context, folder, messages::EmptyFolderRemoved());
        }
    }
    return report;
}
