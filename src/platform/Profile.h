// The three profile operations on an INI file that the settings rely on.
#pragma once

#include <filesystem>
#include <string>

namespace platform {

// The leading decimal integer (optional sign) of the key's value; `defaultValue` when the
// file or the key is missing; 0 when the value does not begin with a number.
// Never creates the file.
int ProfileReadInt(const char* section, const char* key, int defaultValue,
                   const std::filesystem::path& file);

// The key's value (UTF-8), cut to 1023 UTF-16 units without splitting a character;
// `defaultText` when the file or the key is missing. Never creates the file.
std::string ProfileReadText(const char* section, const char* key, const std::string& defaultText,
                            const std::filesystem::path& file);

// Sets the key's value, creating the file and the section when needed and keeping every
// other key and section. False when the file could not be written.
bool ProfileWriteText(const char* section, const char* key, const std::string& value,
                      const std::filesystem::path& file);

}  // namespace platform
