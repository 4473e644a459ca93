#include "platform/Text.h"

namespace platform {

// POSIX file names are bytes; we treat them as UTF-8 and pass them through unchanged.
std::string PathToUtf8(const std::filesystem::path& path) { return path.native(); }

std::filesystem::path PathFromUtf8(const std::string& text) { return std::filesystem::path(text); }

char PathSeparator() { return '/'; }

}  // namespace platform
