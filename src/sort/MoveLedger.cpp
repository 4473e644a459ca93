#include "sort/MoveLedger.h"

#include <mutex>
#include <set>

#include "platform/MoveSteps.h"
#include "platform/Places.h"
#include "platform/Text.h"
#include "sort/RunContext.h"
#include "sort/Messages.h"
#include "sort/MoveJournal.h"
#include "sort/ResultLog.h"
#include "sort/ResultLogReader.h"

namespace {

constexpr char kHeader[] = "pallidor moves 1\n";
constexpr char kLedgerSuffix[] = ".moves";

std::mutex LedgerLock;
platform::HeldFile* CurrentLedger = nullptr;
std::uint64_t NextId = 1;
std::uint64_t Unfinished = 0;  // intents without their done record
bool Broken = false;           // a record could not be written

std::string IdentityFields(const platform::FileIdentity& identity) {
    return FormatText("%llu\t%llu\t%llu\t%lld", static_cast<unsigned long long>(identity.device),
                      static_cast<unsigned long long>(identity.index), static_cast<unsigned long long>(identity.size),
                      static_cast<long long>(identity.modified));
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

bool ReadUnsigned(const std::string& text, std::uint64_t& value) {
    if (text.empty() || text.size() > 20 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = std::stoull(text);
    return true;
}

bool ReadSigned(const std::string& text, std::int64_t& value) {
    std::uint64_t magnitude = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!ReadUnsigned(negative ? text.substr(1) : text, magnitude)) return false;
    value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return true;
}

bool ReadIdentityFields(const std::vector<std::string>& fields, std::size_t at, platform::FileIdentity& identity) {
    return ReadUnsigned(fields[at], identity.device) && ReadUnsigned(fields[at + 1], identity.index) &&
           ReadUnsigned(fields[at + 2], identity.size) && ReadSigned(fields[at + 3], identity.modified);
}

bool Append(const std::string& record) {
    if (!platform::AppendToHeldFile(CurrentLedger, record)) {
        Broken = true;
        return false;
    }
    return true;
}

void CloseLocked() {
    if (CurrentLedger == nullptr) return;
    if (Unfinished == 0 && !Broken) Append("end\n");
    platform::ReleaseHeldFile(CurrentLedger, false);
    CurrentLedger = nullptr;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

std::filesystem::path LedgerPathOf(const std::filesystem::path& logPath) {
    std::filesystem::path ledger = logPath;
    ledger.replace_extension(kLedgerSuffix);
    return ledger;
}

bool OpenMoveLedger(const std::filesystem::path& logPath, const platform::FileSystem& files) {
    std::lock_guard<std::mutex> hold(LedgerLock);
    CloseLocked();
    NextId = 1;
    Unfinished = 0;
    Broken = false;
    CurrentLedger = platform::CreateHeldFile(LedgerPathOf(logPath), kHeader, files);
    return CurrentLedger != nullptr;
}

void CloseMoveLedger() {
    std::lock_guard<std::mutex> hold(LedgerLock);
    CloseLocked();
}

bool MoveLedgerOpen() {
    std::lock_guard<std::mutex> hold(LedgerLock);
    return CurrentLedger != nullptr;
}

bool RecordMoveIntent(const std::string& source, const std::string& target, bool monochrome,
                      const platform::FileIdentity& before, std::uint64_t& id) {
    std::lock_guard<std::mutex> hold(LedgerLock);
    id = 0;
    if (CurrentLedger == nullptr) return true;
    const std::uint64_t number = NextId++;
    if (!Append(FormatText("move\t%llu\t%s\t", static_cast<unsigned long long>(number), monochrome ? "m" : "c") +
                IdentityFields(before) + "\t" + EscapeLogText(source) + "\t" + EscapeLogText(target) + "\n")) {
        return false;
    }
    ++Unfinished;
    id = number;
    return true;
}

void ForgetMoveIntent(std::uint64_t id) {
    std::lock_guard<std::mutex> hold(LedgerLock);
    if (CurrentLedger != nullptr && id != 0) --Unfinished;
}

void RecordMoveDone(std::uint64_t id, const platform::FileIdentity& after) {
    std::lock_guard<std::mutex> hold(LedgerLock);
    if (CurrentLedger == nullptr || id == 0) return;
    if (Append(FormatText("done\t%llu\t", static_cast<unsigned long long>(id)) + IdentityFields(after) + "\n")) {
        --Unfinished;
    }
}

bool ParseLedger(const std::string& bytes, Ledger& ledger) {
    ledger = Ledger{};
    if (bytes.compare(0, sizeof kHeader - 1, kHeader) != 0) return false;
    std::map<std::uint64_t, std::size_t> byId;
    for (std::size_t start = sizeof kHeader - 1; start < bytes.size();) {
        const std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) break;  // torn by a kill
        const std::vector<std::string> fields = SplitFields(bytes.substr(start, end - start));
        start = end + 1;
        std::uint64_t id = 0;
        if (fields.size() == 9 && fields[0] == "move" && ReadUnsigned(fields[1], id) &&
            (fields[2] == "m" || fields[2] == "c")) {
            LedgerMove move;
            move.id = id;
            move.monochrome = fields[2] == "m";
            if (!ReadIdentityFields(fields, 3, move.before)) continue;
            move.source = UnescapeLogText(fields[7]);
            move.target = UnescapeLogText(fields[8]);
            byId[id] = ledger.moves.size();
            ledger.moves.push_back(std::move(move));
        } else if (fields.size() == 6 && fields[0] == "done" && ReadUnsigned(fields[1], id) && byId.count(id) != 0) {
            LedgerMove& move = ledger.moves[byId[id]];
            if (ReadIdentityFields(fields, 2, move.after)) move.done = true;
        } else if (fields.size() == 1 && fields[0] == "end") {
            ledger.ended = true;
        }
    }
    return true;
}

std::map<std::pair<std::string, std::string>, platform::FileIdentity> PlacedIdentities(const Ledger& ledger) {
    std::map<std::pair<std::string, std::string>, platform::FileIdentity> placed;
    for (const LedgerMove& move : ledger.moves) placed[{move.source, move.target}] = move.done ? move.after : move.before;
    return placed;
}

void RecoverLedgers(const RunContext& context, bool dryRun, std::vector<RecoveredMove>& recovered) {
    const std::filesystem::path& folder = context.logsFolder;
    std::vector<std::filesystem::path> names;
    if (folder.empty() || !platform::ListFolder(folder, [&names](const std::filesystem::path& name, bool isDirectory) {
            if (!isDirectory && EndsWith(platform::PathToUtf8(name), kLedgerSuffix)) names.push_back(name);
        })) {
        return;
    }
    for (const std::filesystem::path& name : names) {
        std::string bytes;
        // Held: its run is still going (in this process too).
        platform::HeldFile* held = platform::TakeHeldFile(folder / name, bytes, *context.seams.files);
        if (held == nullptr) continue;
        Ledger ledger;
        if (!ParseLedger(bytes, ledger) || ledger.ended) {
            platform::ReleaseHeldFile(held, false);
            continue;
        }
        std::filesystem::path logPath = folder / name;
        logPath.replace_extension(".txt");
        std::string logBytes;
        platform::ReadWholeFile(logPath, logBytes);
        std::set<std::pair<std::string, std::string>> logged;
        for (const LoggedMove& move : FindLoggedMoves(logBytes)) {
            if (move.moved) logged.insert({move.source, move.target});
        }
        bool settled = true;
        for (const LedgerMove& move : ledger.moves) {
            if (move.done || logged.count({move.source, move.target}) != 0) continue;
            platform::FileIdentity now;
            // Renamed as recorded: the very file is at its target. Anything else either never
            // moved, or crossed file systems and is the journal's.
            if (!platform::ReadIdentity(platform::PathFromUtf8(move.target), false, now) || now != move.before) continue;
            RecoveredMove found;
            found.source = move.source;
            found.target = move.target;
            found.monochrome = move.monochrome;
            found.outcome = RecoveredAs::Finished;
            found.message = messages::Moved(move.monochrome, move.target);
            if (!dryRun) {
                std::uint64_t id = 0;
                if (!RecordMoveIntent(move.source, move.target, move.monochrome, now, id) ||
                    !WriteResultLog(context, move.source, found.message)) {
                    settled = false;
                    continue;
                }
                RecordMoveDone(id, now);
            }
            recovered.push_back(std::move(found));
        }
        if (!dryRun && settled) platform::AppendToHeldFile(held, "end\n");
        platform::ReleaseHeldFile(held, false);
    }
}
