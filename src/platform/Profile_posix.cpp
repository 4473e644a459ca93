// The settings file on POSIX: a small INI reader and writer of our own.
//
// The syntax follows what the settings operations rely on and nothing more:
// - "[NAME]" opens a section; "KEY=VALUE" sets a key; a line whose first non-blank character
//   is ';' is a comment; any other line is kept but means nothing.
// - Section and key names compare without regard to ASCII case; blanks (space, tab) around
//   names and around '=' are not part of them.
// - A value enclosed in a pair of double quotes loses the quotes on read. The writer quotes a
//   value whose first or last character is a blank, or that is itself enclosed in double
//   quotes, so that every value written reads back unchanged.
// - The file is UTF-8; a byte-order mark is skipped on read and kept on rewrite. The line
//   ending of an existing file (CRLF or LF) is kept for the lines we add.
// - The first matching section and the first matching key in it count; later duplicates
//   are kept in the file but never read or changed.
#include "platform/Profile.h"
#include "platform/Descriptors_posix.h"
#include "platform/IniRules.h"
#include "platform/Text.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Only the cut of a read is user-visible; the rest of the text may be of any length.
constexpr std::size_t ReadLimitUtf16 = 1023;

std::string Trim(const std::string& text, std::size_t begin, std::size_t end) {
    while (begin < end && IsIniBlank(text[begin])) ++begin;
    while (end > begin && IsIniBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

enum class LineKind { Other, Section, Key };

struct Line {
    std::size_t begin = 0;  // offset of the line's first byte
    std::size_t end = 0;    // offset just past its last byte, line break excluded
    std::size_t next = 0;   // offset of the following line
    LineKind kind = LineKind::Other;
    bool blank = false;  // nothing but blanks
    std::string name;    // section or key name, trimmed
    std::string value;   // key value, trimmed and unquoted
};

struct IniText {
    std::string bytes;
    std::size_t bodyStart = 0;  // past the byte-order mark, if any
    std::vector<Line> lines;
};

Line ParseLine(const std::string& bytes, std::size_t begin, std::size_t end) {
    Line line;
    line.begin = begin;
    line.end = end;
    std::size_t first = begin;
    while (first < end && IsIniBlank(bytes[first])) ++first;
    line.blank = first == end;
    if (line.blank || bytes[first] == ';') return line;
    if (bytes[first] == '[') {
        std::size_t close = bytes.find(']', first + 1);
        if (close == std::string::npos || close > end) close = end;
        line.kind = LineKind::Section;
        line.name = Trim(bytes, first + 1, close);
        return line;
    }
    const std::size_t equals = bytes.find('=', first);
    if (equals == std::string::npos || equals >= end) return line;
    line.name = Trim(bytes, first, equals);
    if (line.name.empty()) return line;
    line.kind = LineKind::Key;
    line.value = Trim(bytes, equals + 1, end);
    if (line.value.size() >= 2 && line.value.front() == '"' && line.value.back() == '"') {
        line.value = line.value.substr(1, line.value.size() - 2);
    }
    return line;
}

void SplitLines(IniText& ini) {
    const std::string& bytes = ini.bytes;
    std::size_t pos = ini.bodyStart;
    while (pos < bytes.size()) {
        std::size_t lf = bytes.find('\n', pos);
        std::size_t next = lf == std::string::npos ? bytes.size() : lf + 1;
        std::size_t end = lf == std::string::npos ? bytes.size() : lf;
        if (end > pos && bytes[end - 1] == '\r') --end;
        Line line = ParseLine(bytes, pos, end);
        line.next = next;
        ini.lines.push_back(std::move(line));
        pos = next;
    }
}

// Reads the whole file. False when it is missing or cannot be read; `missing` tells which.
bool ReadIni(const std::filesystem::path& file, IniText& ini, bool& missing) {
    missing = false;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        missing = errno == ENOENT || errno == ENOTDIR;
        return false;
    }
    bool ok = true;
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            ini.bytes.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            ok = false;  // e.g. a folder by that name
            break;
        }
    }
    ::close(fd);
    if (!ok) return false;
    if (ini.bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) ini.bodyStart = 3;
    SplitLines(ini);
    return true;
}

struct Found {
    std::size_t section = SIZE_MAX;      // index of the section's header line
    std::size_t key = SIZE_MAX;          // index of the key's line
    std::size_t lastContent = SIZE_MAX;  // last non-blank line of the section
};

Found Find(const IniText& ini, const char* section, const char* key) {
    Found found;
    for (std::size_t i = 0; i < ini.lines.size(); ++i) {
        const Line& line = ini.lines[i];
        if (line.kind == LineKind::Section) {
            if (found.section != SIZE_MAX) break;  // the section ended
            if (EqualsIgnoringAsciiCase(line.name, section)) {
                found.section = i;
                found.lastContent = i;
            }
            continue;
        }
        if (found.section == SIZE_MAX) continue;
        if (!line.blank) found.lastContent = i;
        if (line.kind == LineKind::Key && EqualsIgnoringAsciiCase(line.name, key)) {
            found.key = i;
            break;
        }
    }
    return found;
}

