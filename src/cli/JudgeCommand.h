// `pallidor-cli judge`: decode and judge, move nothing.
#pragma once

#include <filesystem>
#include <vector>

// How the console tool writes its per-file results.
struct OutputOptions {
    bool explain = false;  // add the evidence of each verdict
    bool json = false;     // JSON Lines instead of tab-separated text
};

// Judges every file with up to THREAD_NUM at once and prints one line per file to standard
// output. Returns 0 when every file was judged, 1 when any gave an error.
int JudgeCommand(const std::vector<std::filesystem::path>& items, const OutputOptions& output = {});
