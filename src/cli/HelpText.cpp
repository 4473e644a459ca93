#include "cli/HelpText.h"

#include <cstdio>

#include "platform/Places.h"

namespace {

const char kUsageAndCommands[] =
    "usage: pallidor-cli judge    [--settings FILE] [--explain] [--json] [-0] PATH...\n"
    "       pallidor-cli sort     [--settings FILE] [--yes | --no] [--json [--explain]] [-0] PATH...\n"
    "       pallidor-cli undo     [--yes | --no] [--dry-run] LOGFILE\n"
    "       pallidor-cli recover  [--yes | --no] [--dry-run]\n"
    "       pallidor-cli settings [--settings FILE] [KEY=VALUE...]\n"
    "       pallidor-cli calibrate [--settings FILE] MONO_DIR COLOR_DIR [--write FILE]\n"
    "       pallidor-cli --help | --version\n"
    "\n"
    "Sorts image files (PNG, GIF, BMP, JPEG) into monochrome and colour.\n"
    "\n"
    "commands:\n"
    "  judge      decode and judge every file (folders are expanded as a drop on the\n"
    "             window expands them) and print one line per file:\n"
    "             monochrome<TAB>PATH, color<TAB>PATH or error<TAB>PATH<TAB>MESSAGE;\n"
    "             nothing is moved and no log is written\n"
    "  sort       a sorting run, as a drop on the window starts one: every file is\n"
    "             judged and moved into a \"monochrome\" or \"color\" folder (beside it,\n"
    "             or the fixed folders of the settings), with one line per file in a\n"
    "             log; Ctrl+C stops starting new files\n"
    "  undo       move every file that the run of LOGFILE moved back where it came\n"
    "             from, never replacing a file; a file whose place is taken, or that\n"
    "             is gone or changed since, stays and is reported; \"monochrome\" and\n"
    "             \"color\" folders the run made go when they are left empty; writes a\n"
    "             log of its own\n"
    "  recover    settle the moves between file systems that a killed run or undo\n"
    "             left unfinished (sort and undo do this first by themselves): a whole\n"
    "             copy whose source has the same bytes finishes the move, a partial\n"
    "             copy is removed and the source stays; prints each move and each\n"
    "             file it removes; the finished moves go into a log of its own\n"
    "  settings   without KEY=VALUE: print the settings in effect, one KEY=VALUE a\n"
    "             line in the file's order, and the file's path; with KEY=VALUE: set\n"
    "             those keys by the rules that loading applies (a value out of range\n"
    "             is brought into range) and save; the values are printed as stored;\n"
    "             a missing settings file is made\n"
    "  calibrate  learn from a folder of pictures you call monochrome and one you\n"
    "             call colour: for each criterion (grayscale-only, tinted,\n"
    "             perceptual) the settings that agree with you best, the careful one\n"
    "             (fewer pictures called monochrome) on a tie, how many of each\n"
    "             folder they get right and the files each still gets wrong\n"
    "\n"
    "options:\n"
    "  --explain        after each verdict, the evidence that decided it: the rule\n"
    "                   (header, colour table, grayscale-only, tinted-monochrome or\n"
    "                   perceptual criterion) and its numbers, and a JPEG's decoder\n"
    "                   warnings\n"
    "  --json           one JSON object per file on standard output (JSON Lines)\n"
    "  -0, --null       with PATH -: the paths on standard input are separated by NUL\n"
    "                   bytes, not by line ends\n"
    "  PATH -           read the paths from standard input, one per line (or -0)\n"
    "  --dry-run        show what undo or recover would do and change nothing\n"
    "  --write FILE     calibrate: write the best settings into FILE, keeping its\n"
    "                   other keys (FILE is made when it is missing)\n"
    "  --yes, --no      answer the question whether to go on without a log\n"
    "                   (default: ask on a terminal, else No)\n"
    "  --settings FILE  use FILE, which must exist, instead of the per-user settings\n"
    "                   file (settings makes FILE when it is missing)\n"
    "  --help           print this help\n"
    "  --version        print the version\n"
    "\n"
    "files:\n";

const char kExitStatus[] =
    "\n"
    "exit status:\n"
    "  0          judge: every file judged; sort: every file moved; undo: every\n"
    "             moved file went back; recover: every move settled; settings:\n"
    "             printed or saved; calibrate: calibrated\n"
    "  1          judge: some file gave an error; sort: some file stayed where it\n"
    "             was; undo: some file stayed; recover: some move was left as it\n"
    "             was; a PATH that does not exist counts\n"
    "             (error<TAB>PATH<TAB>no such file or folder); calibrate: some\n"
    "             picture could not be judged\n"
    "  2          a usage error (one line and a pointer to --help), an unknown key\n"
    "             or a value that is no number for settings, a settings file that\n"
    "             cannot be written, a sorting run, undo or recover that did not\n"
    "             start, a log that undo cannot read, or a calibrate folder without\n"
    "             a file\n";

}  // namespace

std::string HelpText() {
    return std::string(kUsageAndCommands) + platform::PlacesInWords() + kExitStatus;
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "pallidor-cli: %s\nTry 'pallidor-cli --help'.\n", message.c_str());
    return 2;
}
