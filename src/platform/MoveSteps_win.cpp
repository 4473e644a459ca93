#include "platform/MoveSteps.h"

#include <windows.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/FileSystem.h"

namespace platform {

namespace {

// The file system's refusal of `step`; it then reads as access denied, or for a rename given
// EXDEV as another volume.
int Refusal(const FileSystem& files, MoveStep step) {
    const int error = files.Refusal(step);
    if (error != 0) SetLastError(error == EXDEV ? ERROR_NOT_SAME_DEVICE : ERROR_ACCESS_DENIED);
    return error;
}

bool Refused(const FileSystem& files, FileStep step, const std::filesystem::path& path) {
    if (files.Refusal(step, path) == 0) return false;
    SetLastError(ERROR_ACCESS_DENIED);
    return true;
}

DWORD ChunkOf(std::size_t size) {
    return static_cast<DWORD>(size < std::numeric_limits<DWORD>::max() ? size : std::numeric_limits<DWORD>::max());
}

bool WriteAll(HANDLE handle, const char* data, std::size_t size) {
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(handle, data, ChunkOf(size), &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

// Reads until `size` bytes have arrived or the file ends; false on a read error.
bool ReadFull(HANDLE handle, char* data, std::size_t size, std::size_t& total) {
    total = 0;
    while (total < size) {
        DWORD got = 0;
        if (!ReadFile(handle, data + total, ChunkOf(size - total), &got, nullptr)) return false;
        if (got == 0) break;
        total += got;
    }
    return true;
}

// The attributes a copy takes over from its source, as MoveFileW's own copy does.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

HANDLE OpenForReading(const std::filesystem::path& path) {
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open, so it is never taken for a file.
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

bool CopyContents(HANDLE from, HANDLE to, const FileSystem& files) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        // Asked per block, so that a test can fill the disk after part of the copy is written.
        if (Refusal(files, MoveStep::Copy) != 0) return false;
        std::size_t got = 0;
        if (!ReadFull(from, buffer.data(), buffer.size(), got)) return false;
        if (got == 0) return true;
        if (!WriteAll(to, buffer.data(), got)) return false;
    }
}

bool CompareFiles(const std::filesystem::path& first, const std::filesystem::path& second, bool prefixOnly) {
    const HANDLE a = OpenForReading(first);
    if (a == INVALID_HANDLE_VALUE) return false;
    const HANDLE b = OpenForReading(second);
    if (b == INVALID_HANDLE_VALUE) {
        CloseHandle(a);
        return false;
    }
    std::vector<char> left(1 << 16);
    std::vector<char> right(1 << 16);
    bool same = true;
    for (;;) {
        std::size_t gotA = 0;
        std::size_t gotB = 0;
        if (!ReadFull(a, left.data(), left.size(), gotA) || !ReadFull(b, right.data(), right.size(), gotB) ||
            gotA > gotB || (!prefixOnly && gotA != gotB) || std::memcmp(left.data(), right.data(), gotA) != 0) {
            same = false;
            break;
        }
        if (gotA < left.size()) break;
    }
    CloseHandle(a);
    CloseHandle(b);
    return same;
}

}  // namespace

// MoveFileExW without MOVEFILE_COPY_ALLOWED is MoveFileW without its copy: a rename within one
// volume, never replacing the target, and ERROR_NOT_SAME_DEVICE across volumes.
RenameOutcome RenameNoReplace(const std::filesystem::path& source, const std::filesystem::path& target,
                              const FileSystem& files) {
    const int fault = Refusal(files, MoveStep::Rename);
    if (fault == EXDEV) return RenameOutcome::OtherFileSystem;
    if (fault != 0) return RenameOutcome::Failed;
    if (MoveFileExW(source.c_str(), target.c_str(), 0)) return RenameOutcome::Renamed;
    return GetLastError() == ERROR_NOT_SAME_DEVICE ? RenameOutcome::OtherFileSystem : RenameOutcome::Failed;
}

bool CopyToNewFile(const std::filesystem::path& source, const std::filesystem::path& copy, const FileSystem& files) {
    if (Refusal(files, MoveStep::OpenSource) != 0) return false;
    const HANDLE in = OpenForReading(source);
    if (in == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(in, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        CloseHandle(in);
        return false;
    }
    HANDLE out = INVALID_HANDLE_VALUE;
    if (Refusal(files, MoveStep::CreateTemporary) == 0) {
        out = CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (out == INVALID_HANDLE_VALUE) {
        CloseHandle(in);
        return false;
    }
    bool ok = CopyContents(in, out, files);
    CloseHandle(in);
    // Best effort, as a rename would have kept them; a failure here loses no data.
    if (ok) (void)SetFileTime(out, &info.ftCreationTime, &info.ftLastAccessTime, &info.ftLastWriteTime);
    ok = ok && Refusal(files, MoveStep::Flush) == 0 && FlushFileBuffers(out);
    ok = CloseHandle(out) && ok;
    if (ok) (void)SetFileAttributesW(copy.c_str(), info.dwFileAttributes & kKeptAttributes);
    return ok;
}

// The volume keeps its own journal of names, so a link or a rename written through is durable.
// CreateHardLinkW refuses an existing target as MoveFileExW without REPLACE_EXISTING does.
bool PlaceCopy(const std::filesystem::path& copy, const std::filesystem::path& target, bool& copyKept,
               const FileSystem& files) {
    copyKept = false;
    if (Refusal(files, MoveStep::Place) != 0) return false;
    if (CreateHardLinkW(target.c_str(), copy.c_str(), nullptr)) {
        copyKept = true;
        return true;
    }
    const DWORD error = GetLastError();
    // FAT and other volumes without hard links say so; anything else (a taken name) is final.
    if (error != ERROR_INVALID_FUNCTION && error != ERROR_NOT_SUPPORTED) return false;
    return MoveFileExW(copy.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool RemoveMovedSource(const std::filesystem::path& source, const FileSystem& files) {
    return Refusal(files, MoveStep::RemoveSource) == 0 && RemoveFile(source);
}

// A read-only file is moved as any other, so it is removed as any other too.
bool RemoveFile(const std::filesystem::path& file) {
    if (DeleteFileW(file.c_str())) return true;
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0 ||
        !SetFileAttributesW(file.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))) {
        return false;
    }
    if (DeleteFileW(file.c_str())) return true;
    SetFileAttributesW(file.c_str(), attributes);
    return false;
}

bool SameContents(const std::filesystem::path& a, const std::filesystem::path& b) {
    return CompareFiles(a, b, false);
}

bool IsPrefixOf(const std::filesystem::path& prefix, const std::filesystem::path& file) {
    return CompareFiles(prefix, file, true);
}

bool RegularFileSize(const std::filesystem::path& path, std::uintmax_t& size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
        return false;
    }
    size = (static_cast<std::uintmax_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

// The hold is an open handle that shares nothing but deletion: no one else can open the file
// to read it while we hold it, and Windows closes the handle when the process ends, however.
struct HeldFile {
    HANDLE handle;
    std::filesystem::path path;
    const FileSystem* files;
};

HeldFile* CreateHeldFile(const std::filesystem::path& path, const std::string& bytes, const FileSystem& files) {
    if (Refused(files, FileStep::CreateNew, path)) return nullptr;
    std::filesystem::path temporary = path;
    temporary += L".tmp";
    const HANDLE handle = CreateFileW(temporary.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    if (!WriteAll(handle, bytes.data(), bytes.size()) || !FlushFileBuffers(handle) ||
        !MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
        CloseHandle(handle);
        return nullptr;
    }
    return new HeldFile{handle, path, &files};
}

HeldFile* TakeHeldFile(const std::filesystem::path& path, std::string& bytes, const FileSystem& files) {
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    bytes.clear();
    char buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(handle, buffer, sizeof buffer, &got, nullptr)) {
            CloseHandle(handle);
            return nullptr;
        }
        if (got == 0) break;
        bytes.append(buffer, got);
    }
    return new HeldFile{handle, path, &files};
}

bool AppendToHeldFile(HeldFile* file, const std::string& bytes) {
    if (Refused(*file->files, FileStep::Append, file->path)) return false;
    LARGE_INTEGER zero{};
    return SetFilePointerEx(file->handle, zero, nullptr, FILE_END) && WriteAll(file->handle, bytes.data(), bytes.size());
}

bool ReleaseHeldFile(HeldFile* file, bool remove) {
    if (file == nullptr) return true;
    bool ok = true;
    if (remove) ok = !Refused(*file->files, FileStep::Remove, file->path) && DeleteFileW(file->path.c_str()) != FALSE;
    CloseHandle(file->handle);
    delete file;
    return ok;
}

}  // namespace platform
