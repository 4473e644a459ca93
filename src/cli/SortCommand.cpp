#include "cli/SortCommand.h"

#include <csignal>
#include <cstdio>
#include <string>

#include "app/Settings.h"
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

}  // namespace

int SortCommand(const std::vector<std::filesystem::path>& paths, QuestionAnswer answer) {
    const bool showProgress = platform::StandardErrorIsTerminal();
    const bool canAsk = answer == QuestionAnswer::AskOnTerminal && platform::StandardInputIsTerminal();
    bool progressShown = false;

    SortHost host;
    host.ShowError = [&](const std::string& text) {
        if (progressShown) std::fputc('\n', stderr);
        progressShown = false;
        PrintError(text);
    };
    host.AskYesNo = [&](const std::string& question) {
        if (answer == QuestionAnswer::Yes || answer == QuestionAnswer::No) {
            PrintError(question);
            return answer == QuestionAnswer::Yes;
        }
        if (canAsk) return AskOnTerminal(question);
        PrintError(question);
        return false;
    };
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

    // The log folder sits beside the program also when the settings came from elsewhere.
    if (ModuleFolder.empty()) GetModuleFolder();
    if (!BeginSortRun()) {
        PrintError("pallidor-cli: a sorting run is already busy");
        return 2;
    }
    void (*previous)(int) = std::signal(SIGINT, OnInterrupt);
    const SortRunResult result = SortRunDriver(AsFullPaths(paths), host);
    std::signal(SIGINT, previous == SIG_ERR ? SIG_DFL : previous);
    EndSortRun();
    if (!result.started) return 2;

    if (result.cancelled) {
        std::fprintf(stderr, "cancelled: %d of %d files were not started\n",
                     static_cast<int>(result.listed - result.handedOut), static_cast<int>(result.listed));
    }
    std::printf("moved to monochrome: %d\nmoved to color: %d\nleft in place: %d\n",
                static_cast<int>(result.movedMonochrome), static_cast<int>(result.movedColor),
                static_cast<int>(LeftInPlace(result)));
    if (LogFilePath.empty()) {
        std::printf("log: none\n");
    } else {
        std::printf("log: %s\n", platform::PathToUtf8(LogFilePath).c_str());
    }
    std::fflush(stdout);
    return LeftInPlace(result) == 0 ? 0 : 1;
}
