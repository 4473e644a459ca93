#include "sort/SortRunDriver.h"

#include <chrono>
#include <mutex>

#include "image/DecodedImage.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "sort/Messages.h"
#include "sort/MoveJournal.h"
#include "sort/ResultLog.h"
#include "sort/RunContext.h"
#include "sort/SortHost.h"
#include "sort/SortRun.h"
#include "sort/SortWorker.h"
#include "sort/Texts.h"

namespace {

constexpr auto kLaunchPoll = std::chrono::milliseconds(100);
constexpr auto kRefreshPoll = std::chrono::milliseconds(250);

void ShowError(const SortHost& host, const std::string& text) {
    if (host.ShowError) host.ShowError(text);
}

void ShowProgress(const SortHost& host, std::int32_t launched, std::int32_t total) {
    if (host.ShowProgress) host.ShowProgress(MakeProgressDisplay(launched - ActiveWorkers.load(), total));
}

bool FixedDestinationsExist(const SettingsRecord& settings, const SortHost& host) {
    if (settings.IS_DST_SUBDIR != 0) return true;
    if (!platform::IsDirectory(platform::PathFromUtf8(settings.DST_DIR_MONO))) {
        ShowError(host, FormatText(Text(TextId::MonochromeFolderMissing),
                                   settings.DST_DIR_MONO.c_str()));
        return false;
    }
    if (!platform::IsDirectory(platform::PathFromUtf8(settings.DST_DIR_COLOR))) {
        ShowError(host, FormatText(Text(TextId::ColorFolderMissing),
                                   settings.DST_DIR_COLOR.c_str()));
        return false;
    }
    return true;
}

// Waits while THREAD_NUM workers are alive; false when a cancel came meanwhile. A finishing
// worker wakes us at once; otherwise we look again every 100 ms.
bool WaitForFreeWorkerSlot(const SettingsRecord& settings) {
    // A limit of 0 would never launch anything; the settings never give it, but a hang is worse.
    const std::uint32_t limit = settings.THREAD_NUM == 0 ? 1u : static_cast<std::uint32_t>(settings.THREAD_NUM);
    std::unique_lock<std::mutex> hold(WorkerCountLock);
    while (static_cast<std::uint32_t>(ActiveWorkers.load()) >= limit) {
        WorkerCountChanged.wait_for(hold, kLaunchPoll);
        if (CancelRequested) return false;
    }
    return true;
}

// The path is counted as handed out either way; a thread that could not be made counts as
// done, with its progress step, but has no move and no log line.
void LaunchWorker(const RunContext& context, const std::string& path, SortTally& tally, const SortHost& host) {
    std::lock_guard<std::mutex> hold(WorkerCountLock);
    ++ActiveWorkers;
    if (!context.seams.startThread([&context, &path, &tally, &host] { SortWorker(context, path, tally, host); })) {
        --ActiveWorkers;
        if (host.StepProgress) host.StepProgress();
        ShowError(host, Text(TextId::ThreadNotStarted));
    }
}

// Refreshes the display every 250 ms until the last worker has ended, and notices that end
// as soon as it happens.
void WaitForWorkers(const SortHost& host, std::int32_t launched, std::int32_t total) {
    while (ActiveWorkers.load() != 0) {
        ShowProgress(host, launched, total);
        std::unique_lock<std::mutex> hold(WorkerCountLock);
        WorkerCountChanged.wait_for(hold, kRefreshPoll, [] { return ActiveWorkers.load() == 0; });
    }
}

}  // namespace

bool BeginSortRun(const UserPrompt& prompt) {
    bool idle = false;
    if (!RunBusy.compare_exchange_strong(idle, true)) return false;
    SaveSettings(prompt);
    EmptyRecoveryPointTable();
    return true;
}

void EndSortRun() { RunBusy = false; }

SortRunResult SortRunDriver(const RunContext& context, const std::vector<std::filesystem::path>& dropped,
                            const SortHost& host) {
    SortRunResult result;
    if (!FixedDestinationsExist(context.settings, host) || !OpenResultLog(context, host)) return result;
    result.started = true;
    // Before the list is made, so that it sees the files where the recovery left them; after the
    // log is open, so that the moves it finishes get their lines.
    RecoverInterruptedMoves(context, false);
    // A cancel asked for before the list exists (say, while the log question was up) is void.
    CancelRequested = false;
    ActiveWorkers = 0;

    std::vector<std::string> paths;
    {
        const PathList list = BuildPathList(dropped, CollectionRuleOf(context.settings));
        paths.reserve(list.paths.size());
        for (const auto& path : list.paths) paths.push_back(platform::PathToUtf8(path));
    }
    const auto total = static_cast<std::int32_t>(paths.size());
    result.listed = total;
    if (host.ListMade) host.ListMade(paths);
    if (host.BeginProgress) host.BeginProgress(total);

    SortTally tally;
    std::int32_t launched = 0;
    if (!CancelRequested) {
        while (launched < total) {
            ShowProgress(host, launched, total);
            if (CancelRequested || LogWriteFailed || !WaitForFreeWorkerSlot(context.settings) || LogWriteFailed) break;
            LaunchWorker(context, paths[static_cast<std::size_t>(launched)], tally, host);
            ++launched;
            if (CancelRequested) break;
        }
    }
    result.handedOut = launched;
    result.cancelled = launched < total;

    WaitForWorkers(host, launched, total);
    result.movedMonochrome = tally.movedMonochrome;
    result.movedColor = tally.movedColor;
    if (host.EndProgress) host.EndProgress(launched, total);
    CloseResultLog();
    if (LogWriteFailed) {
        result.logFailed = true;
        ShowError(host, messages::LogWriteFailedStop(platform::PathToUtf8(LogFilePath)));
    }
    return result;
}
