// The settings file on Windows: the private-profile functions.
//
// A file that does not exist yet is created as UTF-16 with a byte-order mark before the first
// write. The profile functions then keep writing UTF-16, so destination paths of any
// characters survive; an existing ANSI file is still read and written as ANSI by them.
#include "platform/Profile.h"

#include <windows.h>

#include <vector>

#include "platform/IniRules.h"
#include "platform/WideText_win.h"

namespace platform {

namespace {

// The profile functions look for a file named without a folder in the Windows folder, not in
// the current one; a settings file given on the command line means the current one.
std::filesystem::path FullPath(const std::filesystem::path& file) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(file, error);
    return error ? file : full;
}

// GetPrivateProfileStringW's buffer: the 1023-unit cut of a read is user-visible behaviour.
constexpr DWORD ReadBufferUnits = 1024;

bool IsHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// The value as the profile functions return it: cut to 1023 units, and without a lone half
// of a surrogate pair at the cut.
std::wstring ReadRaw(const char* section, const char* key, const std::wstring& defaultText,
                     const std::filesystem::path& file) {
    std::vector<wchar_t> buffer(ReadBufferUnits);
    DWORD length = GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(),
                                            defaultText.c_str(), buffer.data(), ReadBufferUnits,
                                            FullPath(file).c_str());
    if (length == ReadBufferUnits - 1 && IsHighSurrogate(buffer[length - 1])) --length;
    return std::wstring(buffer.data(), length);
}

// Creates `file` holding only a UTF-16 byte-order mark. False when it exists already or cannot
// be created.
bool CreateUtf16File(const std::filesystem::path& file) {
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    static const unsigned char mark[] = {0xFF, 0xFE};
    DWORD written = 0;
    const bool ok = WriteFile(handle, mark, sizeof mark, &written, nullptr) && written == sizeof mark;
    CloseHandle(handle);
    if (!ok) DeleteFileW(file.c_str());
    return ok;
}

}  // namespace

int ProfileReadInt(const char* section, const char* key, int defaultValue,
                   const std::filesystem::path& file) {
    // Read as text and parsed here rather than by GetPrivateProfileIntW, which also takes
    // hexadecimal and wraps huge numbers: the value means the same on every platform.
    const std::wstring value = ReadRaw(section, key, L"", file);
    if (value.empty()) return defaultValue;  // missing, or present with nothing after '='
    return ParseIniInt(Narrow(value));
}

std::string ProfileReadText(const char* section, const char* key, const std::string& defaultText,
                            const std::filesystem::path& file) {
    return Narrow(ReadRaw(section, key, Widen(defaultText), file));
}

bool ProfileWriteText(const char* section, const char* key, const std::string& value,
                      const std::filesystem::path& file) {
    // A line break in a value would forge other keys or sections when read back; such a value
    // is refused rather than stored corrupted.
    if (!IniNameIsWritable(section) || !IniNameIsWritable(key) || !IniValueIsWritable(value)) {
        return false;
    }
    // Windows refuses to write a read-only file; Wine running as root would not, so ask first.
    const std::filesystem::path full = FullPath(file);
    const DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return false;
    }
    const bool created = CreateUtf16File(full);
    const BOOL written = WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(),
                                                    Widen(EncodeIniValue(value)).c_str(),
                                                    full.c_str());
    if (!written && created) DeleteFileW(full.c_str());
    return written != FALSE;
}

}  // namespace platform
