// pallidor-cli: the console front end.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "cli/JudgeCommand.h"
#include "cli/SortCommand.h"
#include "platform/Console.h"
#include "platform/Text.h"

namespace {

const char kUsage[] =
    "usage: pallidor-cli judge [--settings FILE] PATH...\n"
    "       pallidor-cli sort  [--settings FILE] [--yes | --no] PATH...\n"
    "       pallidor-cli --help | --version\n"
    "\n"
    "  judge      decode and judge every file (folders are expanded as a drop on the\n"
    "             window expands them) and print one line per file:\n"
    "               monochrome<TAB>PATH, color<TAB>PATH or error<TAB>PATH<TAB>MESSAGE\n"
    "             nothing is moved and no log is written\n"
    "  sort       a sorting run, as a drop on the window starts one: every file is\n"
    "             judged and moved into a \"monochrome\" or \"color\" folder (beside it,\n"
    "             or the fixed folders of the settings), with one line per file in a\n"
    "             log in the \"logs\" folder beside the program; Ctrl+C stops starting\n"
    "             new files\n"
    "  --yes, --no      answer the question whether to sort without a log\n"
    "                   (default: ask on a terminal, else No)\n"
    "  --settings FILE  use FILE instead of the per-user settings file beside the program\n"
    "\n"
    "exit status: judge: 0 every file judged, 1 some file gave an error;\n"
    "             sort: 0 every file moved, 1 some file stayed where it was,\n"
    "             2 the run did not start; both: 2 for a usage error\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "pallidor-cli: %s\n%s", message.c_str(), kUsage);
    return 2;
}

// Drops trailing separators ('/' is one on Windows too), as a drop never reports them; a root
// stays a root.
std::filesystem::path AsDropped(const std::string& argument) {
    std::string text = argument;
    while (text.size() > 1 && (text.back() == '/' || text.back() == platform::PathSeparator())) {
        text.pop_back();
    }
    return platform::PathFromUtf8(text);
}

}  // namespace

int main(int argc, char** argv) {
    platform::PrepareConsoleOutput();
    const std::vector<std::string> args = platform::CommandLineArguments(argc, argv);
    if (args.empty()) return UsageError("no command given");
    const std::string command = args[0];
    if (command == "--help" || command == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "--version") {
        std::puts("pallidor-cli " PALLIDOR_VERSION);
        return 0;
    }
    if (command != "judge" && command != "sort") return UsageError("unknown command '" + command + "'");
    const bool sorting = command == "sort";

    std::string settingsFile;
    QuestionAnswer answer = QuestionAnswer::AskOnTerminal;
    std::vector<std::filesystem::path> paths;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == "--settings") {
            if (i + 1 >= args.size()) return UsageError("--settings needs a file");
            settingsFile = args[++i];
        } else if (!optionsEnded && sorting && (arg == "--yes" || arg == "--no")) {
            answer = arg == "--yes" ? QuestionAnswer::Yes : QuestionAnswer::No;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option '" + arg + "'");
        } else {
            paths.push_back(AsDropped(arg));
        }
    }
    if (paths.empty()) return UsageError("no PATH given");

    if (settingsFile.empty()) {
        LoadSettings();
    } else {
        // The log folder stays beside the program whichever settings file is used.
        GetModuleFolder();
        LoadSettingsFrom(platform::PathFromUtf8(settingsFile));
    }
    return sorting ? SortCommand(paths, answer) : JudgeCommand(paths);
}
