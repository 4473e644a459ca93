#include "cli/JudgeCommand.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>

#include "settings/Settings.h"
#include "cli/Explanation.h"
#include "cli/FileProblem.h"
#include "cli/JsonText.h"
#include "cli/MissingPaths.h"
#include "cli/OrderedOutput.h"
#include "cli/ProgressLine.h"
#include "cli/Report.h"
#include "image/ImageKind.h"
#include "platform/Console.h"
#include "platform/Text.h"
#include "platform/Thread.h"
#include "sort/FileCollection.h"
#include "sort/Messages.h"
#include "sort/SortPath.h"
#include "sort/Texts.h"

namespace {

// Results that may wait for an earlier one before they are printed.
constexpr std::size_t kReorderWindow = 256;
constexpr auto kProgressTick = std::chrono::milliseconds(250);

// One entry of the list: a file to judge, or a PATH that does not exist.
struct Entry {
    std::filesystem::path path;
    bool missing = false;
};

struct Judged {
    std::string path;
    int verdict = 0;
    std::string error;
    FileProblem problem;
    long warnings = -1;
    std::string target;  // with --dry-run
};

std::string TextLine(const Judged& j, const JudgeEvidence* evidence, const JudgeParams& params) {
    if (!j.error.empty()) return FormatText("error\t%s\t%s\n", j.path.c_str(), WithReason(j.error, j.problem).c_str());
    std::string line = FormatText("%s\t%s", j.verdict != 0 ? "monochrome" : "color", j.path.c_str());
    if (!j.target.empty()) line += "\t" + j.target;
    if (evidence != nullptr) line += "\t" + ExplainInWords(*evidence, params);
    return line + "\n";
}

std::string JsonLine(const Judged& j, const JudgeEvidence* evidence, const JudgeParams& params) {
    JsonObject json;
    json.AddPath("path", j.path);
    if (!j.error.empty()) {
        json.Add("error", j.error);
        json.Add("code", j.problem.code);
        if (!j.problem.reason.empty()) json.Add("reason", j.problem.reason);
    } else {
        json.Add("verdict", j.verdict != 0 ? "monochrome" : "color");
        if (!j.target.empty()) json.AddPath("destination", j.target);
        if (j.warnings > 0) json.AddStrings("warnings", {DecoderWarningText(j.warnings)});
        if (evidence != nullptr) json.AddObject("evidence", ExplainAsJson(*evidence, params));
    }
    return json.Text() + "\n";
}

// The helper threads still at work; the last one to finish wakes the caller. Shared with the
// threads, so that it outlives a caller that returns as soon as the count reaches zero.
struct HelperCount {
    std::mutex lock;
    std::condition_variable finished;
    std::size_t running = 0;
};

// Runs `work` on up to `helpers` threads and returns when every one of them has returned,
// calling `tick` now and then meanwhile. When no thread can be started the calling thread
// does all of the work itself.
void RunOnThreads(std::size_t helpers, const std::function<void()>& work, const std::function<void()>& tick) {
    const auto count = std::make_shared<HelperCount>();
    for (std::size_t t = 0; t < helpers; ++t) {
        {
            std::lock_guard<std::mutex> hold(count->lock);
            ++count->running;
        }
        const bool started = platform::StartDetachedThread([count, &work] {
            work();
            std::lock_guard<std::mutex> hold(count->lock);
            if (--count->running == 0) count->finished.notify_all();
        });
        if (!started) {
            std::lock_guard<std::mutex> hold(count->lock);
            --count->running;
            break;
        }
    }
    std::unique_lock<std::mutex> hold(count->lock);
    if (count->running == 0) {
        hold.unlock();
        work();
        return;
    }
    while (!count->finished.wait_for(hold, kProgressTick, [&count] { return count->running == 0; })) {
        hold.unlock();
        tick();
        hold.lock();
    }
}

std::vector<Entry> ListEntries(const std::vector<std::filesystem::path>& items) {
    std::vector<Entry> entries;
    for (const auto& item : items) {
        if (IsMissingPath(item)) {
            entries.push_back(Entry{item, true});
            continue;
        }
        for (auto& path : BuildPathList({item}, CollectionRuleOf(Settings)).paths) entries.push_back(Entry{std::move(path), false});
    }
    return entries;
}

}  // namespace

std::string DecoderWarningText(long warnings) {
    return warnings > 0 ? FormatText(Text(TextId::DecoderWarned), warnings) : std::string();
}

