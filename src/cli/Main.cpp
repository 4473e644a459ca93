// pallidor-cli: the console front end.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#include "cli/HelpText.h"
#include "cli/CalibrateCommand.h"
#include "cli/JudgeCommand.h"
#include "cli/LogsCommand.h"
#include "cli/PathInput.h"
#include "cli/RecoverCommand.h"
#include "cli/SettingsCommand.h"
#include "cli/SortCommand.h"
#include "cli/UndoCommand.h"
#include "platform/Console.h"
#include "platform/Text.h"
#include "settings/Settings.h"
#include "sort/Texts.h"

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
    SetTextLanguage(LanguageOfLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG")));
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
    if (command == "help") {
        if (args.size() == 1) {
            std::fputs(HelpText().c_str(), stdout);
            return 0;
        }
        if (args.size() > 2 || !IsCommand(args[1])) return UsageError("help: no command '" + args[1] + "'");
        std::fputs(CommandHelp(args[1]).c_str(), stdout);
        return 0;
    }
    if (!IsCommand(command)) {
        const std::string guess = DidYouMean(command);
        return UsageError("unknown command '" + command + "'" +
                          (guess.empty() ? std::string() : "; did you mean '" + guess + "'?"));
    }
    for (std::size_t i = 1; i < args.size() && args[i] != "--"; ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            std::fputs(CommandHelp(command).c_str(), stdout);
            return 0;
        }
    }
    if (command == "calibrate") return Calibrate(args);
    if (command == "logs") {
        if (args.size() > 1) return UsageError("logs takes no argument");
        return LogsCommand();
    }
    const bool judging = command == "judge";
    const bool sorting = command == "sort";
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
    bool lastLog = false;
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
        } else if ((undoing || sorting) && (arg == "--yes" || arg == "--no")) {
            answer = arg == "--yes" ? QuestionAnswer::Yes : QuestionAnswer::No;
        } else if (takesPaths && arg == "--explain") {
            output.explain = true;
        } else if (takesPaths && arg == "--report") {
            if (i + 1 >= args.size()) return UsageError("--report needs a file");
            output.report = platform::PathFromUtf8(args[++i]);
        } else if (takesPaths && arg == "--json") {
            output.json = true;
        } else if (takesPaths && (arg == "-0" || arg == "--null")) {
            nulSeparated = true;
        } else if (takesPaths && (arg == "-r" || arg == "--recursive")) {
            output.recursive = true;
        } else if ((undoing || sorting) && arg == "--dry-run") {
            dryRun = true;
        } else if (command == "undo" && arg == "--last") {
            lastLog = true;
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
        if (ModuleFolder.empty()) GetModuleFolder();
        return RecoverCommand(MakeRunContext(Settings, ModuleFolder), dryRun, answer);
    }
    if (undoing) {
        if (lastLog) {
            if (!arguments.empty()) return UsageError("undo takes a LOGFILE or --last, not both");
            const std::vector<std::filesystem::path> logs = LogFilesNewestFirst();
            if (logs.empty()) {
                std::fprintf(stderr, "pallidor-cli: %s\n", Text(TextId::NoLogs));
                return 2;
            }
            return UndoCommand(logs.front(), dryRun, answer);
        }
        if (arguments.size() != 1) return UsageError("undo needs exactly one LOGFILE (or --last)");
        return UndoCommand(platform::PathFromUtf8(arguments[0]), dryRun, answer);
    }
    if (setting) return SettingsCommand(platform::PathFromUtf8(settingsFile), arguments);
    const std::string problem = SettingsFileProblem(settingsFile);
    if (!problem.empty()) return UsageError(problem);
    if (sorting && !dryRun && output.explain && !output.json) return UsageError("sort --explain needs --json");
    if (fromStandardInput && arguments.size() != 1) return UsageError("PATH - must be the only PATH");
    if (nulSeparated && !fromStandardInput) return UsageError("-0 needs PATH -");
    if (fromStandardInput) {
        arguments = SplitPathList(platform::ReadStandardInput(), nulSeparated);
        // An empty list (say, from a find that found nothing) is nothing to do.
        if (arguments.empty()) return 0;
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
    if (judging || dryRun) {
        // This run's own: nothing is saved by judge.
        if (output.recursive) Settings.IS_SUBDIRS_TOO = 1;
        output.dryRun = dryRun;
        return JudgeCommand(dryRun ? AsFullPaths(paths) : paths, output);
    }
    return SortCommand(paths, answer, output);
}
