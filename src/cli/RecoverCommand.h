// `pallidor-cli recover`: the moves a killed run left unfinished, settled without a new run.
#pragma once

#include "cli/SortCommand.h"

// Finishes or undoes every move of the move journal whose process has ended
// (RecoverInterruptedMoves). When there is anything to settle, the moves it finishes get their
// lines in a log of its own in the "logs" folder (the question whether to go on without one is
// answered as for sort); a dry run changes nothing and writes no log. One line per move and per
// removed file on standard output, then a summary. Returns 0 when every move was settled, 1
// when any was left as it was, 2 when the recovery did not start. The places are the context's.
int RecoverCommand(const RunContext& context, bool dryRun, QuestionAnswer answer);
