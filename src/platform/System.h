// Facts about the process and the machine.
#pragma once

#include <filesystem>
#include <string>

namespace platform {

// Full path of the running executable; false when it cannot be obtained.
bool ModuleFilePath(std::filesystem::path& path);
// The logged-on user's name in UTF-8; false when it cannot be obtained.
bool LogonUserName(std::string& name);

}  // namespace platform
