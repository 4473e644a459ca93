#include "sort/SortWorker.h"

#include "platform/Files.h"
#include "platform/Text.h"
#include "sort/Messages.h"
#include "sort/FileMover.h"
#include "sort/MoveJournal.h"
#include "image/ImageKind.h"
#include "sort/ResultLog.h"
#include "sort/RunContext.h"
#include "sort/SortHost.h"
#include "sort/SortPath.h"
#include "sort/SortRun.h"

FileOutcome SortFile(const RunContext& context, const std::string& path, SortedFile* record, bool explain, bool warnings) {
    const SplitPath parts = SplitSortPath(path);
    std::string message;
    JudgeEvidence* evidence = record != nullptr && (explain || warnings) ? &record->evidence : nullptr;
    if (evidence != nullptr) evidence->warningsOnly = !explain;
    const platform::EntryKind kind = platform::KindOf(platform::PathFromUtf8(path));
    int verdict = 0;
    if (kind == platform::EntryKind::Other) {
        message = messages::NotARegularFile();
    } else {
        verdict = JudgeFileByExtension(platform::PathFromUtf8(path), MakeJudgeParams(context.settings), message, evidence,
                                       *context.seams.files);
        message = messages::LoaderFailure(message);
    }
    // A loader's failure text wins over the verdict it returned alongside.
    const bool judged = message.empty();
    if (judged && kind == platform::EntryKind::Link) message = messages::LinkLeft(verdict != 0);
    std::string destination;
    FileOutcome outcome = FileOutcome::LeftInPlace;
    PendingMove pending;
    EnterMoveGate();
    // After a log line failed, no further move starts: it would have no line either.
    if (message.empty() && LogWriteFailed) message = messages::NotMovedWithoutLog();
    if (message.empty() && MoveToDestination(context, verdict, path, parts.folder, parts.name, message, &destination, &pending)) {
        outcome = verdict != 0 ? FileOutcome::MovedMonochrome : FileOutcome::MovedColor;
    }
    // Only now: a process killed before its line was written leaves the move to a recovery,
    // which writes the line into the next run's log; so does a line that cannot be written.
    if (WriteResultLog(context, path, message)) {
        FinishMove(context, pending);
    } else {
        KeepMoveForRecovery(pending);
    }
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

void SortWorker(const RunContext& context, const std::string& path, SortTally& tally, const SortHost& host) {
    FileOutcome outcome;
    if (host.FileSorted) {
        SortedFile record;
        outcome = SortFile(context, path, &record, host.ExplainVerdicts, host.DecoderWarnings);
        host.FileSorted(record);
    } else {
        outcome = SortFile(context, path);
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
