#include "sort/MoveJournal.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <cstring>
#include <random>
#include <set>

#include "platform/Files.h"
#include "platform/MoveSteps.h"
#include "platform/Places.h"
#include "platform/Text.h"
#include "sort/Messages.h"
#include "sort/MoveLedger.h"
#include "sort/ResultLog.h"
#include "sort/RunContext.h"
#include "sort/SortPath.h"

namespace {

constexpr char kEntryHeader[] = "pallidor move journal 2";
constexpr char kEntrySuffix[] = ".move";
constexpr char kTemporaryPrefix[] = ".pallidor-move-";

bool StopsAt(const RunContext& context, JournaledStep step) {
    return context.seams.stopsBefore && context.seams.stopsBefore(step);
}

bool Exists(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

// 64 random bits as 16 hex digits: the name of an entry and of its move's temporary copy. The
// generator is seeded once per process; creating either file refuses an existing name anyway.
std::string NewMoveId() {
    static std::mutex lock;
    static std::mt19937_64 random([] {
        std::random_device device;
        const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        return (static_cast<std::uint64_t>(device()) << 32) ^ device() ^ now;
    }());
    std::lock_guard<std::mutex> hold(lock);
    return FormatText("%016llx", static_cast<unsigned long long>(random()));
}

// A journal entry: one "key=value" line per field. Line ends and '%' inside a path (POSIX
// names may hold them) are written as %0A, %0D and %25. Once the move's log line is written,
// "logged" is appended, so that a recovery after a kill right then does not log it twice.
struct JournalEntry {
    std::string source;
    std::string target;
    std::string temporary;
    bool monochrome = false;
    std::uintmax_t size = 0;
    platform::FileIdentity before;  // the source's, when the entry was written
    bool logged = false;
};

std::string Escape(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '%') {
            out += "%25";
        } else if (c == '\n') {
            out += "%0A";
        } else if (c == '\r') {
            out += "%0D";
        } else {
            out += c;
        }
    }
    return out;
}

std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && text.compare(i, 3, "%25") == 0) {
            out += '%';
        } else if (text[i] == '%' && text.compare(i, 3, "%0A") == 0) {
            out += '\n';
        } else if (text[i] == '%' && text.compare(i, 3, "%0D") == 0) {
            out += '\r';
        } else {
            out += text[i];
            continue;
        }
        i += 2;
    }
    return out;
}

std::string EncodeEntry(const JournalEntry& entry) {
    const platform::FileIdentity& id = entry.before;
    return std::string(kEntryHeader) + "\nsource=" + Escape(entry.source) + "\ntarget=" + Escape(entry.target) +
           "\ntemporary=" + Escape(entry.temporary) + "\nverdict=" + (entry.monochrome ? "monochrome" : "color") +
           "\nsize=" + std::to_string(entry.size) +
           FormatText("\nidentity=%llu %llu %llu %lld", static_cast<unsigned long long>(id.device),
                      static_cast<unsigned long long>(id.index), static_cast<unsigned long long>(id.size),
                      static_cast<long long>(id.modified)) +
           "\nend\n";
}

bool Digits(const std::string& text) {
    return !text.empty() && text.size() <= 19 && text.find_first_not_of("0123456789") == std::string::npos;
}

bool DecodeIdentity(const std::string& text, platform::FileIdentity& id) {
    std::string parts[4];
    std::size_t at = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t space = i < 3 ? text.find(' ', at) : text.size();
        if (space == std::string::npos) return false;
        parts[i] = text.substr(at, space - at);
        at = space + 1;
    }
    const bool negative = !parts[3].empty() && parts[3][0] == '-';
    const std::string modified = negative ? parts[3].substr(1) : parts[3];
    if (!Digits(parts[0]) || !Digits(parts[1]) || !Digits(parts[2]) || !Digits(modified)) return false;
    id.device = std::stoull(parts[0]);
    id.index = std::stoull(parts[1]);
    id.size = std::stoull(parts[2]);
    id.modified = static_cast<std::int64_t>(std::stoull(modified)) * (negative ? -1 : 1);
    return true;
}

