// The text of `pallidor-cli --help`, which is also the one source of the manual page.
#pragma once

#include <string>

// The whole help: usage lines, then sections. Its layout is what ManPageFromHelp reads: a line
// at the margin ending in ':' opens a section; in a section, a line indented by two spaces
// starts an item whose term ends at the first two blanks in a row, deeper lines continue it,
// and other lines at the margin are paragraphs. The settings keys and the error codes come
// from their tables.
std::string HelpText();

// The help of one command: its usage, what it does (the keys too for settings), and a pointer
// to the whole help; "" for a name that is no command.
std::string CommandHelp(const std::string& command);
bool IsCommand(const std::string& name);

// The command that `typed` most likely meant (a few letters off, or its start); "" for none.
std::string DidYouMean(const std::string& typed);

// A usage error: "pallidor-cli: MESSAGE" and a pointer to --help on standard error. Returns 2,
// the exit status of a usage error.
int UsageError(const std::string& message);
