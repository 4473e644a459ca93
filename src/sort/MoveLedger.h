// The move ledger: beside each log, a record of every move made under it, written before the
// move and completed once the move's log line is written. It is what lets a later process see
// a move that a killed one made but never logged (a rename is one step, with no journal entry
// of its own), and what lets undo prove that the file it finds is the very file the run put
// there: each record carries the file's identity (FileIdentity), which a rename keeps and a
// replacement or an edit changes.
//
// One line per record, fields separated by tabs, paths escaped as in the log:
//   pallidor moves 1                                   the first line
//   move ID VERDICT DEVICE INDEX SIZE MODIFIED SOURCE TARGET   before the move (the source's identity)
//   done ID DEVICE INDEX SIZE MODIFIED                 after its log line (the target's identity)
//   end                                                the run closed with every move logged
// Records are appended without flushing: a killed process loses nothing the kernel holds.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/Files.h"

struct RecoveredMove;
struct RunContext;

// "2026_01_05_09_03_07_045.moves" beside "2026_01_05_09_03_07_045.txt".
std::filesystem::path LedgerPathOf(const std::filesystem::path& logPath);

// Creates and holds the ledger of the log at `logPath` (through `files`), closing any earlier one. False when it
// cannot be created: moves are then refused, as for a log that cannot be written.
bool OpenMoveLedger(const std::filesystem::path& logPath, const platform::FileSystem& files);
// Ends the current ledger ("end" when every move in it got its line) and lets it go.
void CloseMoveLedger();
// Whether a ledger is open (a run with a log).
bool MoveLedgerOpen();

// Records a move about to be made; `id` receives its number (0 when no ledger is open). False
// when the record could not be written: the move must not be made.
bool RecordMoveIntent(const std::string& source, const std::string& target, bool monochrome,
                      const platform::FileIdentity& before, std::uint64_t& id);
// Takes back the record of a move that was not made after all (it failed, changing nothing).
void ForgetMoveIntent(std::uint64_t id);
// Records that the move `id` has its log line; `after` is the identity of the file placed.
void RecordMoveDone(std::uint64_t id, const platform::FileIdentity& after);

struct LedgerMove {
    std::uint64_t id = 0;
    bool monochrome = false;
    std::string source;
    std::string target;
    platform::FileIdentity before;
    bool done = false;
    platform::FileIdentity after;
};
struct Ledger {
    std::vector<LedgerMove> moves;
    bool ended = false;
};
// A ledger's records; a torn last line and lines of other forms are skipped. False when the
// bytes are no ledger.
bool ParseLedger(const std::string& bytes, Ledger& ledger);

// The identity each move of a ledger left its file with, by source and target: the identity
// after the move where its line was completed, otherwise the source's (a rename keeps it).
std::map<std::pair<std::string, std::string>, platform::FileIdentity> PlacedIdentities(const Ledger& ledger);

// For every ledger in the context's logs folder that no process holds and that has no "end": each move
// on record whose file is at its target, as the rename left it, but whose log has no line for
// it gets its moved line in the current log; then the ledger is ended. Moves across file
// systems are left to the move journal.
void RecoverLedgers(const RunContext& context, bool dryRun, std::vector<RecoveredMove>& recovered);
