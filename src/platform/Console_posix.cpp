#include "platform/Console.h"

#include <unistd.h>

namespace platform {

// Arguments are bytes, taken to be UTF-8 like every other name on POSIX.
std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void PrepareConsoleOutput() {}

bool StandardInputIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }
bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace platform
