#include "sort/ResultLogReader.h"

#include <cstring>

#include "sort/Messages.h"
#include "sort/ResultLog.h"
#include "sort/SortPath.h"

namespace {

constexpr char kLineEnd[] = "\r\n";

// Reads `count` decimal digits (at least `count` when `more` is allowed) at `at`.
bool ReadNumber(const std::string& text, std::size_t& at, std::size_t count, bool more, int& value) {
    std::size_t end = at;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9' && (more || end - at < count)) ++end;
    if (end - at < count || end - at > 9) return false;
    value = 0;
    for (std::size_t i = at; i < end; ++i) value = value * 10 + (text[i] - '0');
    at = end;
    return true;
}

bool Expect(const std::string& text, std::size_t& at, const char* literal) {
    const std::size_t length = std::strlen(literal);
    if (text.compare(at, length, literal) != 0) return false;
    at += length;
    return true;
}

// The words after each of a time stamp's seven numbers, up to and including the "[" of the
// path, in each language's form: "2026年01月05日09時03分07秒045ミリ秒[" and
// "2026-01-05 09:03:07.045 [".
struct StampForm {
    Language language;
    const char* after[7];
};
const StampForm kStampForms[] = {
    {Language::English, {"-", "-", " ", ":", ":", ".", " ["}},
    {Language::Japanese, {"年", "月", "日", "時", "分", "秒", "ミリ秒["}},
};

// The time stamp and "[" of a record starting at `at`, in the form of either language (which
// `language` tells); `at` moves past them.
bool ReadRecordStart(const std::string& text, std::size_t& at, platform::LocalTime& time, Language& language) {
    int* const fields[] = {&time.year, &time.month, &time.day, &time.hour, &time.minute, &time.second,
                           &time.milliseconds};
    for (const StampForm& form : kStampForms) {
        std::size_t i = at;
        bool read = true;
        for (int f = 0; f < 7 && read; ++f) {
            // The year has at least four digits, the milliseconds three, the others two.
            const std::size_t digits = f == 0 ? 4 : f == 6 ? 3 : 2;
            read = ReadNumber(text, i, digits, f == 0, *fields[f]) && Expect(text, i, form.after[f]);
        }
        if (read) {
            language = form.language;
            at = i;
            return true;
        }
    }
    return false;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Splits "path]" + opening + "target" + closing where the target's name is the path's.
bool SplitMove(const std::string& body, const std::string& opening, const std::string& closing,
               std::string& source, std::string& target) {
    if (!EndsWith(body, closing)) return false;
    const std::size_t end = body.size() - closing.size();
    const std::string separator = "]" + opening;
    for (std::size_t at = body.find(separator); at != std::string::npos && at < end;
         at = body.find(separator, at + 1)) {
        const std::size_t targetStart = at + separator.size();
        if (targetStart > end) break;
        std::string candidateSource = body.substr(0, at);
        std::string candidateTarget = body.substr(targetStart, end - targetStart);
        const std::string name = SplitSortPath(candidateSource).name;
        if (!name.empty() && name == SplitSortPath(candidateTarget).name) {
            source = std::move(candidateSource);
            target = std::move(candidateTarget);
            return true;
        }
    }
    return false;
}

// The records' bodies: what follows the "[" of each line that starts with a record's time
// stamp, up to its CR LF. The writer escapes every line end inside a name, so a record is one
// line; a line of any other form (the rest of a name that an older version wrote raw) is
// passed over and never starts a record.
struct RawRecord {
    platform::LocalTime time;
    std::string body;
    Language language;
};

// Where a record's path ends and its message starts: every message begins with "【", or "["
// in English.
const char* MessageSeparator(Language language) { return language == Language::Japanese ? "]【" : "]["; }

std::vector<RawRecord> ReadRawRecords(const std::string& bytes) {
    std::vector<RawRecord> records;
    // Every line is written whole with its CR LF: bytes after the last one are the torn end of
    // a line whose writer was stopped in the middle of it, and cannot be trusted.
    for (std::size_t lineStart = 0; lineStart < bytes.size();) {
        const std::size_t lineEnd = bytes.find(kLineEnd, lineStart);
        if (lineEnd == std::string::npos) break;
        std::size_t at = lineStart;
        platform::LocalTime time{};
        Language language = Language::Japanese;
        if (ReadRecordStart(bytes, at, time, language) && at <= lineEnd) {
            records.push_back(RawRecord{time, bytes.substr(at, lineEnd - at), language});
        }
        lineStart = lineEnd + 2;
    }
    return records;
}

}  // namespace

std::vector<LogRecord> ParseResultLog(const std::string& bytes) {
    std::vector<LogRecord> records;
    for (RawRecord& raw : ReadRawRecords(bytes)) {
        const std::size_t split = raw.body.find(MessageSeparator(raw.language));
        if (split == std::string::npos) continue;
        records.push_back(LogRecord{raw.time, UnescapeLogText(raw.body.substr(0, split)),
                                    UnescapeLogText(raw.body.substr(split + 1))});
    }
    return records;
}

std::vector<LoggedMove> FindLoggedMoves(const std::string& bytes) {
    struct Form {
        std::string opening;
        const char* closing;
        bool monochrome;
        bool moved;
    };
    auto forms = [](Language l) {
        return std::vector<Form>{
            {messages::MovedOpening(true, l), messages::MovedClosing(l), true, true},
            {messages::MovedOpening(false, l), messages::MovedClosing(l), false, true},
            {messages::MoveFailedOpening(true, l), messages::MoveFailedClosing(l), true, false},
            {messages::MoveFailedOpening(false, l), messages::MoveFailedClosing(l), false, false},
        };
    };
    static const std::vector<Form> kJapaneseForms = forms(Language::Japanese);
    static const std::vector<Form> kEnglishForms = forms(Language::English);
    std::vector<LoggedMove> moves;
    for (const RawRecord& raw : ReadRawRecords(bytes)) {
        for (const auto& form : raw.language == Language::Japanese ? kJapaneseForms : kEnglishForms) {
            LoggedMove move;
            if (SplitMove(raw.body, form.opening, form.closing, move.source, move.target)) {
                move.source = UnescapeLogText(move.source);
                move.target = UnescapeLogText(move.target);
                move.time = raw.time;
                move.monochrome = form.monochrome;
                move.moved = form.moved;
                moves.push_back(std::move(move));
                break;
            }
        }
    }
    return moves;
}

bool RunStartFromLogName(const std::string& fileName, platform::LocalTime& start) {
    std::size_t at = 0;
    platform::LocalTime t{};
    const bool read = ReadNumber(fileName, at, 4, true, t.year) && Expect(fileName, at, "_") &&
                      ReadNumber(fileName, at, 2, false, t.month) && Expect(fileName, at, "_") &&
                      ReadNumber(fileName, at, 2, false, t.day) && Expect(fileName, at, "_") &&
                      ReadNumber(fileName, at, 2, false, t.hour) && Expect(fileName, at, "_") &&
                      ReadNumber(fileName, at, 2, false, t.minute) && Expect(fileName, at, "_") &&
                      ReadNumber(fileName, at, 2, false, t.second) && Expect(fileName, at, "_") &&
                      ReadNumber(fileName, at, 3, false, t.milliseconds) && Expect(fileName, at, ".txt") &&
                      at == fileName.size();
    if (read) start = t;
    return read;
}

std::int64_t MillisecondsOf(const platform::LocalTime& t) {
    // Days from the civil date (Howard Hinnant's algorithm), shifted so March starts the year.
    const std::int64_t y = t.year - (t.month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t month = t.month > 2 ? t.month - 3 : t.month + 9;
    const std::int64_t dayOfYear = (153 * month + 2) / 5 + t.day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const std::int64_t days = era * 146097 + dayOfEra;
    return ((days * 24 + t.hour) * 60 + t.minute) * 60000 + t.second * 1000 + t.milliseconds;
}