// False for anything but a whole entry: a torn or foreign file names nothing we may touch.
bool DecodeEntry(const std::string& bytes, JournalEntry& entry) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) return false;
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    auto value = [&lines](std::size_t index, const char* key, std::string& out) {
        const std::string prefix = std::string(key) + "=";
        if (index >= lines.size() || lines[index].compare(0, prefix.size(), prefix) != 0) return false;
        out = Unescape(lines[index].substr(prefix.size()));
        return true;
    };
    std::string verdict;
    std::string size;
    std::string identity;
    if ((lines.size() != 8 && !(lines.size() == 9 && lines[8] == "logged")) || lines[0] != kEntryHeader ||
        lines[7] != "end" || !value(1, "source", entry.source) || !value(2, "target", entry.target) ||
        !value(3, "temporary", entry.temporary) || !value(4, "verdict", verdict) || !value(5, "size", size) ||
        !value(6, "identity", identity) || (verdict != "monochrome" && verdict != "color") || !Digits(size) ||
        !DecodeIdentity(identity, entry.before) || entry.source.empty() || entry.target.empty() ||
        entry.temporary.empty()) {
        return false;
    }
    entry.monochrome = verdict == "monochrome";
    entry.size = std::stoull(size);
    entry.logged = lines.size() == 9;
    return true;
}

std::string TemporaryFor(const std::string& target, const std::string& id) {
    return JoinFolderAndName(RemoveTrailingSeparator(SplitSortPath(target).folder), kTemporaryPrefix + id);
}

// An absolute path with no "." or ".." part and no doubled separator, as the runs write them.
bool IsNormalAbsolute(const std::string& text) {
    const std::filesystem::path path = platform::PathFromUtf8(text);
    return path.is_absolute() && path.lexically_normal() == path && !path.filename().empty();
}

// Whether an entry names what its own moves make: normal paths and the temporary that the
// entry's id gives.
bool HasItsOwnShape(const JournalEntry& entry, const std::string& id) {
    return IsNormalAbsolute(entry.source) && IsNormalAbsolute(entry.target) && entry.temporary == TemporaryFor(entry.target, id);
}

// Targets a move of this process is working on.
std::mutex ClaimLock;
std::set<std::string> ClaimedTargets;

class TargetClaim {
public:
    explicit TargetClaim(const std::string& target) : target_(target) {
        std::lock_guard<std::mutex> hold(ClaimLock);
        held_ = ClaimedTargets.insert(target).second;
    }
    ~TargetClaim() {
        if (!held_) return;
        std::lock_guard<std::mutex> hold(ClaimLock);
        ClaimedTargets.erase(target_);
    }
    TargetClaim(const TargetClaim&) = delete;
    TargetClaim& operator=(const TargetClaim&) = delete;
    bool Held() const { return held_; }

private:
    std::string target_;
    bool held_ = false;
};

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    platform::FileIdentity first;
    platform::FileIdentity second;
    return platform::ReadIdentity(a, false, first) && platform::ReadIdentity(b, false, second) &&
           first.SameFileAs(second);
}

// Removes what a failed step of the move left behind: the copy under its temporary name and,
// when the step that failed came after putting it in place, the copy under the target name,
// which this process knows as the file it made (`copy`). The entry stays when anything stays.
void CleanUp(const RunContext& context, platform::HeldFile* entry, const JournalEntry& move,
             const platform::FileIdentity* copy) {
    if (StopsAt(context, JournaledStep::CleanUp)) {
        platform::ReleaseHeldFile(entry, false);
        return;
    }
    const std::filesystem::path temporary = platform::PathFromUtf8(move.temporary);
    const std::filesystem::path target = platform::PathFromUtf8(move.target);
    bool clean = true;
    platform::FileIdentity atTarget;
    if (copy != nullptr && platform::ReadIdentity(target, false, atTarget) && atTarget.SameFileAs(*copy)) {
        clean = platform::RemoveFile(target);
    }
    if (Exists(temporary)) clean = platform::RemoveFile(temporary) && clean;
    platform::ReleaseHeldFile(entry, clean);
}

// Writes the entry in the journal folder, or in the fallback where that fails.
platform::HeldFile* WriteEntry(const RunContext& context, const std::string& id, const JournalEntry& move) {
    for (const std::filesystem::path& folder : {context.journalFolder, context.fallbackJournalFolder}) {
        // Made with the logs folder when missing.
        if (folder.empty() || !platform::CreatePlace(folder, *context.seams.files)) continue;
        platform::HeldFile* entry = platform::CreateHeldFile(folder / platform::PathFromUtf8(id + kEntrySuffix),
                                                             EncodeEntry(move), *context.seams.files);
        if (entry != nullptr) return entry;
    }
    return nullptr;
}

}  // namespace

