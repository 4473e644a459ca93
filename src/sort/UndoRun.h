// Undoing a sorting run from its result log: every file the run moved goes back where it came
// from, never replacing a file in either direction, and the "monochrome" and "color" folders
// the run made go when they are left empty.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <utility>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Files.h"

struct RunContext;

enum class UndoOutcome {
    MovedBack,           // moved back (in a dry run: would be)
    DestinationGone,     // nothing is where the run put the file: removed or renamed since
    DestinationChanged,  // the entry there changed after the run's log line: replaced or edited
    OriginTaken,         // another entry has the file's original name
    OriginFolderFailed,  // the original folder is gone and could not be made again
    MoveFailed,
};

struct UndoneFile {
    std::string destination;  // where the run put the file
    std::string origin;       // where it came from
    bool monochrome = false;
    UndoOutcome outcome = UndoOutcome::MoveFailed;
    std::string message;      // the text of its line in the undo's own log
};

struct UndoOptions {
    bool dryRun = false;
    // How far the clock of a file system (a network share's, say) may run ahead of ours: an
    // entry changed no later than this after the run's log line counts as unchanged.
    std::int64_t clockSlackMilliseconds = 2000;
    // When the run started (its log's name tells); a folder made before then is not the run's.
    bool hasRunStart = false;
    platform::LocalTime runStart{};
    // The identity each move left its file with, by source and target, from the run's ledger.
    // With them a file is moved back only when it is that very file, unchanged; without them
    // (a log of an older version) only when its entry has not changed since the log's line.
    bool hasPlacedIdentities = false;
    std::map<std::pair<std::string, std::string>, platform::FileIdentity> placedIdentities;
};

struct UndoReport {
    std::vector<UndoneFile> files;            // the newest move first
    std::vector<std::string> removedFolders;  // in a dry run: those that would go
    int movedBack = 0;
    int left = 0;
    bool logFailed = false;  // a line could not be written: no further file was moved back
};

// Reads the identities recorded beside the log `logFile` (its move ledger) into `options`;
// false for a log without one (written by an older version).
bool LoadPlacedIdentities(const std::filesystem::path& logFile, UndoOptions& options);

// Undoes the moves recorded in `logBytes`, a run's result log. Unless it is a dry run, each
// file and each removed folder gets a line through WriteResultLog, in the format of the runs:
// a moved file "[destination]【モノクロ】「origin」に移動しました。" (so that undoing the undo's
// log sorts the files again), a file left with the reason.
UndoReport UndoSortRun(const RunContext& context, const std::string& logBytes, const UndoOptions& options);
