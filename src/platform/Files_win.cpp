#include "platform/Files.h"

#include <windows.h>
// after windows.h, whose types it uses
#include <shlwapi.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cwchar>
#include <limits>

#include "platform/FileSystem.h"

namespace platform {

namespace {

// True when the file system refuses this operation; the failure then reads as access denied, to
// the Win32 calls' callers and to the C run-time's.
bool Refused(const FileSystem& files, FileStep step, const std::filesystem::path& path) {
    if (files.Refusal(step, path) == 0) return false;
    SetLastError(ERROR_ACCESS_DENIED);
    errno = EACCES;
    return true;
}

}  // namespace

struct InputFile {
    HANDLE handle;
    bool readFault;  // the file system makes every read fail
    bool failed;
};

InputFile* OpenInputFile(const std::filesystem::path& path, const FileSystem& files) {
    if (Refused(files, FileStep::OpenForRead, path)) return nullptr;
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open, so it is never taken for a file.
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return new InputFile{handle, files.Refusal(FileStep::Read, path) != 0, false};
}

std::size_t ReadInputFile(InputFile* file, void* destination, std::size_t count) {
    if (file->readFault) {
        // As a read of a range another process has locked fails.
        SetLastError(ERROR_LOCK_VIOLATION);
        file->failed = true;
        return 0;
    }
    auto* out = static_cast<unsigned char*>(destination);
    std::size_t total = 0;
    while (total < count) {
        const std::size_t left = count - total;
        const DWORD chunk = static_cast<DWORD>(
            left < std::numeric_limits<DWORD>::max() ? left : std::numeric_limits<DWORD>::max());
        DWORD got = 0;
        if (!ReadFile(file->handle, out + total, chunk, &got, nullptr)) {
            file->failed = true;
            break;
        }
        if (got == 0) break;
        total += got;
    }
    return total;
}

bool InputFileFailed(const InputFile* file) { return file->failed; }

bool SeekInputFile(InputFile* file, std::uint64_t offset) {
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<LONGLONG>::max())) return false;
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(file->handle, distance, nullptr, FILE_BEGIN) != 0;
}

void CloseInputFile(InputFile* file) {
    if (file == nullptr) return;
    CloseHandle(file->handle);
    delete file;
}

// The wide-character opens keep every path intact; the narrow ones would pass it through the
// process code page, and changing the locale for them would affect every thread.
std::FILE* OpenStdioForRead(const std::filesystem::path& path, const FileSystem& files) {
    if (Refused(files, FileStep::OpenForRead, path)) return nullptr;
    return _wfopen(path.c_str(), L"rb");
}

int OpenDescriptorForRead(const std::filesystem::path& path, const FileSystem& files) {
    if (Refused(files, FileStep::OpenForRead, path)) return -1;
    return _wopen(path.c_str(), _O_RDONLY | _O_BINARY);
}

EntryKind KindOf(const std::filesystem::path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return EntryKind::Missing;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return EntryKind::Link;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return EntryKind::Folder;
    if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return EntryKind::Other;
    return EntryKind::File;
}

namespace {

// A handle that can only read attributes, for a file or a folder; a final reparse point is
// opened itself unless `followLink`.
HANDLE OpenForQuery(const std::filesystem::path& path, bool followLink) {
    return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
}

}  // namespace

bool ReadIdentity(const std::filesystem::path& path, bool followLink, FileIdentity& identity) {
    const HANDLE handle = OpenForQuery(path, followLink);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool read = GetFileInformationByHandle(handle, &info) != FALSE;
    CloseHandle(handle);
    if (!read) return false;
    identity.device = info.dwVolumeSerialNumber;
    identity.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    identity.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    identity.modified = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                                  info.ftLastWriteTime.dwLowDateTime);
    return true;
}