MoveOutcome MoveFileJournaled(const RunContext& context, const std::string& sourceText, const std::string& targetText, bool monochrome,
                              PendingMove& pending) {
    pending = PendingMove{};
    const std::filesystem::path source = platform::PathFromUtf8(sourceText);
    const std::filesystem::path target = platform::PathFromUtf8(targetText);
    const TargetClaim claim(targetText);
    if (!claim.Held()) return MoveOutcome::Failed;
    JournalEntry move;
    if (!platform::ReadIdentity(source, false, move.before)) return MoveOutcome::Failed;
    std::uint64_t ledgerId = 0;
    if (!RecordMoveIntent(sourceText, targetText, monochrome, move.before, ledgerId)) {
        // The logs folder cannot be written: the run stops as for a lost log line.
        LogWriteFailed = true;
        return MoveOutcome::NotJournaled;
    }
    // A move that made no change needs no record: the ledger's run may end as complete.
    auto unmade = [ledgerId](MoveOutcome outcome) {
        ForgetMoveIntent(ledgerId);
        return outcome;
    };
    switch (platform::RenameNoReplace(source, target, *context.seams.files)) {
        case platform::RenameOutcome::Renamed:
            pending.ledgerId = ledgerId;
            if (!platform::ReadIdentity(target, false, pending.placed)) pending.placed = move.before;
            return MoveOutcome::Moved;
        case platform::RenameOutcome::Failed: return unmade(MoveOutcome::Failed);
        case platform::RenameOutcome::OtherFileSystem: break;
    }
    // A taken name would refuse the copy only at the end; it is refused before anything is written.
    if (Exists(target) || !platform::RegularFileSize(source, move.size)) return unmade(MoveOutcome::Failed);
    const std::string id = NewMoveId();
    move.source = sourceText;
    move.target = targetText;
    move.temporary = TemporaryFor(targetText, id);
    move.monochrome = monochrome;

    if (StopsAt(context, JournaledStep::WriteJournal)) return MoveOutcome::Failed;
    platform::HeldFile* entry = WriteEntry(context, id, move);
    if (entry == nullptr) return unmade(MoveOutcome::NotJournaled);

    const std::filesystem::path temporary = platform::PathFromUtf8(move.temporary);
    platform::FileIdentity copy;
    bool copyKept = false;
    const JournaledStep steps[] = {JournaledStep::Copy, JournaledStep::Place, JournaledStep::RemoveSource};
    for (const JournaledStep step : steps) {
        if (StopsAt(context, step)) {
            platform::ReleaseHeldFile(entry, false);
            return MoveOutcome::Failed;
        }
        bool done = false;
        switch (step) {
            case JournaledStep::Copy:
                done = platform::CopyToNewFile(source, temporary, *context.seams.files) && platform::ReadIdentity(temporary, false, copy);
                break;
            case JournaledStep::Place: done = platform::PlaceCopy(temporary, target, copyKept, *context.seams.files); break;
            // A source whose removal reports failure but that is gone all the same was moved.
            default: done = platform::RemoveMovedSource(source, *context.seams.files) || !Exists(source); break;
        }
        if (!done) {
            CleanUp(context, entry, move, step == JournaledStep::Copy ? nullptr : &copy);
            return unmade(MoveOutcome::Failed);
        }
    }
    pending.entry = entry;
    if (copyKept) pending.temporary = move.temporary;
    pending.ledgerId = ledgerId;
    pending.placed = copy;
    return MoveOutcome::Moved;
}

void FinishMove(const RunContext& context, PendingMove& pending) {
    if (pending.entry != nullptr) {
        // Stopped here, the move is on record in the entry only: recovery logs it.
        if (StopsAt(context, JournaledStep::ClearJournal)) {
            KeepMoveForRecovery(pending);
            return;
        }
        platform::AppendToHeldFile(pending.entry, "logged\n");
        if (StopsAt(context, JournaledStep::ClearTemporary)) {
            KeepMoveForRecovery(pending);
            return;
        }
        const bool clean = pending.temporary.empty() || platform::RemoveFile(platform::PathFromUtf8(pending.temporary));
        platform::ReleaseHeldFile(pending.entry, clean);
        pending.entry = nullptr;
    }
    RecordMoveDone(pending.ledgerId, pending.placed);
    pending.ledgerId = 0;
}

void KeepMoveForRecovery(PendingMove& pending) {
    platform::ReleaseHeldFile(pending.entry, false);
    pending.entry = nullptr;
}

