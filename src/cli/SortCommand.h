// `pallidor-cli sort`: a sorting run, as a drop on the window starts one.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/JudgeCommand.h"

// How the run's questions (run without a log?) are answered.
enum class QuestionAnswer { AskOnTerminal, Yes, No };

// Answers a question as `answer` says: the question goes to standard error, and is asked on
// the terminal only for AskOnTerminal when standard input is one (else the answer is No).
bool AnswerQuestion(const std::string& question, QuestionAnswer answer);

// A drop hands over full paths, and log lines and messages show paths as they were handed
// over: a relative one would tell the reader of the log nothing about where the file was.
std::vector<std::filesystem::path> AsFullPaths(const std::vector<std::filesystem::path>& paths);

// Sorts the given files and folders with the loaded settings. Messages and questions go to
// standard error (a question is asked only when standard input is a terminal, else answered
// No), the progress too when standard error is a terminal, the summary to standard output
// (with `output.json`, one JSON object per file there instead, and the summary to standard
// error). Each file left in place is named on standard error with its reason. Ctrl+C stops
// launching and says how many files are under way; a second one abandons their decodes
// (never a move) and ends the process after the summary. Returns 0 when every file was moved,
// 1 when any stayed where it was, 2 when the run did not start. The run is given `seams`.
int SortCommand(const std::vector<std::filesystem::path>& paths, QuestionAnswer answer,
                const OutputOptions& output = {}, const RunSeams& seams = RealRunSeams());
