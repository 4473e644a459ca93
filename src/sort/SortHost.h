// What a sorting run shows to the user, and how the user's answers come back. The GUI fills it
// with message boxes, the progress dialog and the taskbar button; the console tool with
// standard error and the terminal. Every member may be left empty: it then does nothing
// (a question left empty is answered No).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "judge/JudgeEvidence.h"

struct ProgressDisplay {
    std::int32_t done;     // paths handed out minus workers still active
    std::int32_t total;    // paths in the run's list, >= 1
    std::uint32_t percent; // done * 100 / total, truncated
    std::string caption;   // "05%(3/60) - Pallidor"
    std::string text;      // "05% ( 3 / 60 )"
};

// The texts of a progress update for `done` of `total` (total >= 1).
ProgressDisplay MakeProgressDisplay(std::int32_t done, std::int32_t total);

// What became of one file of a run, as its log line says and a little more.
struct SortedFile {
    std::string path;
    bool judged = false;      // a verdict was reached (the move may still have failed)
    int verdict = 0;          // 1 monochrome, 0 colour, when judged
    bool moved = false;
    std::string destination;  // where the file is now, when moved; where it was to go when
                              // the move failed; empty when it was not judged
    std::string message;      // the log line's message
    JudgeEvidence evidence;   // filled only when the host asks for it
};

struct SortHost {
    // A failure with an OK button. Called on the driver thread, at times with
    // WorkerCountLock held (so it must not wait for a worker).
    std::function<void(const std::string& text)> ShowError;
    // A Yes/No question; true only for Yes. Driver thread.
    std::function<bool(const std::string& text)> AskYesNo;
    // The list is complete: the bar's range is 0 to `total`. Driver thread, before any worker.
    std::function<void(std::int32_t total)> BeginProgress;
    // The run's list of files, in the order they are handed out. Driver thread, before any worker.
    std::function<void(const std::vector<std::string>& paths)> ListMade;
    // The texts and the taskbar value. Driver thread only.
    std::function<void(const ProgressDisplay& progress)> ShowProgress;
    // One step of the bar per finished or skipped path. Called with WorkerCountLock held, from
    // workers and the driver.
    std::function<void()> StepProgress;
    // The last worker has ended; `done` paths of `total` were handed out (fewer after a
    // cancel). Driver thread.
    std::function<void(std::int32_t done, std::int32_t total)> EndProgress;
    // One file is done, its log line written. Worker threads, several at once, each before it
    // gives back its slot.
    std::function<void(const SortedFile& file)> FileSorted;
    // Whether FileSorted wants each verdict's evidence; it is gathered only then.
    bool ExplainVerdicts = false;
    // Whether FileSorted wants the decoder's warnings (evidence.decoderWarnings) even without
    // the evidence; gathering them costs nothing, and the judgment still stops where it settles.
    bool DecoderWarnings = false;
};
