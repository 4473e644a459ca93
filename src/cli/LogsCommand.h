// `pallidor-cli logs`: the past runs, newest first, from the logs folder.
#pragma once

#include <filesystem>
#include <vector>

#include <string>

// The result logs in the logs folder (names of the form a run gives them), newest first.
std::vector<std::filesystem::path> LogFilesNewestFirst();

// One line per log: when its run began, how many files it moved into each folder, how many
// it left, and the log's path. Returns 0 (also when there is no log yet).
int LogsCommand();
