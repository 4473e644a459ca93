// `pallidor-cli judge`: decode and judge, move nothing; also `sort --dry-run`.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "sort/RunContext.h"

// How the console tool writes its per-file results.
struct OutputOptions {
    bool explain = false;   // add the evidence of each verdict
    bool json = false;      // JSON Lines instead of tab-separated text
    bool dryRun = false;    // sort --dry-run: each verdict with the place the file would go to
    bool recursive = false; // -r: sub-folders too for this run, whatever IS_SUBDIRS_TOO says
    std::filesystem::path report;  // --report FILE.html: the run's page, "" for none
};

// Judges every file with up to THREAD_NUM at once and prints one line per file to standard
// output, in the order of the paths (a folder's files in the order the file system lists
// them), the progress on standard error when it is a terminal. Returns 0 when every file was
// judged, 1 when any gave an error.
int JudgeCommand(const std::vector<std::filesystem::path>& items, const OutputOptions& output = {});

// The warning that a file was judged although its decoder warned, "" when it did not.
std::string DecoderWarningText(long warnings);

// The files of `items` to sort with the settings in effect: a hint on standard error for each
// folder that holds only folders while `rule` keeps out of sub-folders.
void HintAtFoldersOfFolders(const std::vector<std::filesystem::path>& items, const CollectionRule& rule);
