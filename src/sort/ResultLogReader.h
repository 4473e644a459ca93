// Reading a result log back: its lines, and the moves among them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Clock.h"

struct LogRecord {
    platform::LocalTime time;
    std::string path;
    std::string message;
};

// The lines of a result log as WriteResultLog writes them ("2026年01月05日09時03分07秒045ミリ秒
// [path]message" and CR LF), path and message unescaped. A record is one whole line that starts
// with a time stamp and "["; any other line is skipped, and so is a last line without its CR
// LF (torn when its writer was stopped). The path ends at the first "]【", where the message
// starts: every message begins with "【". A log the console wrote in English
// ("2026-01-05 09:03:07.045 [path][monochrome] moved to ...") is read alike, its path ending at
// the first "][".
std::vector<LogRecord> ParseResultLog(const std::string& bytes);

// One file the mover handled: moved to `target`, or meant to be when the move failed.
struct LoggedMove {
    platform::LocalTime time;
    std::string source;
    std::string target;
    bool monochrome = false;
    bool moved = false;
};

// The mover's lines of a log: "【モノクロ】「target」に移動しました。" and its colour twin, and
// the move-failed texts, in either language. A target's name is the source's name, which decides where the path
// ends when a name holds "]【" itself.
std::vector<LoggedMove> FindLoggedMoves(const std::string& bytes);

// The start time a log's file name records ("2026_01_05_09_03_07_045.txt"); false for a name
// of another form.
bool RunStartFromLogName(const std::string& fileName, platform::LocalTime& start);

// A count of milliseconds that grows with the local time it is made from, by the Gregorian
// calendar: for comparing and subtracting local times.
std::int64_t MillisecondsOf(const platform::LocalTime& time);
