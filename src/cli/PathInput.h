// Paths handed to the console tool on standard input (PATH `-`).
#pragma once

#include <string>
#include <vector>

// Splits `input` into paths: at every NUL byte when `nulSeparated` (names keep any other byte,
// line feeds included), else at every line feed, dropping one carriage return before it.
// Empty entries are skipped.
std::vector<std::string> SplitPathList(const std::string& input, bool nulSeparated);
