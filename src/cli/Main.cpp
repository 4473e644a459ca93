// pallidor-cli: the console front end.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "settings/Settings.h"
#include "cli/JudgeCommand.h"
#include "cli/PathInput.h"
#include "cli/SortCommand.h"
#include "cli/UndoCommand.h"
#include "platform/Console.h"
#include "platform/Text.h"

namespace {

const char kUsage[] =
    "usage: pallidor-cli judge [--settings FILE] [--explain] [--json] [-0] PATH...\n"
    "       pallidor-cli sort  [--settings FILE] [--yes | --no] [--json [--explain]] [-0] PATH...\n"
    "       pallidor-cli undo  [--yes | --no] [--dry-run] LOGFILE\n"
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
    "  undo       move every file that the run of LOGFILE moved back where it came\n"
    "             from, never replacing a file; a file whose place is taken, or that\n"
    "             is gone or changed since, stays and is reported; \"monochrome\" and\n"
    "             \"color\" folders the run made go when they are left empty; writes a\n"
    "             log of its own\n"
    "  --explain        after each verdict, the evidence that decided it: the rule\n"
    "                   (header, colour table, grayscale-only or tinted-monochrome\n"
    "                   criterion) and its numbers, and a JPEG's decoder warnings\n"
    "  --json           one JSON object per file on standard output (JSON Lines)\n"
    "  -0, --null       with PATH -: the paths on standard input are separated by NUL\n"
    "                   bytes, not by line ends\n"
    "  PATH -           read the paths from standard input, one per line (or -0)\n"
    "  --dry-run        show what undo would do and change nothing\n"
    "  --yes, --no      answer the question whether to go on without a log\n"
    "                   (default: ask on a terminal, else No)\n"
    "  --settings FILE  use FILE instead of the per-user settings file beside the program\n"
    "\n"
    "exit status: judge: 0 every file judged, 1 some file gave an error;\n"
    "             sort: 0 every file moved, 1 some file stayed where it was,\n"
    "             2 the run did not start; undo: 0 every moved file went back,\n"
    "             1 some stayed, 2 the log could not be read or the undo did not\n"
    "             start; all: 2 for a usage error\n";

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
    if (command != "judge" && command != "sort" && command != "undo") {
        return UsageError("unknown command '" + command + "'");
    }
    const bool judging = command == "judge";
    const bool undoing = command == "undo";

    std::string settingsFile;
    QuestionAnswer answer = QuestionAnswer::AskOnTerminal;
    OutputOptions output;
    bool nulSeparated = false;
    bool dryRun = false;
    bool fromStandardInput = false;
    std::vector<std::string> arguments;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded) {
            arguments.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (!undoing && arg == "--settings") {
            if (i + 1 >= args.size()) return UsageError("--settings needs a file");
            settingsFile = args[++i];
        } else if (!judging && (arg == "--yes" || arg == "--no")) {
            answer = arg == "--yes" ? QuestionAnswer::Yes : QuestionAnswer::No;
        } else if (!undoing && arg == "--explain") {
            output.explain = true;
        } else if (!undoing && arg == "--json") {
            output.json = true;
        } else if (!undoing && (arg == "-0" || arg == "--null")) {
            nulSeparated = true;
        } else if (undoing && arg == "--dry-run") {
            dryRun = true;
        } else if (arg == "-" && !undoing) {
            fromStandardInput = true;
            arguments.push_back(arg);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option '" + arg + "'");
        } else {
            arguments.push_back(arg);
        }
    }

    if (undoing) {
        if (arguments.size() != 1) return UsageError("undo needs exactly one LOGFILE");
        return UndoCommand(platform::PathFromUtf8(arguments[0]), dryRun, answer);
    }
    if (!judging && output.explain && !output.json) return UsageError("sort --explain needs --json");
    if (fromStandardInput && arguments.size() != 1) return UsageError("PATH - must be the only PATH");
    if (nulSeparated && !fromStandardInput) return UsageError("-0 needs PATH -");
    if (fromStandardInput) {
        arguments = SplitPathList(platform::ReadStandardInput(), nulSeparated);
        if (arguments.empty()) return UsageError("no PATH on standard input");
    }
    if (arguments.empty()) return UsageError("no PATH given");
    std::vector<std::filesystem::path> paths;
    for (const auto& argument : arguments) paths.push_back(AsDropped(argument));

    if (settingsFile.empty()) {
        LoadSettings();
    } else {
        // The log folder stays beside the program whichever settings file is used.
        GetModuleFolder();
        LoadSettingsFrom(platform::PathFromUtf8(settingsFile));
    }
    return judging ? JudgeCommand(paths, output) : SortCommand(paths, answer, output);
}
