// The console front end's view of its terminal.
#pragma once

namespace platform {

// True when standard input, or standard error, is an interactive terminal.
bool StandardInputIsTerminal();
bool StandardErrorIsTerminal();

}  // namespace platform
