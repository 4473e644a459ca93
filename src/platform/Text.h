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

// The one UTF-8 decoder. The length of the well-formed sequence that starts at `at`, with its
// code point in `codePoint`; 0 when there is none there (a stray or invalid byte, an overlong
// form, an encoded surrogate, a code point above U+10FFFF, a sequence cut short).
std::size_t DecodeUtf8(const std::string& text, std::size_t at, char32_t& codePoint);
// True when the whole text is well-formed UTF-8.
bool IsValidUtf8(const std::string& text);

// Each byte that begins no well-formed sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(const std::string& text);
// An unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const std::u16string& text);

// The lossless path for what Windows hands us: a file name there may hold an unpaired
// surrogate, which NTFS allows. It is written as the three bytes its code point would take
// (WTF-8) and read back as that unit, so the name survives the trip through the core's text;
// well-formed text is plain UTF-8 both ways.
std::string Utf16ToWtf8(const std::u16string& text);
std::u16string Wtf8ToUtf16(const std::string& text);

// A path as UTF-8 text (POSIX: its bytes as they are) and back.
std::string PathToUtf8(const std::filesystem::path& path);
std::filesystem::path PathFromUtf8(const std::string& text);

// True when `text`, from `at` on, begins with `word` or equals it (`whole`), ASCII letters
// compared without case.
bool StartsWithIgnoringAsciiCase(const std::string& text, std::size_t at, const char* word);
bool EqualsIgnoringAsciiCase(const std::string& text, const char* word);

// The platform's path separator: '\\' on Windows, '/' on POSIX.
char PathSeparator();

}  // namespace platform
