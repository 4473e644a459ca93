#include "cli/HelpText.h"

#include <cstdio>
#include <sstream>
#include <vector>

#include "cli/FileProblem.h"
#include "platform/Places.h"
#include "settings/Settings.h"

namespace {

const char kUsageAndCommands[] =
    "usage: pallidor-cli judge    [--settings FILE] [-r] [--explain] [--json] [--report FILE] [-0] PATH...\n"
    "       pallidor-cli sort     [--settings FILE] [-r] [--dry-run] [--yes | --no] [--json [--explain]] [--report FILE] [-0] PATH...\n"
    "       pallidor-cli undo     [--yes | --no] [--dry-run] (LOGFILE | --last)\n"
    "       pallidor-cli recover  [--yes | --no] [--dry-run]\n"
    "       pallidor-cli logs\n"
    "       pallidor-cli settings [--settings FILE] [KEY=VALUE...]\n"
    "       pallidor-cli calibrate [--settings FILE] MONO_DIR COLOR_DIR [--write FILE]\n"
    "       pallidor-cli help [COMMAND] | COMMAND --help | --help | --version\n"
    "\n"
    "Sorts image files (PNG, GIF, BMP, JPEG, TIFF, WebP) into monochrome and colour.\n"
    "\n"
    "commands:\n"
    "  judge      decode and judge every file (a folder gives its files, and those of\n"
    "             its sub-folders when IS_SUBDIRS_TOO is on or -r is given) and print\n"
    "             one line per file, in the order of the PATHs:\n"
    "             monochrome<TAB>PATH, color<TAB>PATH or error<TAB>PATH<TAB>MESSAGE;\n"
    "             nothing is moved and no log is written\n"
    "  sort       judge every file and move it into a \"monochrome\" or \"color\" folder\n"
    "             (beside it, or the fixed folders of the settings), with one line per\n"
    "             file in a log; each file left where it was is named on standard\n"
    "             error with its reason, then the counts and the log's path are\n"
    "             printed; Ctrl+C stops starting new files, a second Ctrl+C abandons\n"
    "             the files being decoded (never a move half made); with --dry-run,\n"
    "             print VERDICT<TAB>PATH<TAB>DESTINATION for each file and touch nothing\n"
    "  undo       move every file that the run of LOGFILE (or with --last, of the\n"
    "             newest log) moved back where it came from, never replacing a file;\n"
    "             a file whose place is taken, or that is gone or changed since,\n"
    "             stays and is reported; \"monochrome\" and \"color\" folders the run\n"
    "             made go when they are left empty; writes a log of its own (so a\n"
    "             second undo --last takes the undo back)\n"
    "  recover    settle the moves between file systems that a killed run or undo\n"
    "             left unfinished (sort and undo do this first by themselves): a whole\n"
    "             copy whose source has the same bytes finishes the move, a partial\n"
    "             copy is removed and the source stays; prints each move and each\n"
    "             file it removes; the finished moves go into a log of its own\n"
    "  logs       list the past runs, newest first: when each began, how many files\n"
    "             it moved into each folder and left in place, and its log's path\n"
    "  settings   without KEY=VALUE: print the settings in effect, one KEY=VALUE a\n"
    "             line in the file's order, and the file's path; with KEY=VALUE: set\n"
    "             those keys by the rules that loading applies and save; a value that\n"
    "             is brought into range, or that has no effect under the other\n"
    "             settings, is warned about on standard error; a destination folder\n"
    "             must be the full path of an existing folder; the values are\n"
    "             printed as stored; a missing settings file is made\n"
    "  calibrate  learn from a folder of pictures you call monochrome and one you\n"
    "             call colour: for each criterion (grayscale-only, tinted,\n"
    "             perceptual) the settings that agree with you best, the careful one\n"
    "             (fewer pictures called monochrome) on a tie, how many of each\n"
    "             folder they get right and the files each still gets wrong\n"
    "  help       print this help, or with COMMAND the help of that command\n"
    "\n"
    "options:\n"
    "  --explain        after each verdict, the evidence that decided it: the rule\n"
    "                   (header, colour table, grayscale-only, tinted-monochrome or\n"
    "                   perceptual criterion) and its numbers, and a JPEG's decoder\n"
    "                   warnings\n"
    "  --json           one JSON object per file on standard output (JSON Lines), in\n"
    "                   the order of the PATHs; an error carries a \"code\" (see error\n"
    "                   codes) and a file judged despite damage \"warnings\"\n"
    "  --report FILE    judge, sort: also write a page FILE (say run.html) that shows\n"
    "                   every picture as a thumbnail (in FILE_files beside it), by\n"
    "                   verdict, with what decided each colour verdict drawn on it\n"
    "  -0, --null       with PATH -: the paths on standard input are separated by NUL\n"
    "                   bytes, not by line ends\n"
    "  PATH -           read the paths from standard input, one per line (or -0); an\n"
    "                   empty list is nothing to do\n"
    "  -r, --recursive  this run takes the files of sub-folders too, as IS_SUBDIRS_TOO=1\n"
    "  --dry-run        show what sort, undo or recover would do and change nothing\n"
    "  --last           undo: the newest log of the logs folder (see logs)\n"
    "  --write FILE     calibrate: write the best settings into FILE, keeping its\n"
    "                   other keys (FILE is made when it is missing)\n"
    "  --yes, --no      answer the question whether to go on without a log\n"
    "                   (default: ask on a terminal, else No)\n"
    "  --settings FILE  use FILE, which must exist, instead of the per-user settings\n"
    "                   file (settings makes FILE when it is missing)\n"
    "  -h, --help       print this help, or after a command the command's help\n"
    "  --version        print the version\n"
    "\n"
    "On a terminal, judge and sort show their progress on standard error: the files\n"
    "done, the total, the rate and the time left.\n"
    "\n";

const char kExitStatus[] =
    "\n"
    "exit status:\n"
    "  0          judge: every file judged; sort: every file moved; undo: every\n"
    "             moved file went back; recover: every move settled; settings:\n"
    "             printed or saved; calibrate: calibrated; an empty list of PATHs on\n"
    "             standard input\n"
    "  1          judge: some file gave an error; sort: some file stayed where it\n"
    "             was; undo: some file stayed; recover: some move was left as it\n"
    "             was; a PATH that does not exist counts\n"
    "             (error<TAB>PATH<TAB>no such file or folder); calibrate: some\n"
    "             picture could not be judged\n"
    "  2          a usage error (one line and a pointer to --help); for settings an\n"
    "             unknown key, a value that is no number or a destination that is no\n"
    "             full path of an existing folder; a settings file that cannot be\n"
    "             written, a sorting run, undo or recover that did not start, a log\n"
    "             that undo cannot read or that is no log of this program, or a\n"
    "             calibrate folder without a file\n"
    "\n"
    "environment:\n"
    "  LC_ALL, LC_MESSAGES, LANG\n"
    "             the first of them that is set decides the language of the messages\n"
    "             and of the logs sort writes: Japanese when it names a Japanese\n"
    "             locale (ja_JP.UTF-8), else English; the help stays in English\n";

constexpr std::size_t kWidth = 79;
constexpr std::size_t kTextColumn = 13;

// "  TERM       text..." wrapped at kWidth, the text at kTextColumn; a term too long for its
// column stands on a line of its own.
std::string Item(const std::string& term, const std::string& text) {
    std::string out = "  " + term;
    std::size_t column = out.size();
    if (column + 2 > kTextColumn) {
        out += "\n";
        column = 0;
    }
    std::istringstream words(text);
    bool first = true;
    for (std::string word; words >> word;) {
        if (column == 0 || (!first && column + 1 + word.size() > kWidth)) {
            if (column != 0) out += "\n";
            out += std::string(kTextColumn, ' ');
            column = kTextColumn;
        } else if (first) {
            out += std::string(kTextColumn - column, ' ');
            column = kTextColumn;
        } else {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        first = false;
    }
    return out + "\n";
}

const char* TypeName(SettingType type) {
    switch (type) {
        case SettingType::Integer: return "whole number";
        case SettingType::Flag: return "flag";
        case SettingType::Number: return "decimal number";
        case SettingType::Folder: return "folder";
    }
    return "";
}

std::string SettingsKeysSection() {
    std::string text = "settings keys:\n";
    for (const SettingDescription& key : DescribeSettings()) {
        const std::string byDefault = key.defaultValue.empty() ? "empty" : key.defaultValue;
        text += Item(key.name, std::string("[") + key.section + "] " + TypeName(key.type) + ", " + key.range +
                                   "; default " + byDefault + ": " + key.meaning);
    }
    return text;
}

std::string ErrorCodesSection() {
    std::string text = "error codes:\n";
    for (std::size_t i = 0; i < kProblemCodeCount; ++i) text += Item(kProblemCodes[i].code, kProblemCodes[i].meaning);
    return text;
}

const char* const kCommands[] = {"judge", "sort", "undo", "recover", "logs", "settings", "calibrate", "help"};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

}  // namespace

std::string HelpText() {
    return std::string(kUsageAndCommands) + SettingsKeysSection() + "\n" + ErrorCodesSection() + "\nfiles:\n" +
           platform::PlacesInWords() + kExitStatus;
}

bool IsCommand(const std::string& name) {
    for (const char* command : kCommands) {
        if (name == command) return true;
    }
    return false;
}

std::string CommandHelp(const std::string& command) {
    if (!IsCommand(command)) return std::string();
    const std::vector<std::string> lines = Lines(kUsageAndCommands);
    std::string text;
    const std::string program = "pallidor-cli " + command;
    for (const std::string& line : lines) {
        if (line.empty()) break;
        const std::size_t at = line.find(program);
        if (at != std::string::npos && (at + program.size() == line.size() || line[at + program.size()] == ' ')) {
            text += (text.empty() ? "usage: " : "       ") + line.substr(at) + "\n";
        }
    }
    text += "\n";
    bool inItem = false;
    for (const std::string& line : lines) {
        const bool itemStart = line.size() > 2 && line[0] == ' ' && line[1] == ' ' && line[2] != ' ';
        if (itemStart) inItem = line.compare(2, command.size() + 1, command + " ") == 0;
        if (line.empty()) inItem = false;
        if (inItem) text += line + "\n";
    }
    if (command == "settings") text += "\n" + SettingsKeysSection();
    return text + "\nSee 'pallidor-cli --help' for every option, the error codes and the files.\n";
}

std::string DidYouMean(const std::string& typed) {
    std::string best;
    std::size_t bestDistance = 3;  // more than two edits away is no likely typo
    for (const char* command : kCommands) {
        const std::string candidate = command;
        // Edit distance, one row at a time.
        std::vector<std::size_t> row(candidate.size() + 1);
        for (std::size_t j = 0; j <= candidate.size(); ++j) row[j] = j;
        for (std::size_t i = 1; i <= typed.size(); ++i) {
            std::size_t diagonal = row[0];
            row[0] = i;
            for (std::size_t j = 1; j <= candidate.size(); ++j) {
                const std::size_t above = row[j];
                const std::size_t cost = typed[i - 1] == candidate[j - 1] ? 0 : 1;
                row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + cost});
                diagonal = above;
            }
        }
        const bool prefix = typed.size() >= 2 && candidate.compare(0, typed.size(), typed) == 0;
        const std::size_t distance = prefix ? 1 : row[candidate.size()];
        if (distance < bestDistance) {
            bestDistance = distance;
            best = candidate;
        }
    }
    return best;
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "pallidor-cli: %s\nTry 'pallidor-cli --help'.\n", message.c_str());
    return 2;
}
