#include "cli/SortCommand.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

#include "settings/Settings.h"
#include "cli/Explanation.h"
#include "cli/FileProblem.h"
#include "cli/JsonText.h"
#include "cli/MissingPaths.h"
#include "cli/OrderedOutput.h"
#include "cli/ProgressLine.h"
#include "cli/Report.h"
#include "platform/Console.h"
#include "platform/Text.h"
#include "sort/ResultLog.h"
#include "sort/RunContext.h"
#include "sort/SortHost.h"
#include "sort/SortRun.h"
#include "sort/SortRunDriver.h"
#include "sort/Texts.h"

namespace {

// Results that may wait for an earlier one before they are printed.
constexpr std::size_t kReorderWindow = 1024;

std::atomic<int> Interrupts{0};

extern "C" void OnInterrupt(int) {
    CancelRequested = true;
    ++Interrupts;
    // Some C libraries put the default back before they call a handler.
    std::signal(SIGINT, OnInterrupt);
}

void PrintError(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

bool AskOnTerminal(const std::string& question) {
    std::fprintf(stderr, "%s [y/N] ", question.c_str());
    std::fflush(stderr);
    char line[64];
    if (std::fgets(line, sizeof line, stdin) == nullptr) return false;
    const std::string reply(line);
    return reply == "y\n" || reply == "Y\n" || reply == "yes\n" || reply == "Yes\n" || reply == "YES\n";
}

std::string JsonLine(const SortedFile& file, const FileProblem& problem, bool explain) {
    JsonObject json;
    json.AddPath("path", file.path);
    if (file.judged) json.Add("verdict", file.verdict != 0 ? "monochrome" : "color");
    if (file.moved) {
        json.AddPath("destination", file.destination);
    } else {
        json.Add("error", file.message);
        json.Add("code", problem.code);
        if (!problem.reason.empty()) json.Add("reason", problem.reason);
    }
    json.Add("message", file.message);
    if (file.judged && file.evidence.decoderWarnings > 0) {
        json.AddStrings("warnings", {DecoderWarningText(file.evidence.decoderWarnings)});
    }
    if (explain && file.judged) json.AddObject("evidence", ExplainAsJson(file.evidence, MakeJudgeParams(Settings)));
    return json.Text() + "\n";
}

// The summary's counts, kept from the files as they are reported: an abandoned run has no
// driver's result to print.
struct Tally {
    std::atomic<std::int32_t> monochrome{0};
    std::atomic<std::int32_t> color{0};
    std::atomic<std::int32_t> listed{0};
};

void PrintSummary(std::FILE* to, std::int32_t monochrome, std::int32_t color, std::int32_t left) {
    std::fprintf(to, "%s\n", FormatText(Text(TextId::MovedToMonochromeCount), static_cast<int>(monochrome)).c_str());
    std::fprintf(to, "%s\n", FormatText(Text(TextId::MovedToColorCount), static_cast<int>(color)).c_str());
    std::fprintf(to, "%s\n", FormatText(Text(TextId::LeftInPlaceCount), static_cast<int>(left)).c_str());
    if (LogFilePath.empty()) {
        std::fprintf(to, "%s\n", Text(TextId::NoLog));
    } else {
        std::fprintf(to, "%s\n", FormatText(Text(TextId::LogPath), platform::PathToUtf8(LogFilePath).c_str()).c_str());
    }
    std::fflush(to);
}

// Each path's place in the run's list, so results print in that order. A path listed twice
// has a place for each time.
class ListPlaces {
public:
    void Set(const std::vector<std::string>& paths) {
        std::lock_guard<std::mutex> hold(lock_);
        paths_ = paths;
        reported_.assign(paths.size(), false);
        for (std::size_t i = 0; i < paths.size(); ++i) places_[paths[i]].push_back(i);
    }
    bool Take(const std::string& path, std::size_t& place) {
        std::lock_guard<std::mutex> hold(lock_);
        auto it = places_.find(path);
        if (it == places_.end() || it->second.empty()) return false;
        place = it->second.front();
        it->second.pop_front();
        reported_[place] = true;
        return true;
    }
    // The files of the list that no worker reported: not started, or abandoned.
    std::vector<std::string> Unreported() {
        std::lock_guard<std::mutex> hold(lock_);
        std::vector<std::string> left;
        for (std::size_t i = 0; i < paths_.size(); ++i) {
            if (!reported_[i]) left.push_back(paths_[i]);
        }
        return left;
    }

private:
    std::mutex lock_;
    std::vector<std::string> paths_;
    std::vector<bool> reported_;
    std::unordered_map<std::string, std::deque<std::size_t>> places_;
};

// Each file a stopped run did not get to, as the files it did: on standard error, and as an
// object with the code "interrupted" in JSON.
void ReportInterrupted(const std::vector<std::string>& paths, bool json, ProgressLine& progress) {
    const std::string text = Text(TextId::Interrupted);
    for (const std::string& path : paths) {
        if (json) {
            JsonObject object;
            object.AddPath("path", path);
            object.Add("error", text).Add("code", "interrupted").Add("message", text);
            const std::string line = object.Text() + "\n";
            std::fwrite(line.data(), 1, line.size(), stdout);
        }
        progress.PrintLine(path + ": " + text);
    }
    std::fflush(stdout);
}

}  // namespace

bool AnswerQuestion(const std::string& question, QuestionAnswer answer) {
    if (answer == QuestionAnswer::Yes || answer == QuestionAnswer::No) {
        PrintError(question);
        return answer == QuestionAnswer::Yes;
    }
    if (platform::StandardInputIsTerminal()) return AskOnTerminal(question);
    PrintError(question);
    return false;
}

std::vector<std::filesystem::path> AsFullPaths(const std::vector<std::filesystem::path>& paths) {
    std::vector<std::filesystem::path> full;
    for (const auto& path : paths) {
        std::error_code error;
        std::filesystem::path absolute = std::filesystem::absolute(path, error);
        full.push_back(error ? path : absolute);
    }
    return full;
}

int SortCommand(const std::vector<std::filesystem::path>& paths, QuestionAnswer answer,
                const OutputOptions& output, const RunSeams& seams) {
    const std::vector<std::filesystem::path> existing = DropMissingPaths(AsFullPaths(paths), {output.json, true});
    // With nothing to sort there is no run: no settings saved, no log.
    if (existing.empty()) return 1;
    const bool anyMissing = existing.size() != paths.size();
    ProgressLine progress(platform::StandardErrorIsTerminal());
    Tally tally;
    ListPlaces places;
    // Standard output carries nothing but the objects when it is JSON Lines.
    std::FILE* summary = output.json ? stderr : stdout;

    OrderedOutput ordered(kReorderWindow, [&](const OrderedItem& item) {
        if (!item.out.empty()) {
            std::fwrite(item.out.data(), 1, item.out.size(), stdout);
            std::fflush(stdout);
        }
        if (!item.error.empty()) progress.PrintLine(item.error);
    });

    SortHost host;
    host.ShowError = [&](const std::string& text) { progress.PrintLine(text); };
    host.AskYesNo = [&](const std::string& question) { return AnswerQuestion(question, answer); };
    host.ListMade = [&](const std::vector<std::string>& list) {
        places.Set(list);
        tally.listed = static_cast<std::int32_t>(list.size());
    };
    host.BeginProgress = [&](std::int32_t total) { progress.Begin(total); };
    bool stopShown = false;
    host.ShowProgress = [&](const ProgressDisplay& display) {
        const int interrupts = Interrupts.load();
        if (interrupts >= 1 && !stopShown) {
            stopShown = true;
            progress.PrintLine(FormatText(Text(TextId::Stopping), static_cast<int>(ActiveWorkers.load())));
        }
        if (interrupts >= 2) {
            // The decodes under way are abandoned with the process, once no move is half made.
            progress.PrintLine(Text(TextId::Abandoning));
            AbandonAtSafePoint();
            ordered.Flush();
            progress.End(display.done);
            ReportInterrupted(places.Unreported(), output.json, progress);
            const std::int32_t moved = tally.monochrome + tally.color;
            PrintSummary(summary, tally.monochrome, tally.color, tally.listed - moved);
            std::fflush(stdout);
            std::_Exit(1);
        }
        progress.Show(display.done);
    };
    // The driver's last update may predate the last finished file; end on the real count.
    host.EndProgress = [&](std::int32_t done, std::int32_t) { progress.End(done); };
    // The page needs each verdict's evidence; a run without it gathers none.
    const bool reporting = !output.report.empty();
    host.ExplainVerdicts = output.explain || reporting;
    std::mutex reportLock;
    std::vector<ReportItem> reportItems;
    std::vector<std::size_t> reportPlaces;
    host.DecoderWarnings = true;
    host.FileSorted = [&](const SortedFile& file) {
        if (file.moved) (file.verdict != 0 ? tally.monochrome : tally.color)++;
        FileProblem problem;
        if (!file.judged) {
            problem = UnjudgedProblem(platform::PathFromUtf8(file.path), file.message);
        } else if (!file.moved) {
            problem = UnmovedProblem(file.path, file.destination, file.verdict != 0, file.message);
        }
        OrderedItem item;
        if (output.json) item.out = JsonLine(file, problem, output.explain);
        if (!file.moved) {
            item.error = file.path + ": " + WithReason(file.message, problem);
        } else if (file.evidence.decoderWarnings > 0) {
            item.error = file.path + ": " + DecoderWarningText(file.evidence.decoderWarnings);
        }
        std::size_t place = 0;
        const bool listed = places.Take(file.path, place);
        if (reporting) {
            ReportItem report;
            report.path = file.path;
            report.picture = platform::PathFromUtf8(file.moved ? file.destination : file.path);
            report.judged = file.judged;
            report.verdict = file.verdict;
            report.error = file.moved ? std::string() : WithReason(file.message, problem);
            report.destination = file.destination;
            report.evidence = file.evidence;
            std::lock_guard<std::mutex> hold(reportLock);
            reportItems.push_back(std::move(report));
            reportPlaces.push_back(listed ? place : SIZE_MAX);
        }
        if (!listed) {
            ordered.Flush();
            if (!item.out.empty()) std::fwrite(item.out.data(), 1, item.out.size(), stdout);
            if (!item.error.empty()) progress.PrintLine(item.error);
            return;
        }
        // Every worker waiting here while none other works means an earlier file never
        // comes (its thread did not start): its place is given up.
        ordered.Put(place, std::move(item), [](std::size_t waiting) {
            return static_cast<std::int32_t>(waiting) >= ActiveWorkers.load();
        });
    };

    // On Windows the logs sit beside the program also when the settings came from elsewhere.
    if (ModuleFolder.empty()) GetModuleFolder();
    if (!BeginSortRun(UserPrompt{host.ShowError, {}})) {
        PrintError(std::string("pallidor-cli: ") + Text(TextId::RunAlreadyBusy));
        return 2;
    }
    // After the settings were saved: -r is for this run alone.
    RunContext context = MakeRunContext(Settings, ModuleFolder, seams);
    if (output.recursive) context.settings.IS_SUBDIRS_TOO = 1;
    HintAtFoldersOfFolders(existing, CollectionRuleOf(context.settings));
    Interrupts = 0;  // only this run's count
    void (*previous)(int) = std::signal(SIGINT, OnInterrupt);
    const auto started = std::chrono::steady_clock::now();
    const SortRunResult result = SortRunDriver(context, existing, host);
    std::signal(SIGINT, previous == SIG_ERR ? SIG_DFL : previous);
    EndSortRun();
    ordered.Flush();
    if (!result.started) return 2;

    if (result.cancelled) {
        ReportInterrupted(places.Unreported(), output.json, progress);
        PrintError(FormatText(Text(TextId::Cancelled), static_cast<int>(result.listed - result.handedOut),
                              static_cast<int>(result.listed)));
    }
    PrintSummary(summary, result.movedMonochrome, result.movedColor, LeftInPlace(result));
    bool reportFailed = false;
    if (reporting) {
        // In the order of the run's list, as the results were printed.
        std::vector<std::size_t> order(reportItems.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return reportPlaces[a] < reportPlaces[b]; });
        std::vector<ReportItem> sorted;
        for (const std::size_t i : order) sorted.push_back(std::move(reportItems[i]));
        ReportSummary about;
        about.command = "sort";
        about.settings = SettingsAsText(context.settings);
        about.params = MakeJudgeParams(context.settings);
        about.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        about.logPath = LogFilePath.empty() ? std::string() : platform::PathToUtf8(LogFilePath);
        const std::string problem = WriteReport(output.report, about, sorted);
        if (!problem.empty()) {
            PrintError("pallidor-cli: " + problem);
            reportFailed = true;
        }
    }
    return LeftInPlace(result) == 0 && !anyMissing && !result.logFailed && !reportFailed ? 0 : 1;
}
