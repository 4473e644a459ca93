// `pallidor-cli settings`: show the settings in effect, or set keys and save.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Loads the per-user settings file, or `file` when it is not empty. Each of `assignments`
// (KEY=VALUE) sets its key by the rules a load applies to a value read from the file, and the
// settings are saved; a missing file is made, with the defaults for the keys not given. Then
// prints every key as KEY=VALUE in the file's order, as the file now holds it, and
// "file: PATH". Returns 0; 2 when an assignment names no key or holds no number of the key's
// kind (nothing is written then) or the file cannot be written.
int SettingsCommand(const std::filesystem::path& file, const std::vector<std::string>& assignments);
