#include "sort/MoveJournal.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <random>

#include "platform/Files.h"
#include "platform/MoveSteps.h"
#include "platform/Places.h"
#include "platform/Text.h"
#include "sort/Messages.h"
#include "settings/Settings.h"
#include "sort/ResultLog.h"
#include "sort/SortPath.h"

std::function<bool(JournaledStep step)> MoveStopsForTests;

namespace {

constexpr char kEntryHeader[] = "pallidor move journal 1";
constexpr char kEntrySuffix[] = ".move";
constexpr char kTemporaryPrefix[] = ".pallidor-move-";

bool StopsAt(JournaledStep step) { return MoveStopsForTests && MoveStopsForTests(step); }

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
// names may hold them) are written as %0A, %0D and %25.
struct JournalEntry {
    std::string source;
    std::string target;
    std::string temporary;
    bool monochrome = false;
    std::uintmax_t size = 0;
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
    return std::string(kEntryHeader) + "\nsource=" + Escape(entry.source) + "\ntarget=" + Escape(entry.target) +
           "\ntemporary=" + Escape(entry.temporary) + "\nverdict=" + (entry.monochrome ? "monochrome" : "color") +
           "\nsize=" + std::to_string(entry.size) + "\nend\n";
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
    if (lines.size() != 7 || lines[0] != kEntryHeader || lines[6] != "end" || !value(1, "source", entry.source) ||
        !value(2, "target", entry.target) || !value(3, "temporary", entry.temporary) ||
        !value(4, "verdict", verdict) || !value(5, "size", size) || (verdict != "monochrome" && verdict != "color") ||
        size.empty() || size.size() > 19 || size.find_first_not_of("0123456789") != std::string::npos ||
        entry.source.empty() || entry.target.empty() || entry.temporary.empty()) {
        return false;
    }
    entry.monochrome = verdict == "monochrome";
    entry.size = std::stoull(size);
    return true;
}



// Removes what a failed step of the move left behind: the copy under its temporary name, or,
// when the step that failed was putting it in place or came after, the copy under the target
// name once the temporary name is gone (the target is then ours). The entry stays when
// anything stays.
void CleanUp(platform::HeldFile* entry, const JournalEntry& move, bool mayBePlaced) {
    if (StopsAt(JournaledStep::CleanUp)) {
        platform::ReleaseHeldFile(entry, false);
        return;
    }
    const std::filesystem::path temporary = platform::PathFromUtf8(move.temporary);
    const std::filesystem::path target = platform::PathFromUtf8(move.target);
    bool clean = true;
    if (Exists(temporary)) {
        clean = platform::RemoveFile(temporary);
    } else if (mayBePlaced && Exists(target) && platform::SameContents(target, platform::PathFromUtf8(move.source))) {
        clean = platform::RemoveFile(target);
    }
    platform::ReleaseHeldFile(entry, clean);
}

}  // namespace

std::filesystem::path MoveJournalFolder() {
    const std::filesystem::path logs = platform::LogsFolder(ModuleFolder);
    return logs.empty() ? logs : logs / "journal";
}

MoveOutcome MoveFileJournaled(const std::string& sourceText, const std::string& targetText, bool monochrome,
                              PendingMove& pending) {
    pending.entry = nullptr;
    const std::filesystem::path source = platform::PathFromUtf8(sourceText);
    const std::filesystem::path target = platform::PathFromUtf8(targetText);
    switch (platform::RenameNoReplace(source, target)) {
        case platform::RenameOutcome::Renamed: return MoveOutcome::Moved;
        case platform::RenameOutcome::Failed: return MoveOutcome::Failed;
        case platform::RenameOutcome::OtherFileSystem: break;
    }
    // A taken name would refuse the copy only at the end; it is refused before anything is written.
    JournalEntry move;
    if (Exists(target) || !platform::RegularFileSize(source, move.size)) return MoveOutcome::Failed;
    const std::string id = NewMoveId();
    move.source = sourceText;
    move.target = targetText;
    move.temporary = JoinFolderAndName(RemoveTrailingSeparator(SplitSortPath(targetText).folder), kTemporaryPrefix + id);
    move.monochrome = monochrome;

    if (StopsAt(JournaledStep::WriteJournal)) return MoveOutcome::Failed;
    const std::filesystem::path folder = MoveJournalFolder();
    platform::HeldFile* entry = nullptr;
    // Made with the logs folder when missing.
    if (!folder.empty() && platform::CreatePlace(folder)) {
        entry = platform::CreateHeldFile(folder / platform::PathFromUtf8(id + kEntrySuffix), EncodeEntry(move));
    }
    if (entry == nullptr) return MoveOutcome::NotJournaled;

    const std::filesystem::path temporary = platform::PathFromUtf8(move.temporary);
    const JournaledStep steps[] = {JournaledStep::Copy, JournaledStep::Place, JournaledStep::RemoveSource};
    for (const JournaledStep step : steps) {
        if (StopsAt(step)) {
            platform::ReleaseHeldFile(entry, false);
            return MoveOutcome::Failed;
        }
        bool done = false;
        switch (step) {
            case JournaledStep::Copy: done = platform::CopyToNewFile(source, temporary); break;
            case JournaledStep::Place: done = platform::PlaceCopy(temporary, target); break;
            // A source whose removal reports failure but that is gone all the same was moved.
            default: done = platform::RemoveMovedSource(source) || !Exists(source); break;
        }
        if (!done) {
            CleanUp(entry, move, step != JournaledStep::Copy);
            return MoveOutcome::Failed;
        }
    }
    pending.entry = entry;
    return MoveOutcome::Moved;
}

