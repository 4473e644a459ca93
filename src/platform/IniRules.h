// The rules of the settings file's text that both platforms' profile operations share: how a
// value becomes an integer, which names can be written, and how a value is written so that
// it reads back unchanged.
#pragma once

#include <string>

namespace platform {

// Blank as the INI reader skips it around names and values.
inline bool IsIniBlank(char c) { return c == ' ' || c == '\t'; }

// The leading decimal integer of a value: blanks, an optional sign, digits. Too many digits
// saturate at the nearest end of the range rather than wrapping; no number gives 0.
int ParseIniInt(const std::string& value);

// A section or key name that reads back as written: not empty, no blank at either end (the
// reader drops them), none of the characters that end a name or a line.
bool IniNameIsWritable(const char* name);

// A value that can be stored: no line break (it would forge other keys or sections when read
// back) and no NUL (it cannot be read back).
bool IniValueIsWritable(const std::string& value);

// The reader drops blanks around a value and one pair of enclosing quotes; quoting such a
// value makes it read back unchanged.
std::string EncodeIniValue(const std::string& value);

}  // namespace platform
