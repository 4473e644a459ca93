// Shared by the sorting tests: a temporary folder per test, tiny image files, a recording
// host, and the process-wide run state put back after each test.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "settings/Settings.h"
#include "sort/RunContext.h"
#include "sort/SortHost.h"
#include "support/FaultyFileSystem.h"
#include "support/ImageFiles.h"
#include "support/TestFiles.h"
#include "support/Variables.h"

namespace sorttest {

using testimages::TempFolder;
using testsupport::FaultyFileSystem;

using testimages::Exists;
using testimages::NativeSeparators;
using testimages::ReadBytes;
using testimages::Tree;
using testimages::WriteBytes;

// A 2x2 RGB PNG: four gray pixels of `level` (monochrome) or, with `color`, four pixels far
// from gray. `level` also makes files of one kind differ in their bytes.
std::string TinyPng(bool color, std::uint8_t level);
// The same picture as a 24-bit Windows bitmap.
std::string TinyBmp(bool color, std::uint8_t level);

// The lines of a log file without their CR LF; the file must end in CR LF.
std::vector<std::string> LogLines(const std::filesystem::path& file);
// The part of a log line after its time stamp: "[path]message".
std::string WithoutTime(const std::string& line);
// The current run's log lines (LogFilePath) without their time stamps, sorted.
std::vector<std::string> SortedLog();
// The single file in `folder`; empty when there is not exactly one.
std::filesystem::path OnlyFileIn(const std::filesystem::path& folder);

// A test's run context: the default settings, the logs in "logs" below `folder`, the journal
// in "logs/journal" and, where the platform has a fallback for it, that in "local/journal",
// real threads, the real clock, and `files` (which outlives the context).
RunContext TestRunContext(const std::filesystem::path& folder, const platform::FileSystem& files);

// Ends what a test's run leaves behind in the process: the log it opened (with its ledger,
// which Windows keeps locked while it is open) and the cancel and busy flags.
class RunEnd {
public:
    RunEnd() = default;
    RunEnd(const RunEnd&) = delete;
    RunEnd& operator=(const RunEnd&) = delete;
    ~RunEnd();
};

// A host that records what a run shows.
struct RecordingHost {
    RecordingHost();
    SortHost host;
    std::mutex lock;
    std::vector<std::string> errors;
    std::vector<std::string> questions;
    std::vector<ProgressDisplay> progress;
    std::vector<std::int32_t> ranges;
    int steps = 0;
    int ends = 0;
    bool answer = false;  // the reply to every question
};

}  // namespace sorttest
