#include "cli/SortCommand.h"

#include <csignal>
#include <cstdio>
#include <mutex>
#include <string>

#include "settings/Settings.h"
#include "cli/Explanation.h"
#include "cli/JsonText.h"
#include "cli/MissingPaths.h"
#include "platform/Console.h"
#include "platform/Text.h"
#include "sort/ResultLog.h"
#include "sort/SortHost.h"
#include "sort/SortRun.h"
#include "sort/SortRunDriver.h"

namespace {

extern "C" void OnInterrupt(int) { CancelRequested = true; }

void PrintError(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

bool AskOnTerminal(const std::string& question) {
    std::fprintf(stderr, "%s [y/N] ", question.c_str());
    std::fflush(stderr);
    char line[64];
    if (std::fgets(line, sizeof line, stdin) == nullptr) return false;
    const std::string reply(line);
    return reply == "y\n" || reply == "Y\n" || reply == "yes\n" || reply == "Yes\n" || reply == "YES\n";
}

// A drop hands over full paths, and log lines and messages show paths as they were handed
// over: a relative one would tell the reader of the log nothing about where the file was.
std::vector<std::filesystem::path> AsFullPaths(const std::vector<std::filesystem::path>& paths) {
    std::vector<std::filesystem::path> full;
    for (const auto& path : paths) {
        std::error_code error;
        std::filesystem::path absolute = std::filesystem::absolute(path, error);
        full.push_back(error ? path : absolute);
    }
    return full;
}

std::string JsonLine(const SortedFile& file, bool explain) {
    JsonObject json;
    json.AddPath("path", file.path);
    if (file.judged) json.Add("verdict", file.verdict != 0 ? "monochrome" : "color");
    if (file.moved) {
        json.AddPath("destination", file.destination);
    } else {
        json.Add("error", file.message);
    }
    json.Add("message", file.message);
    if (explain && file.judged) json.AddObject("evidence", ExplainAsJson(file.evidence, MakeJudgeParams(Settings)));
    return json.Text() + "\n";
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

int SortCommand(const std::vector<std::filesystem::path>& paths, QuestionAnswer answer,
                const OutputOptions& output) {
    const std::vector<std::filesystem::path> existing = DropMissingPaths(AsFullPaths(paths), {output.json, true});
    // With nothing to sort there is no run: no settings saved, no log.
    if (existing.empty()) return 1;
    const bool anyMissing = existing.size() != paths.size();
    const bool showProgress = platform::StandardErrorIsTerminal();
    bool progressShown = false;

    SortHost host;
    host.ShowError = [&](const std::string& text) {
        if (progressShown) std::fputc('\n', stderr);
        progressShown = false;
        PrintError(text);
    };
    host.AskYesNo = [&](const std::string& question) { return AnswerQuestion(question, answer); };
    if (showProgress) {
        host.ShowProgress = [&](const ProgressDisplay& progress) {
            std::fprintf(stderr, "\r%s", progress.text.c_str());
            std::fflush(stderr);
            progressShown = true;
        };
        // The driver's last update may predate the last finished file; end on the real count.
        host.EndProgress = [&](std::int32_t done, std::int32_t total) {
            if (progressShown && total > 0) std::fprintf(stderr, "\r%s\n", MakeProgressDisplay(done, total).text.c_str());
            progressShown = false;
        };
    }

    std::mutex outputLock;
    if (output.json) {
        host.ExplainVerdicts = output.explain;
        host.FileSorted = [&](const SortedFile& file) {
            const std::string line = JsonLine(file, output.explain);
            std::lock_guard<std::mutex> hold(outputLock);
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fflush(stdout);
        };
    }

    // On Windows the logs sit beside the program also when the settings came from elsewhere.
    if (ModuleFolder.empty()) GetModuleFolder();
    if (!BeginSortRun(UserPrompt{host.ShowError, {}})) {
        PrintError("pallidor-cli: a sorting run is already busy");
        return 2;
    }
    void (*previous)(int) = std::signal(SIGINT, OnInterrupt);
    const SortRunResult result = SortRunDriver(existing, host);
    std::signal(SIGINT, previous == SIG_ERR ? SIG_DFL : previous);
    EndSortRun();
    if (!result.started) return 2;

    if (result.cancelled) {
        std::fprintf(stderr, "cancelled: %d of %d files were not started\n",
                     static_cast<int>(result.listed - result.handedOut), static_cast<int>(result.listed));
    }
    // Standard output carries nothing but the objects when it is JSON Lines.
    std::FILE* summary = output.json ? stderr : stdout;
    std::fprintf(summary, "moved to monochrome: %d\nmoved to color: %d\nleft in place: %d\n",
                 static_cast<int>(result.movedMonochrome), static_cast<int>(result.movedColor),
                 static_cast<int>(LeftInPlace(result)));
    if (LogFilePath.empty()) {
        std::fprintf(summary, "log: none\n");
    } else {
        std::fprintf(summary, "log: %s\n", platform::PathToUtf8(LogFilePath).c_str());
    }
    std::fflush(summary);
    return LeftInPlace(result) == 0 && !anyMissing && !result.logFailed ? 0 : 1;
}
