#include "platform/Files.h"
#include "platform/Descriptors_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace platform {

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

void FlushFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

namespace {

// True when the file system refuses this operation; errno is then set as the system would set it.
bool Refused(const FileSystem& files, FileStep step, const std::filesystem::path& path) {
    const int error = files.Refusal(step, path);
    if (error != 0) errno = error;
    return error != 0;
}

}  // namespace

bool CreateFolder(const std::filesystem::path& folder, const FileSystem& files) {
    return !Refused(files, FileStep::CreateFolder, folder) && ::mkdir(folder.c_str(), 0777) == 0;
}

bool RemoveEmptyFolder(const std::filesystem::path& folder, const FileSystem& files) {
    return !Refused(files, FileStep::RemoveFolder, folder) && ::rmdir(folder.c_str()) == 0;
}

namespace {

LocalTime ToLocalTime(const struct statx_timestamp& stamp) {
    const std::time_t seconds = static_cast<std::time_t>(stamp.tv_sec);
    struct tm parts;
    ::localtime_r(&seconds, &parts);
    return LocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                     parts.tm_min,         parts.tm_sec,     static_cast<int>(stamp.tv_nsec / 1000000)};
}

}  // namespace

bool ReadEntryTimes(const std::filesystem::path& path, EntryTimes& times) {
    times = EntryTimes{};
    struct statx st;
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_CTIME | STATX_BTIME, &st) != 0) return false;
    if ((st.stx_mask & STATX_CTIME) != 0) {
        times.hasChanged = true;
        times.changed = ToLocalTime(st.stx_ctime);
    }
    // Some file systems answer with a zero birth time rather than none.
    if ((st.stx_mask & STATX_BTIME) != 0 && (st.stx_btime.tv_sec != 0 || st.stx_btime.tv_nsec != 0)) {
        times.hasCreated = true;
        times.created = ToLocalTime(st.stx_btime);
    }
    return true;
}

bool CreateNewFile(const std::filesystem::path& path, const FileSystem& files) {
    if (Refused(files, FileStep::CreateNew, path)) return false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool AppendToFile(const std::filesystem::path& path, const std::string& bytes, const FileSystem& files) {
    if (Refused(files, FileStep::Append, path)) return false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const bool written = WriteAll(fd, bytes.data(), bytes.size());
    return ::close(fd) == 0 && written;
}

struct InputFile {
    int fd;
    int readFault;  // the file system's errno for every read, 0 for none
    bool failed;
};

InputFile* OpenInputFile(const std::filesystem::path& path, const FileSystem& files) {
    const int fd = OpenDescriptorForRead(path, files);
    if (fd < 0) return nullptr;
    return new InputFile{fd, files.Refusal(FileStep::Read, path), false};
}

std::size_t ReadInputFile(InputFile* file, void* destination, std::size_t count) {
    if (file->readFault != 0) {
        errno = file->readFault;
        file->failed = true;
        return 0;
    }
    auto* out = static_cast<unsigned char*>(destination);
    std::size_t total = 0;
    while (total < count) {
        const ssize_t got = ::read(file->fd, out + total, count - total);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) file->failed = true;
        if (got <= 0) break;
        total += static_cast<std::size_t>(got);
    }
    return total;
}

bool InputFileFailed(const InputFile* file) { return file->failed; }

bool SeekInputFile(InputFile* file, std::uint64_t offset) {
    return ::lseek(file->fd, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

void CloseInputFile(InputFile* file) {
    if (file == nullptr) return;
    ::close(file->fd);
    delete file;
}

std::FILE* OpenStdioForRead(const std::filesystem::path& path, const FileSystem& files) {
    const int fd = OpenDescriptorForRead(path, files);
    if (fd < 0) return nullptr;
    std::FILE* stream = ::fdopen(fd, "rb");
    if (stream == nullptr) ::close(fd);
    return stream;
}

int OpenDescriptorForRead(const std::filesystem::path& path, const FileSystem& files) {
    if (Refused(files, FileStep::OpenForRead, path)) return -1;
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come. The type is
    // checked on what was opened: a folder, FIFO, socket or device is no file to decode.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return -1;
    struct stat st;
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

EntryKind KindOf(const std::filesystem::path& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return EntryKind::Missing;
    if (S_ISREG(st.st_mode)) return EntryKind::File;
    if (S_ISDIR(st.st_mode)) return EntryKind::Folder;
    if (S_ISLNK(st.st_mode)) return EntryKind::Link;
    return EntryKind::Other;
}

bool ReadIdentity(const std::filesystem::path& path, bool followLink, FileIdentity& identity) {
    struct stat st;
    if ((followLink ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) return false;
    identity.device = static_cast<std::uint64_t>(st.st_dev);
    identity.index = static_cast<std::uint64_t>(st.st_ino);
    identity.size = static_cast<std::uint64_t>(st.st_size);
    identity.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

std::filesystem::path ResolveLinks(const std::filesystem::path& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return {};
    std::filesystem::path out(resolved);
    std::free(resolved);
    return out;
}

bool IsDirectory(const std::filesystem::path& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ListFolder(const std::filesystem::path& folder,
                const std::function<void(const std::filesystem::path& name, bool isDirectory)>& visit) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return false;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        bool isDirectory = false;
        if (entry->d_type == DT_DIR) {
            isDirectory = true;
        } else if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            // Links to folders are entered like folders, as the Windows listing does for junctions.
            struct stat st;
            isDirectory = ::fstatat(::dirfd(dir), name, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        visit(std::filesystem::path(name), isDirectory);
    }
    ::closedir(dir);
    return true;
}

}  // namespace platform
