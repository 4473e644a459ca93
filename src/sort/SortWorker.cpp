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
    // The step comes before the decrement: once the count reaches 0 the host may be gone.
    if (host.StepProgress) host.StepProgress();
    --ActiveWorkers;
    // Under the lock, so the driver cannot return (and the process end) mid-notification.
    WorkerCountChanged.notify_all();
}
