// `pallidor-cli sort`: a sorting run, as a drop on the window starts one.
#pragma once

#include <filesystem>
#include <vector>

// How the run's questions (run without a log?) are answered.
enum class QuestionAnswer { AskOnTerminal, Yes, No };

// Sorts the given files and folders with the loaded settings. Messages and questions go to
// standard error (a question is asked only when standard input is a terminal, else answered
// No), the progress too when standard error is a terminal, the summary to standard output.
// Ctrl+C stops launching; started files finish. Returns 0 when every file was moved, 1 when
// any stayed where it was, 2 when the run did not start.
int SortCommand(const std::vector<std::filesystem::path>& paths, QuestionAnswer answer);
