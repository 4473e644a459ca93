#include "sort/SortWorker.h"

#include "platform/Text.h"
#include "settings/Settings.h"
#include "sort/FileMover.h"
#include "sort/Messages.h"
#include "sort/MoveJournal.h"
#include "image/ImageKind.h"
#include "sort/ResultLog.h"
#include "sort/SortHost.h"
#include "sort/SortPath.h"
#include "sort/SortRun.h"

FileOutcome SortFile(const std::string& path, SortedFile* record, bool explain) {
    const SplitPath parts = SplitSortPath(path);
    std::string message;
    JudgeEvidence* evidence = record != nullptr && explain ? &record->evidence : nullptr;
    const int verdict = JudgeFileByExtension(platform::PathFromUtf8(path), MakeJudgeParams(Settings), message, evidence);
    message = messages::LoaderFailure(message);
    const bool judged = message.empty();
    std::string destination;
    FileOutcome outcome = FileOutcome::LeftInPlace;
    PendingMove pending;
    EnterMoveGate();
    // A loader's failure text wins over the verdict it returned alongside.
    if (judged && MoveToDestination(verdict, path, parts.folder, parts.name, message, &destination, &pending)) {
        outcome = verdict != 0 ? FileOutcome::MovedMonochrome : FileOutcome::MovedColor;
    }
    WriteResultLog(path, message);
    // Only now: a process killed before its line was written leaves the move to a recovery,
    // which writes the line into the next run's log.
    FinishMove(pending);
    LeaveMoveGate();
    if (record != nullptr) {
        record->path = path;
        record->judged = judged;
        record->verdict = verdict;
        record->moved = outcome != FileOutcome::LeftInPlace;
        record->destination = destination;
        record->message = message;
    }
    return outcome;
}

void SortWorker(const std::string& path, SortTally& tally, const SortHost& host) {
    FileOutcome outcome;
    if (host.FileSorted) {
        SortedFile record;
        outcome = SortFile(path, &record, host.ExplainVerdicts);
        host.FileSorted(record);
    } else {
        outcome = SortFile(path);
    }
    switch (outcome) {
        case FileOutcome::MovedMonochrome: ++tally.movedMonochrome; break;
        case FileOutcome::MovedColor: ++tally.movedColor; break;
        case FileOutcome::LeftInPlace: break;
    }
    {
        std::lock_guard<std::mutex> hold(WorkerCountLock);
        // The decrement comes last: the driver reads the count without the lock, and once it
        // reads 0 it may free the host and return, and the process may end.
        if (host.StepProgress) host.StepProgress();
        --ActiveWorkers;
    }
    // After the lock is released, so the woken driver finds it free rather than waking only
    // to wait for it again. Nothing of the run is touched here: the condition never dies.
    WorkerCountChanged.notify_all();
}
