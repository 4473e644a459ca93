// The work on one file of a sorting run.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

struct RunContext;
struct SortHost;
struct SortedFile;

enum class FileOutcome { MovedMonochrome, MovedColor, LeftInPlace };

// Where the files of one run went; shared by its workers.
struct SortTally {
    std::atomic<std::int32_t> movedMonochrome{0};
    std::atomic<std::int32_t> movedColor{0};
};

// Decodes and judges the file by its extension, moves it when that succeeded and writes its
// one log line, whatever happened. With `record`, also tells what happened, the evidence of
// the verdict included when `explain`.
FileOutcome SortFile(const RunContext& context, const std::string& path, SortedFile* record = nullptr, bool explain = false,
                     bool warnings = false);

// A worker thread's body: SortFile, then the tally, then, under WorkerCountLock as its very
// last act, one progress step and the decrement of ActiveWorkers. None of `context`, `path`,
// `tally` and `host` is touched after the decrement: the driver may free them as soon as it sees 0.
void SortWorker(const RunContext& context, const std::string& path, SortTally& tally, const SortHost& host);
