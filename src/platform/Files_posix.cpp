#include "platform/Files.h"
#include "platform/Descriptors_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/FileMoveFaults_posix.h"

namespace platform {

std::function<int(MoveStep step)> MoveFaultForTests;
std::function<int(FileStep step, const std::filesystem::path& path)> FileFaultForTests;

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

int InjectedFault(MoveStep step) { return MoveFaultForTests ? MoveFaultForTests(step) : 0; }

// True when a test made this operation fail; errno is then set as the system would set it.
bool FaultInjected(FileStep step, const std::filesystem::path& path) {
    const int error = FileFaultForTests ? FileFaultForTests(step, path) : 0;
    if (error != 0) errno = error;
    return error != 0;
}

// A file system without RENAME_NOREPLACE says EINVAL; an old kernel says ENOSYS.
bool NoReplaceUnsupported(int error) { return error == EINVAL || error == ENOSYS; }

// Gives `from` the name `to` and drops the old name; link() refuses an existing target just as
// renameat2 does. If the old name cannot be dropped the new one is, so the file keeps one name.
int LinkThenUnlink(const char* from, const char* to, bool consultFaults) {
    int error = consultFaults ? InjectedFault(MoveStep::Link) : 0;
    if (error == 0 && ::link(from, to) != 0) error = errno;
    if (error != 0) return error;
    error = consultFaults ? InjectedFault(MoveStep::RemoveSource) : 0;
    if (error == 0 && ::unlink(from) != 0) error = errno;
    if (error != 0) ::unlink(to);
    return error;
}

int PlaceWithoutReplacing(const char* from, const char* to) {
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    const int error = errno;
    return NoReplaceUnsupported(error) ? LinkThenUnlink(from, to, false) : error;
}

bool CopyContents(int from, int to) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        // Asked per block, so that a test can fill the disk after part of the copy is written.
        if (InjectedFault(MoveStep::Copy) != 0) return false;
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        if (!WriteAll(to, buffer.data(), static_cast<std::size_t>(got))) return false;
    }
}

// The copy is written under a hidden temporary name in the target folder and only renamed
// into place once it is complete and on disk, so the target name never shows a partial file
// and the source is removed only when a whole copy exists.
bool MoveAcrossFileSystems(const std::string& source, const std::string& target) {
    if (InjectedFault(MoveStep::OpenSource) != 0) return false;
    const int in = ::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st;
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return false;
    }

    const std::size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string("./") : target.substr(0, slash + 1);
    // Not derived from the file's name, which may already be as long as a name can be.
    const std::string pattern = folder + ".pallidor-move-XXXXXX";
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');

    int out = -1;
    if (InjectedFault(MoveStep::CreateTemporary) == 0) out = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = CopyContents(in, out);
    ::close(in);
    if (ok) {
        // Best effort, as a rename would have kept them; a failure here loses no data.
        (void)::fchown(out, st.st_uid, st.st_gid);
        (void)::fchmod(out, st.st_mode & 07777);
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        (void)::futimens(out, times);
    }
    ok = ok && InjectedFault(MoveStep::Flush) == 0 && ::fsync(out) == 0;
    ok = ::close(out) == 0 && ok;
    ok = ok && InjectedFault(MoveStep::Place) == 0 &&
         PlaceWithoutReplacing(temporary.data(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.data());
        return false;
    }
    FlushFolder(folder);
    int error = InjectedFault(MoveStep::RemoveSource);
    if (error == 0 && ::unlink(source.c_str()) != 0) error = errno;
    if (error != 0) {
        // The source cannot go, so the copy must: one file never becomes two.
        ::unlink(target.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool CreateFolder(const std::filesystem::path& folder) {
    return !FaultInjected(FileStep::CreateFolder, folder) && ::mkdir(folder.c_str(), 0777) == 0;
}

bool MoveFileNoReplace(const std::filesystem::path& source, const std::filesystem::path& target) {
    const char* from = source.c_str();
    const char* to = target.c_str();
    int error = InjectedFault(MoveStep::Rename);
    if (error == 0) {
        if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
        error = errno;
    }
    if (NoReplaceUnsupported(error)) error = LinkThenUnlink(from, to, true);
    if (error == 0) return true;
    if (error == EXDEV) return MoveAcrossFileSystems(source.native(), target.native());
    return false;
}

bool RemoveEmptyFolder(const std::filesystem::path& folder) {
    return !FaultInjected(FileStep::RemoveFolder, folder) && ::rmdir(folder.c_str()) == 0;
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

bool CreateNewFile(const std::filesystem::path& path) {
    if (FaultInjected(FileStep::CreateNew, path)) return false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool AppendToFile(const std::filesystem::path& path, const std::string& bytes) {
    if (FaultInjected(FileStep::Append, path)) return false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const bool written = WriteAll(fd, bytes.data(), bytes.size());
    return ::close(fd) == 0 && written;
}

struct InputFile {
    int fd;
    int readFault;  // a test's errno for every read, 0 for none
    bool failed;
};

InputFile* OpenInputFile(const std::filesystem::path& path) {
    const int fd = OpenDescriptorForRead(path);
    if (fd < 0) return nullptr;
    return new InputFile{fd, FileFaultForTests ? FileFaultForTests(FileStep::Read, path) : 0, false};
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

std::FILE* OpenStdioForRead(const std::filesystem::path& path) {
    const int fd = OpenDescriptorForRead(path);
    if (fd < 0) return nullptr;
    std::FILE* stream = ::fdopen(fd, "rb");
    if (stream == nullptr) ::close(fd);
    return stream;
}

int OpenDescriptorForRead(const std::filesystem::path& path) {
    if (FaultInjected(FileStep::OpenForRead, path)) return -1;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    // A folder opens for reading on POSIX but is no file to decode.
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
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