void HintAtFoldersOfFolders(const std::vector<std::filesystem::path>& items, const CollectionRule& rule) {
    if (rule.subfolders) return;
    for (const auto& item : items) {
        std::error_code error;
        if (!std::filesystem::is_directory(item, error)) continue;
        bool files = false;
        bool folders = false;
        for (std::filesystem::directory_iterator it(item, error), end; !error && it != end; it.increment(error)) {
            std::error_code typeError;
            (it->is_directory(typeError) ? folders : files) = true;
        }
        if (folders && !files) {
            std::fprintf(stderr, "pallidor-cli: %s\n",
                         FormatText(Text(TextId::OnlyFolders), platform::PathToUtf8(item).c_str()).c_str());
        }
    }
}

int JudgeCommand(const std::vector<std::filesystem::path>& items, const OutputOptions& output) {
    HintAtFoldersOfFolders(items, CollectionRuleOf(Settings));
    const std::vector<Entry> entries = ListEntries(items);
    const std::size_t count = entries.size();
    std::atomic<std::size_t> next{0};
    std::atomic<std::int32_t> done{0};
    std::atomic<bool> anyError{false};

    ProgressLine progress(platform::StandardErrorIsTerminal());
    progress.Begin(static_cast<std::int32_t>(count));
    OrderedOutput ordered(kReorderWindow, [&](const OrderedItem& item) {
        std::fwrite(item.out.data(), 1, item.out.size(), stdout);
        std::fflush(stdout);
        if (!item.error.empty()) progress.PrintLine(item.error);
        progress.Show(++done);
    });

    const JudgeParams params = MakeJudgeParams(Settings);
    // The page needs each verdict's evidence; a run without it gathers none.
    const bool reporting = !output.report.empty();
    const bool wantEvidence = output.explain || reporting;
    std::vector<ReportItem> reportItems(reporting ? count : 0);
    const auto started = std::chrono::steady_clock::now();
    auto work = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            ordered.WaitForTurn(i);
            const Entry& entry = entries[i];
            Judged judged;
            judged.path = platform::PathToUtf8(entry.path);
            // The decoder's warnings are part of the evidence, and only the JPEG decoder gives
            // any: for those they are gathered always (alone, so the judgment still stops at
            // its verdict), the whole evidence only when asked for.
            JudgeEvidence evidence;
            evidence.warningsOnly = !wantEvidence;
            const bool gather = wantEvidence || ImageKindFromExtension(ExtensionOf(entry.path)) == ImageKind::Jpeg;
            if (entry.missing) {
                judged.error = Text(TextId::NoSuchPath);
                judged.problem.code = "not-found";
            } else {
                judged.verdict = JudgeFileByExtension(entry.path, params, judged.error, gather ? &evidence : nullptr);
                judged.error = messages::LoaderFailure(judged.error);
                if (!judged.error.empty()) judged.problem = UnjudgedProblem(entry.path, judged.error);
                judged.warnings = evidence.decoderWarnings;
            }
            if (output.dryRun && judged.error.empty()) {
                const SplitPath parts = SplitSortPath(judged.path);
                judged.target = JoinFolderAndName(DestinationFolderFor(Settings, judged.verdict != 0, parts.folder), parts.name);
            }
            if (reporting) {
                ReportItem& report = reportItems[i];
                report.path = judged.path;
                report.picture = entry.path;
                report.judged = judged.error.empty();
                report.verdict = judged.verdict;
                report.error = judged.error.empty() ? std::string() : WithReason(judged.error, judged.problem);
                report.destination = judged.target;
                report.evidence = evidence;
            }
            const JudgeEvidence* shown = output.explain && !entry.missing ? &evidence : nullptr;
            OrderedItem item;
            item.out = output.json ? JsonLine(judged, shown, params) : TextLine(judged, shown, params);
            if (judged.error.empty() && judged.warnings > 0) {
                item.error = judged.path + ": " + DecoderWarningText(judged.warnings);
            }
            if (!judged.error.empty()) anyError = true;
            ordered.Put(i, std::move(item));
        }
    };

    const std::size_t threadCount =
        std::min<std::size_t>(count, static_cast<std::size_t>(std::max(1, Settings.THREAD_NUM)));
    RunOnThreads(threadCount, work, [&] { progress.Show(done, true); });
    ordered.Flush();
    progress.End(done);
    if (reporting) {
        ReportSummary summary;
        summary.command = "judge";
        summary.settings = SettingsAsText(Settings);
        summary.params = params;
        summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        const std::string problem = WriteReport(output.report, summary, reportItems);
        if (!problem.empty()) {
            std::fprintf(stderr, "pallidor-cli: %s\n", problem.c_str());
            return 1;
        }
    }
    return anyError ? 1 : 0;
}