std::filesystem::path ResolveLinks(const std::filesystem::path& path) {
    const HANDLE handle = OpenForQuery(path, true);
    if (handle == INVALID_HANDLE_VALUE) return {};
    std::wstring buffer(1024, L'\0');
    DWORD length = GetFinalPathNameByHandleW(handle, &buffer[0], static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = GetFinalPathNameByHandleW(handle, &buffer[0], static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
    }
    CloseHandle(handle);
    if (length == 0 || length >= buffer.size()) return {};
    buffer.resize(length);
    // "\\?\C:\x" for a drive path, "\\?\UNC\server\share" for a share.
    if (buffer.compare(0, 8, L"\\\\?\\UNC\\") == 0) return std::filesystem::path(L"\\" + buffer.substr(7));
    if (buffer.compare(0, 4, L"\\\\?\\") == 0) return std::filesystem::path(buffer.substr(4));
    return std::filesystem::path(buffer);
}

bool IsDirectory(const std::filesystem::path& path) {
    return PathIsDirectoryW(path.c_str()) != FALSE;
}

bool ListFolder(const std::filesystem::path& folder,
                const std::function<void(const std::filesystem::path& name, bool isDirectory)>& visit) {
    const std::wstring pattern = folder.native() + L"\\*";
    WIN32_FIND_DATAW entry;
    const HANDLE listing = FindFirstFileW(pattern.c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) {
        // A drive root has no "." or "..", so an empty one lists nothing rather than failing.
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    do {
        if (std::wcscmp(entry.cFileName, L".") == 0 || std::wcscmp(entry.cFileName, L"..") == 0) {
            continue;
        }
        visit(std::filesystem::path(entry.cFileName),
              (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileW(listing, &entry));
    FindClose(listing);
    return true;
}

bool CreateFolder(const std::filesystem::path& folder, const FileSystem& files) {
    return !Refused(files, FileStep::CreateFolder, folder) && CreateDirectoryW(folder.c_str(), nullptr) != FALSE;
}

bool RemoveEmptyFolder(const std::filesystem::path& folder, const FileSystem& files) {
    return !Refused(files, FileStep::RemoveFolder, folder) && RemoveDirectoryW(folder.c_str()) != FALSE;
}

namespace {

// A file time in local time, by the time-zone rules of its own date; false for 0 (not kept).
bool ToLocalTime(const LARGE_INTEGER& stamp, LocalTime& local) {
    if (stamp.QuadPart <= 0) return false;
    FILETIME fileTime;
    fileTime.dwLowDateTime = static_cast<DWORD>(stamp.QuadPart & 0xFFFFFFFF);
    fileTime.dwHighDateTime = static_cast<DWORD>(stamp.QuadPart >> 32);
    SYSTEMTIME utc;
    SYSTEMTIME there;
    if (!FileTimeToSystemTime(&fileTime, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &there)) {
        return false;
    }
    local = LocalTime{there.wYear, there.wMonth, there.wDay, there.wHour,
                      there.wMinute, there.wSecond, there.wMilliseconds};
    return true;
}

}  // namespace

bool ReadEntryTimes(const std::filesystem::path& path, EntryTimes& times) {
    times = EntryTimes{};
    // Folders open only with backup semantics; a link is examined itself, not its target.
    const HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                      nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    FILE_BASIC_INFO info;
    const bool read = GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof info) != FALSE;
    CloseHandle(handle);
    if (!read) return false;
    times.hasChanged = ToLocalTime(info.ChangeTime, times.changed);
    times.hasCreated = ToLocalTime(info.CreationTime, times.created);
    return true;
}

bool CreateNewFile(const std::filesystem::path& path, const FileSystem& files) {
    if (Refused(files, FileStep::CreateNew, path)) return false;
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    CloseHandle(handle);
    return true;
}

bool AppendToFile(const std::filesystem::path& path, const std::string& bytes, const FileSystem& files) {
    if (Refused(files, FileStep::Append, path)) return false;
    // FILE_APPEND_DATA alone makes every write land at the end, whoever else appends.
    const HANDLE handle = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        const std::size_t left = bytes.size() - done;
        const DWORD chunk = static_cast<DWORD>(
            left < std::numeric_limits<DWORD>::max() ? left : std::numeric_limits<DWORD>::max());
        DWORD written = 0;
        ok = WriteFile(handle, bytes.data() + done, chunk, &written, nullptr) && written > 0;
        done += written;
    }
    return CloseHandle(handle) != FALSE && ok;
}

}  // namespace platform
