// Moving a judged file into the destination folder of its verdict.
#pragma once

#include <string>

#include "sort/MoveJournal.h"

struct RunContext;

// Moves the file at `path` (its `folder`, ending in a separator, and its `name` as split by
// the worker) into the monochrome (verdict non-zero) or colour destination chosen by
// the context's IS_DST_SUBDIR, never replacing an existing file. Always writes the outcome into `message`;
// returns true when the file was moved. `target`, when given, receives the path the file was
// to be moved to (empty when the destination folder could not be made). A move journaled
// because it copies keeps its journal entry in `pending`, when given, until the caller has
// written its log line and calls FinishMove; without `pending` the entry is cleared at once.
bool MoveToDestination(const RunContext& context, int verdict, const std::string& path, const std::string& folder,
                       const std::string& name, std::string& message, std::string* target = nullptr,
                       PendingMove* pending = nullptr);
