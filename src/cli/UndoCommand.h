// `pallidor-cli undo`: a run taken back from its result log.
#pragma once

#include <filesystem>

#include "cli/SortCommand.h"

// Moves every file the run of `logFile` moved back where it came from (UndoSortRun), with a
// log of its own in the "logs" folder beside the program (the question whether to go on
// without one is answered as for sort); a dry run changes nothing and writes no log. One line
// per file and per removed folder on standard output, then a summary. Returns 0 when every
// moved file went back, 1 when any stayed, 2 when the log could not be read or the undo did
// not start.
int UndoCommand(const std::filesystem::path& logFile, bool dryRun, QuestionAnswer answer);