namespace {

void Leave(const JournalEntry& entry, RecoveredMove& move) {
    move.outcome = RecoveredAs::Left;
    move.message = messages::InterruptedMoveLeft(entry.target);
}

// Removes `path` (unless it is a dry run) and notes it; false when it stays.
bool RemoveNoted(const std::string& path, bool dryRun, RecoveredMove& move) {
    if (!dryRun && !platform::RemoveFile(platform::PathFromUtf8(path))) return false;
    move.removed.push_back(path);
    return true;
}

// Decides one entry by identity. False when a removal it was entitled to make failed: the
// entry then stays for a later try.
bool RecoverOne(const JournalEntry& entry, bool dryRun, RecoveredMove& move) {
    move.source = entry.source;
    move.target = entry.target;
    move.monochrome = entry.monochrome;
    const std::filesystem::path source = platform::PathFromUtf8(entry.source);
    const std::filesystem::path target = platform::PathFromUtf8(entry.target);
    const std::filesystem::path temporary = platform::PathFromUtf8(entry.temporary);
    // The source counts as the entry's only while it is the file the entry saw, unchanged.
    platform::FileIdentity sourceNow;
    const bool sourceThere = Exists(source);
    const bool sourceOurs = platform::ReadIdentity(source, false, sourceNow) && sourceNow == entry.before;
    auto finished = [&] {
        move.outcome = RecoveredAs::Finished;
        if (!entry.logged) move.message = messages::Moved(entry.monochrome, entry.target);
        return true;
    };

    if (Exists(temporary)) {
        // The temporary's name comes from the entry's own id: it is this entry's copy, whole or
        // not. It is in place when the target is a second name of it.
        if (SameFile(temporary, target)) {
            if (sourceThere && !sourceOurs) {
                Leave(entry, move);
                return true;
            }
            if (sourceThere && !RemoveNoted(entry.source, dryRun, move)) return false;
            if (!RemoveNoted(entry.temporary, dryRun, move)) return false;
            return finished();
        }
        // Not in place: the copy goes, unless it may be the only one left.
        if (!sourceOurs) {
            Leave(entry, move);
            return true;
        }
        if (!RemoveNoted(entry.temporary, dryRun, move)) return false;
        move.outcome = RecoveredAs::RolledBack;
        return true;
    }
    // No temporary: no copy was begun, or the move was over (its line written) before the
    // temporary went; or, on a file system without hard links, the copy was renamed in place.
    const bool targetThere = Exists(target);
    if (sourceOurs && !targetThere) {
        move.outcome = RecoveredAs::RolledBack;
        return true;
    }
    if (!sourceThere && targetThere) return finished();
    Leave(entry, move);
    return true;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

std::vector<RecoveredMove> RecoverInterruptedMoves(const RunContext& context, bool dryRun) {
    std::vector<RecoveredMove> moves;
    for (const std::filesystem::path& folder : {context.journalFolder, context.fallbackJournalFolder}) {
        std::vector<std::filesystem::path> names;
        if (folder.empty() || !platform::ListFolder(folder, [&names](const std::filesystem::path& name, bool isDirectory) {
                if (!isDirectory) names.push_back(name);
            })) {
            continue;
        }
        for (const std::filesystem::path& name : names) {
            const std::string text = platform::PathToUtf8(name);
            std::string bytes;
            // Held: its process is still at work on it.
            platform::HeldFile* held = platform::TakeHeldFile(folder / name, bytes, *context.seams.files);
            if (held == nullptr) continue;
            JournalEntry entry;
            if (!EndsWith(text, kEntrySuffix) || !DecodeEntry(bytes, entry)) {
                // An entry whose process was killed while writing it, under its temporary name: no
                // copy was started for it. Anything else is not ours to remove.
                platform::ReleaseHeldFile(held, EndsWith(text, std::string(kEntrySuffix) + ".tmp") && !dryRun);
                continue;
            }
            RecoveredMove move;
            if (!HasItsOwnShape(entry, text.substr(0, text.size() - std::strlen(kEntrySuffix)))) {
                // Not what a move of ours writes: told, and left as it is for a person to look at.
                move.source = entry.source;
                move.target = entry.target;
                move.monochrome = entry.monochrome;
                Leave(entry, move);
                if (!dryRun) WriteResultLog(context, entry.source, move.message);
                platform::ReleaseHeldFile(held, false);
                moves.push_back(std::move(move));
                continue;
            }
            const bool settled = RecoverOne(entry, dryRun, move);
            if (!settled) Leave(entry, move);
            // An entry whose line cannot be written stays for the next recovery.
            bool logged = dryRun || move.message.empty();
            if (!logged && move.outcome == RecoveredAs::Finished) {
                platform::FileIdentity placed;
                std::uint64_t id = 0;
                logged = platform::ReadIdentity(platform::PathFromUtf8(entry.target), false, placed) &&
                         RecordMoveIntent(entry.source, entry.target, entry.monochrome, placed, id) &&
                         WriteResultLog(context, entry.source, move.message);
                if (logged) RecordMoveDone(id, placed);
            } else if (!logged) {
                logged = WriteResultLog(context, entry.source, move.message);
            }
            platform::ReleaseHeldFile(held, settled && !dryRun && logged);
            moves.push_back(std::move(move));
        }
    }
    RecoverLedgers(context, dryRun, moves);
    return moves;
}
