// The console front end's command line, output streams and terminal.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The program's arguments after its own name, in UTF-8. On Windows they come from the UTF-16
// command line, since `argv` has been through the console's code page and lost characters.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Readies standard output and standard error for UTF-8 text with line-feed line ends, shown
// correctly on a console and written unchanged when redirected.
void PrepareConsoleOutput();

// Everything on standard input, as bytes (on Windows without any line-end translation).
std::string ReadStandardInput();

// True when standard input, or standard error, is an interactive terminal.
bool StandardInputIsTerminal();
bool StandardErrorIsTerminal();

}  // namespace platform
