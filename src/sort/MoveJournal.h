// The move journal. A move that cannot be one rename (the target lies on another file system)
// copies the file, puts the copy in place and then removes the source; a process killed in
// between would leave two files, or a partial copy. So before the copy starts, the move is
// recorded durably in a small entry file of its own, and the entry is removed only once the
// move is complete and its log line written. Recovery, at the start of every sorting run and
// undo, finishes or undoes what a killed process left.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/Files.h"

namespace platform {
struct HeldFile;
}
struct RunContext;

// The entries live in the context's journal folder; where an entry cannot be written there, it
// goes to the context's fallback journal folder, when there is one; recovery reads both.
// Without either, no move that needs the journal is made.

enum class MoveOutcome {
    Moved,
    Failed,        // the file stays where it was
    NotJournaled,  // another file system, and the journal could not be written: the file stays
};

// What a move that is done keeps until its log line is written: the journal entry of a copy
// (held) and its temporary name, and the move's record in the ledger with the identity of the
// file placed.
struct PendingMove {
    platform::HeldFile* entry = nullptr;
    std::string temporary;
    std::uint64_t ledgerId = 0;
    platform::FileIdentity placed;
};

// Moves the file `source` to `target`, never replacing a file: one rename where it can be one,
// otherwise a journaled copy. Either is recorded in the move ledger first (MoveLedger.h); a
// record that cannot be written refuses the move (NotJournaled). Two moves of this process
// never work on one target at once: the second is refused (Failed) before anything is written. `monochrome` is the word its moved line will carry, should a
// recovery have to write it. When the result is Moved, call FinishMove with `pending` after the
// log line is written.
MoveOutcome MoveFileJournaled(const RunContext& context, const std::string& source, const std::string& target,
                              bool monochrome, PendingMove& pending);
// Clears the journal entry of a finished move, once its log line is written.
void FinishMove(const RunContext& context, PendingMove& pending);
// Lets go of the journal entry of a finished move whose log line could not be written: the
// entry stays, and the next recovery writes the line.
void KeepMoveForRecovery(PendingMove& pending);

enum class RecoveredAs {
    Finished,    // the copy was in place (the very file the entry made): the source is gone
    RolledBack,  // the copy was partial or not in place: it is gone, the source stays
    Left,        // something was not as the journal says: nothing more was removed
};

struct RecoveredMove {
    std::string source;
    std::string target;
    bool monochrome = false;
    RecoveredAs outcome = RecoveredAs::Left;
    std::vector<std::string> removed;  // files removed (in a dry run: that would be)
    std::string message;               // the text of its log line, when it has one
};

// Finishes or undoes each move of the journal whose process has ended, then writes the lines
// of renames that an ended process made but did not log (RecoverLedgers). A finished move gets
// its moved line in the current log (WriteResultLog) unless its own log has it already, a move
// left as it was an error line; an undone one none, since its file is where it was. The proof
// that a copy at the target is the entry's own is identity, never equal bytes: the copy keeps
// its temporary name `<target folder>/.pallidor-move-<entry id>` as a second link until the
// move is over. An entry of any other shape (paths not absolute and normalised, a temporary
// named otherwise) is reported and left alone. A dry run changes and writes nothing.
std::vector<RecoveredMove> RecoverInterruptedMoves(const RunContext& context, bool dryRun);

// The steps of a journaled move in their order, where the context's stopsBefore may stop it (as
// a killed process would). CleanUp is the removal of what a failed step left; ClearJournal comes
// after the log line, ClearTemporary after the entry has noted that line.
enum class JournaledStep { WriteJournal, Copy, Place, RemoveSource, ClearJournal, ClearTemporary, CleanUp };
