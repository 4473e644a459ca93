// Why a file was left where it was: a stable code for scripts (the manual page lists them)
// and the words a person needs beyond the log's message (the system's reason, the format a
// file really holds, the size of a picture too large).
#pragma once

#include <filesystem>
#include <string>

struct FileProblem {
    const char* code = "";  // "" when nothing is wrong
    std::string reason;     // "" when the message says it all
};

// Every code, with what it means, in the order of the manual page.
struct ProblemCode {
    const char* code;
    const char* meaning;
};
extern const ProblemCode kProblemCodes[];
extern const std::size_t kProblemCodeCount;

// A file that could not be judged; `message` is its failure text as the console shows it.
FileProblem UnjudgedProblem(const std::filesystem::path& path, const std::string& message);

// A judged file that stayed: `target` is where it was to go, empty when its destination
// folder could not be made.
FileProblem UnmovedProblem(const std::string& path, const std::string& target, bool monochrome,
                           const std::string& message);

// "MESSAGE (REASON)", or the message alone.
std::string WithReason(const std::string& message, const FileProblem& problem);