// The value of the key; false when the file, the section or the key is missing.
bool LookUp(const char* section, const char* key, const std::filesystem::path& file,
            std::string& value) {
    IniText ini;
    bool missing = false;
    if (!ReadIni(file, ini, missing)) return false;
    const Found found = Find(ini, section, key);
    if (found.key == SIZE_MAX) return false;
    value = ini.lines[found.key].value;
    return true;
}

// The longest prefix of a UTF-8 text that fits in `limit` UTF-16 units, never splitting a
// character. A byte that does not start a valid sequence counts as one unit, as its
// replacement character would.
std::size_t Utf8PrefixWithinUtf16(const std::string& text, std::size_t limit) {
    std::size_t units = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t cp = 0;
        std::size_t length = DecodeUtf8(text, i, cp);
        if (length == 0) length = 1;
        const std::size_t need = length == 4 ? 2 : 1;
        if (units + need > limit) break;
        units += need;
        i += length;
    }
    return i;
}

std::string NewContent(const IniText& ini, const char* section, const char* key,
                       const std::string& value) {
    const std::string& bytes = ini.bytes;
    const char* eol = bytes.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    const std::string keyLine = std::string(key) + "=" + EncodeIniValue(value);
    const Found found = Find(ini, section, key);

    if (found.key != SIZE_MAX) {
        const Line& line = ini.lines[found.key];
        return bytes.substr(0, line.begin) + keyLine + bytes.substr(line.end);
    }
    if (found.section != SIZE_MAX) {
        const Line& last = ini.lines[found.lastContent];
        // The last line of a file may lack its line break.
        const bool broken = last.next > 0 && bytes[last.next - 1] == '\n';
        const std::string before = broken ? std::string() : std::string(eol);
        return bytes.substr(0, last.next) + before + keyLine + eol + bytes.substr(last.next);
    }
    std::string text = bytes;
    if (text.size() > ini.bodyStart) {
        if (text.back() != '\n') text += eol;
        text += eol;  // a blank line between sections
    }
    return text + "[" + section + "]" + eol + keyLine + eol;
}

// Replaces `target` by a file holding `text`. The text goes to a temporary file beside the
// target first and is renamed over it, so a crash leaves either the old or the new file,
// never half of one.
bool ReplaceFile(const std::filesystem::path& target, const std::string& text,
                 const struct stat* original) {
    const std::filesystem::path folder = target.parent_path();
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = target;
        temporary += "." + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".tmp";
        // 0666 lets the umask decide a new file's permissions, as for any other file.
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    bool ok = WriteAll(fd, text.data(), text.size());
    if (ok && original != nullptr) {
        // Keep who may read the settings; an ownership change may be refused, which is fine.
        ok = ::fchmod(fd, original->st_mode & 07777) == 0;
        if (::fchown(fd, original->st_uid, original->st_gid) != 0) {
            // Only root may give a file away; anyone else keeps the new file as their own.
        }
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    FlushFolder(folder.empty() ? "." : folder.string());
    return true;
}

}  // namespace

int ProfileReadInt(const char* section, const char* key, int defaultValue,
                   const std::filesystem::path& file) {
    std::string value;
    // An empty value counts as missing: a key with nothing after '=' gives the default.
    if (!LookUp(section, key, file, value) || value.empty()) return defaultValue;
    return ParseIniInt(value);
}

std::string ProfileReadText(const char* section, const char* key, const std::string& defaultText,
                            const std::filesystem::path& file) {
    std::string value;
    if (!LookUp(section, key, file, value)) return defaultText;
    value.resize(Utf8PrefixWithinUtf16(value, ReadLimitUtf16));
    return value;
}

bool ProfileWriteText(const char* section, const char* key, const std::string& value,
                      const std::filesystem::path& file) {
    // A line break would end the line early and could forge other keys or sections; a NUL
    // cannot be read back. Such a value is refused rather than stored corrupted.
    if (!IniNameIsWritable(section) || !IniNameIsWritable(key) || !IniValueIsWritable(value)) {
        return false;
    }

    std::filesystem::path target = file;
    struct stat original {};
    bool exists = false;
    if (::lstat(file.c_str(), &original) == 0) {
        if (S_ISLNK(original.st_mode)) {
            // Write through a link to its target instead of replacing the link by a file.
            std::error_code error;
            target = std::filesystem::canonical(file, error);
            if (error || ::stat(target.c_str(), &original) != 0) return false;
        }
        exists = true;
    } else if (errno != ENOENT) {
        return false;
    }

    IniText ini;
    if (exists) {
        // A file without any write permission is read-only for us even where the process
        // could override the bits (as root): it must not be replaced behind the user's back.
        if (!S_ISREG(original.st_mode) || (original.st_mode & 0222) == 0 ||
            ::access(target.c_str(), W_OK) != 0) {
            return false;
        }
        bool missing = false;
        if (!ReadIni(target, ini, missing)) return false;
    }
    const std::filesystem::path folder = target.parent_path();
    if (::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) != 0) return false;

    return ReplaceFile(target, NewContent(ini, section, key, value), exists ? &original : nullptr);
}

}  // namespace platform
