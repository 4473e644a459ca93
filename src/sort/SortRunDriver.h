// A sorting run from the dropped items to the end of its last worker (the portable part).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

#include "sort/FileCollection.h"

struct RunContext;
struct SortHost;
struct UserPrompt;

struct SortRunResult {
    bool started = false;     // false: a fixed destination was missing or the log was declined
    bool cancelled = false;   // launching stopped before every path was handed out
    std::int32_t listed = 0;  // paths in the run's list
    std::int32_t handedOut = 0;  // paths launched or skipped because no thread could be made
    std::int32_t movedMonochrome = 0;
    std::int32_t movedColor = 0;
    bool logFailed = false;   // a log line could not be written: the run stopped starting files
};

// Files that stayed where they were: failures, skipped paths and paths never handed out.
inline std::int32_t LeftInPlace(const SortRunResult& result) {
    return result.listed - result.movedMonochrome - result.movedColor;
}

// The start of a run on the caller's thread: false when a run is busy already; otherwise sets
// RunBusy, saves the settings (a failed save is shown through `prompt`) and empties the JPEG
// loader's recovery points.
bool BeginSortRun(const UserPrompt& prompt);
// Clears RunBusy once the run's user interface is restored.
void EndSortRun();

// Checks fixed destinations, opens the log, settles the moves a killed run left unfinished
// (RecoverInterruptedMoves), builds the list, runs one worker thread per path with at most
// THREAD_NUM alive (each started by the context), and returns when the last worker has ended.
// Launching stops when CancelRequested is set; started files finish. The run reads its settings
// and places from `context` alone.
SortRunResult SortRunDriver(const RunContext& context, const std::vector<std::filesystem::path>& dropped,
                            const SortHost& host);
