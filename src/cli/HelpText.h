// The text of `pallidor-cli --help`, which is also the one source of the manual page.
#pragma once

#include <string>

// The whole help: usage lines, then sections. Its layout is what ManPageFromHelp reads: a line
// at the margin ending in ':' opens a section; in a section, a line indented by two spaces
// starts an item whose term ends at the first two blanks in a row, deeper lines continue it,
// and other lines at the margin are paragraphs.
std::string HelpText();

// A usage error: "pallidor-cli: MESSAGE" and a pointer to --help on standard error. Returns 2,
// the exit status of a usage error.
int UsageError(const std::string& message);