void FinishMove(PendingMove& pending) {
    if (pending.entry == nullptr) return;
    platform::ReleaseHeldFile(pending.entry, !StopsAt(JournaledStep::ClearJournal));
    pending.entry = nullptr;
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

// Decides one entry by what the files hold. False when a removal it was entitled to make
// failed: the entry then stays for a later try.
bool RecoverOne(const JournalEntry& entry, bool dryRun, RecoveredMove& move) {
    move.source = entry.source;
    move.target = entry.target;
    move.monochrome = entry.monochrome;
    const std::filesystem::path source = platform::PathFromUtf8(entry.source);
    const std::filesystem::path target = platform::PathFromUtf8(entry.target);
    const std::filesystem::path temporary = platform::PathFromUtf8(entry.temporary);
    std::uintmax_t size = 0;
    const bool hasSource = platform::RegularFileSize(source, size);
    const bool targetWhole = platform::RegularFileSize(target, size) && size == entry.size;

    // Whether the copy reached the target name. The temporary copy is ours while it is a second
    // name of the whole copy there (a file system without no-replace renames links it first),
    // or the start of the source (then a target there is not our copy).
    bool placed = targetWhole;
    if (Exists(temporary)) {
        if (targetWhole && platform::SameContents(temporary, target)) {
            placed = true;
        } else if (hasSource && platform::IsPrefixOf(temporary, source)) {
            placed = false;
        } else {
            Leave(entry, move);
            return true;
        }
        if (!RemoveNoted(entry.temporary, dryRun, move)) return false;
    }

    if (!placed) {
        if (hasSource) {
            move.outcome = RecoveredAs::RolledBack;
        } else {
            Leave(entry, move);
        }
        return true;
    }
    if (hasSource) {
        if (!platform::SameContents(target, source)) {
            Leave(entry, move);
            return true;
        }
        if (!RemoveNoted(entry.source, dryRun, move)) return false;
    }
    move.outcome = RecoveredAs::Finished;
    move.message = messages::Moved(entry.monochrome, entry.target);
    return true;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

std::vector<RecoveredMove> RecoverInterruptedMoves(bool dryRun) {
    std::vector<RecoveredMove> moves;
    const std::filesystem::path folder = MoveJournalFolder();
    std::vector<std::filesystem::path> names;
    if (!platform::ListFolder(folder, [&names](const std::filesystem::path& name, bool isDirectory) {
            if (!isDirectory) names.push_back(name);
        })) {
        return moves;
    }
    for (const std::filesystem::path& name : names) {
        const std::string text = platform::PathToUtf8(name);
        std::string bytes;
        // Held: its process is still at work on it.
        platform::HeldFile* held = platform::TakeHeldFile(folder / name, bytes);
        if (held == nullptr) continue;
        JournalEntry entry;
        if (!EndsWith(text, kEntrySuffix) || !DecodeEntry(bytes, entry)) {
            // An entry whose process was killed while writing it, under its temporary name: no
            // copy was started for it. Anything else is not ours to remove.
            platform::ReleaseHeldFile(held, EndsWith(text, std::string(kEntrySuffix) + ".tmp") && !dryRun);
            continue;
        }
        RecoveredMove move;
        const bool settled = RecoverOne(entry, dryRun, move);
        if (!settled) Leave(entry, move);
        // An entry whose line cannot be written stays for the next recovery.
        const bool logged = dryRun || move.message.empty() || WriteResultLog(entry.source, move.message);
        platform::ReleaseHeldFile(held, settled && !dryRun && logged);
        moves.push_back(std::move(move));
    }
    return moves;
}
