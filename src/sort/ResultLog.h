// The per-run result log: one UTF-8 line per file handed to a worker.
#pragma once

#include <atomic>
#include <filesystem>
#include <string>

#include "platform/Clock.h"

struct RunContext;
struct SortHost;

// The current run's log file; empty means logging is off. Written only by OpenResultLog,
// before any worker starts.
extern std::filesystem::path LogFilePath;

// Creates the context's logs folder when missing and a new empty log file named from its clock.
// When either cannot be made, asks through the host whether to run without a log: returns true
// when the run may proceed (with or without a log).
bool OpenResultLog(const RunContext& context, const SortHost& host);

// Set by WriteResultLog when a line could not be written (a full disk, a log removed), cleared
// by OpenResultLog. A run stops starting moves once it is set: a move without its line would
// be one that undo cannot see.
extern std::atomic<bool> LogWriteFailed;

// Ends the run's move ledger (MoveLedger.h); the log itself needs no closing.
void CloseResultLog();

// Appends one line for `path` with `message`, stamped by the context's clock, under LogLock;
// does nothing when logging is off (and returns true). False when the line could not be written; LogWriteFailed is then set.
bool WriteResultLog(const RunContext& context, const std::string& path, const std::string& message);

// "2026年01月05日09時03分07秒045ミリ秒[path]message" followed by CR LF, the path and the message
// passed through EscapeLogText.
std::string FormatResultLogLine(const platform::LocalTime& time, const std::string& path,
                                const std::string& message);

// A name may hold any character but the separator, line ends and other control characters
// included; a line of the log must hold none, or a name could end its record and start a
// forged one. So every control character (U+0000 to U+001F and U+007F) is written as '%' and
// two upper-case hex digits ("%0A" for a line feed), and a '%' that would otherwise read as
// such an escape ('%' before "00" to "1F", "7F" or "25") as "%25". Every other '%' stays as it
// is, so names such as "my%20photo.jpg" read in the log as they are.
std::string EscapeLogText(const std::string& text);
// The inverse of EscapeLogText: UnescapeLogText(EscapeLogText(t)) == t for every t.
std::string UnescapeLogText(const std::string& text);
