// The manual page, made from the --help text so that the two say the same.
#pragma once

#include <string>

// `help` (laid out as HelpText describes) as a roff manual page of section 1 for the given
// version: NAME, SYNOPSIS from the usage lines, DESCRIPTION from the paragraphs before the
// first section, then one section per help section, each item a tagged paragraph.
std::string ManPageFromHelp(const std::string& help, const std::string& version);
