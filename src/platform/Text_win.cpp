#include "platform/Text.h"

#include "platform/WideText_win.h"

namespace platform {

// The native path is UTF-16, so no conversion here passes through a code page and every
// character of a name survives.
std::string PathToUtf8(const std::filesystem::path& path) { return Narrow(path.native()); }

std::filesystem::path PathFromUtf8(const std::string& text) {
    return std::filesystem::path(Widen(text));
}

char PathSeparator() { return '\\'; }

}  // namespace platform
