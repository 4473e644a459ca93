// Text helpers shared by every layer: printf-style formatting and UTF-8 <-> UTF-16 at the edges.
#pragma once

#include <filesystem>
#include <string>

#if defined(__GNUC__)
#define PALLIDOR_PRINTF(fmtIndex, firstArg) __attribute__((format(printf, fmtIndex, firstArg)))
#else
#define PALLIDOR_PRINTF(fmtIndex, firstArg)
#endif

// printf into a growing string; the compiler checks the arguments against the format.
std::string FormatText(const char* format, ...) PALLIDOR_PRINTF(1, 2);

namespace platform {

std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);

// A path as UTF-8 text (POSIX: its bytes as they are) and back.
std::string PathToUtf8(const std::filesystem::path& path);
std::filesystem::path PathFromUtf8(const std::string& text);

// The platform's path separator: '\\' on Windows, '/' on POSIX.
char PathSeparator();

}  // namespace platform
