#include "sort/SortWorker.h"

#include "platform/Text.h"
#include "sort/FileMover.h"
#include "sort/ImageKind.h"
#include "sort/ResultLog.h"
#include "sort/SortHost.h"
#include "sort/SortPath.h"
#include "sort/SortRun.h"

FileOutcome SortFile(const std::string& path) {
    const SplitPath parts = SplitSortPath(path);
    std::string message;
    const int verdict = JudgeFileByExtension(platform::PathFromUtf8(path), message);
    FileOutcome outcome = FileOutcome::LeftInPlace;
    // A loader's failure text wins over the verdict it returned alongside.
    if (message.empty() && MoveToDestination(verdict, path, parts.folder, parts.name, message)) {
        outcome = verdict != 0 ? FileOutcome::MovedMonochrome : FileOutcome::MovedColor;
    }
    WriteResultLog(path, message);
    return outcome;
}

void SortWorker(const std::string& path, SortTally& tally, const SortHost& host) {
    switch (SortFile(path)) {
        case FileOutcome::MovedMonochrome: ++tally.movedMonochrome; break;
        case FileOutcome::MovedColor: ++tally.movedColor; break;
        case FileOutcome::LeftInPlace: ++tally.leftInPlace; break;
    }
    std::lock_guard<std::mutex> hold(WorkerCountLock);
    // The decrement comes last: the driver reads the count without the lock, and once it reads
    // 0 it may free the host and return, and the process may end. A woken driver cannot look
    // before we release the lock, so it still sees the decrement.
    if (host.StepProgress) host.StepProgress();
    WorkerCountChanged.notify_all();
    --ActiveWorkers;
}
