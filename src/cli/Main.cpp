// pallidor-cli: the console front end.
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#include "cli/HelpText.h"
#include "cli/CalibrateCommand.h"
#include "cli/JudgeCommand.h"
#include "cli/PathInput.h"
#include "cli/RecoverCommand.h"
#include "cli/SettingsCommand.h"
#include "cli/SortCommand.h"
#include "cli/UndoCommand.h"
#include "platform/Console.h"
#include "platform/Text.h"
#include "settings/Settings.h"

namespace {

// Drops trailing separators ('/' is one on Windows too), as a drop never reports them; a root
// stays a root.
std::filesystem::path AsDropped(const std::string& argument) {
    std::string text = argument;
    while (text.size() > 1 && (text.back() == '/' || text.back() == platform::PathSeparator())) {
        text.pop_back();
    }
    return platform::PathFromUtf8(text);
}

// Why a settings file named on the command line cannot be used; empty when it can (or when
// none is named). A mistyped name must not quietly give the defaults.
std::string SettingsFileProblem(const std::string& settingsFile) {
    if (settingsFile.empty()) return std::string();
    std::error_code error;
    const auto type = std::filesystem::status(platform::PathFromUtf8(settingsFile), error).type();
    if (type == std::filesystem::file_type::not_found) return "settings file '" + settingsFile + "' does not exist";
    if (type == std::filesystem::file_type::directory) return "settings file '" + settingsFile + "' is a folder";
    return std::string();
}

// calibrate [--settings FILE] MONO_DIR COLOR_DIR [--write FILE]
int Calibrate(const std::vector<std::string>& args) {
    std::string settingsFile;
    std::string writeFile;
    std::vector<std::string> folders;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--settings" || arg == "--write")) {
            if (i + 1 >= args.size()) return UsageError(arg + " needs a file");
            (arg == "--settings" ? settingsFile : writeFile) = args[++i];
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option '" + arg + "'");
        } else {
            folders.push_back(arg);
        }
    }
    if (folders.size() != 2) return UsageError("calibrate needs MONO_DIR and COLOR_DIR");
    const std::string problem = SettingsFileProblem(settingsFile);
    if (!problem.empty()) return UsageError(problem);
    if (settingsFile.empty()) {
        LoadSettings();
    } else {
        LoadSettingsFrom(platform::PathFromUtf8(settingsFile));
    }
    return CalibrateCommand(AsDropped(folders[0]), AsDropped(folders[1]),
                            writeFile.empty() ? std::filesystem::path() : platform::PathFromUtf8(writeFile));
}

}  // namespace

int main(int argc, char** argv) {
    platform::PrepareConsoleOutput();
    const std::vector<std::string> args = platform::CommandLineArguments(argc, argv);
    if (args.empty()) return UsageError("no command given");
    const std::string command = args[0];
    if (command == "--help" || command == "-h") {
        std::fputs(HelpText().c_str(), stdout);
        return 0;
    }
    if (command == "--version") {
        std::puts("pallidor-cli " PALLIDOR_VERSION);
        return 0;
    }
    if (command == "calibrate") return Calibrate(args);
    if (command != "judge" && command != "sort" && command != "undo" && command != "recover" &&
        command != "settings") {
        return UsageError("unknown command '" + command + "'");
    }
    const bool judging = command == "judge";
    const bool recovering = command == "recover";
    // undo and recover take no settings and no paths, and answer the log question.
    const bool undoing = command == "undo" || recovering;
    const bool setting = command == "settings";
    // The options of judge and sort alone.
    const bool takesPaths = !undoing && !setting;

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
        } else if ((undoing || command == "sort") && (arg == "--yes" || arg == "--no")) {
            answer = arg == "--yes" ? QuestionAnswer::Yes : QuestionAnswer::No;
        } else if (takesPaths && arg == "--explain") {
            output.explain = true;
        } else if (takesPaths && arg == "--json") {
            output.json = true;
        } else if (takesPaths && (arg == "-0" || arg == "--null")) {
            nulSeparated = true;
        } else if (undoing && arg == "--dry-run") {
            dryRun = true;
        } else if (arg == "-" && takesPaths) {
            fromStandardInput = true;
            arguments.push_back(arg);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option '" + arg + "'");
        } else {
            arguments.push_back(arg);
        }
    }

    if (recovering) {
        if (!arguments.empty()) return UsageError("recover takes no PATH");
        return RecoverCommand(dryRun, answer);
    }
    if (undoing) {
        if (arguments.size() != 1) return UsageError("undo needs exactly one LOGFILE");
        return UndoCommand(platform::PathFromUtf8(arguments[0]), dryRun, answer);
    }
    if (setting) return SettingsCommand(platform::PathFromUtf8(settingsFile), arguments);
    const std::string problem = SettingsFileProblem(settingsFile);
    if (!problem.empty()) return UsageError(problem);
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
        // On Windows the logs stay beside the program whichever settings file is used.
        GetModuleFolder();
        LoadSettingsFrom(platform::PathFromUtf8(settingsFile));
    }
    return judging ? JudgeCommand(paths, output) : SortCommand(paths, answer, output);
}
