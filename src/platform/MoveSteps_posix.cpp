#include "platform/MoveSteps.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/Descriptors_posix.h"
#include "platform/FileSystem.h"

namespace platform {

namespace {

bool Refused(const FileSystem& files, FileStep step, const std::filesystem::path& path) {
    const int error = files.Refusal(step, path);
    if (error != 0) errno = error;
    return error != 0;
}

// A file system without RENAME_NOREPLACE says EINVAL; an old kernel says ENOSYS.
bool NoReplaceUnsupported(int error) { return error == EINVAL || error == ENOSYS; }

std::string FolderOf(const std::filesystem::path& path) {
    const std::filesystem::path folder = path.parent_path();
    return folder.empty() ? std::string(".") : folder.native();
}

// Gives `from` the name `to` and drops the old name; link() refuses an existing target just as
// renameat2 does. If the old name cannot be dropped the new one is, so the file keeps one name.
int LinkThenUnlink(const char* from, const char* to, const FileSystem& files) {
    int error = files.Refusal(MoveStep::Link);
    if (error == 0 && ::link(from, to) != 0) error = errno;
    if (error != 0) return error;
    if (::unlink(from) != 0) {
        error = errno;
        ::unlink(to);
    }
    return error;
}

int RenameWithoutReplacing(const char* from, const char* to, const FileSystem& files) {
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    const int error = errno;
    return NoReplaceUnsupported(error) ? LinkThenUnlink(from, to, files) : error;
}

ssize_t ReadSome(int fd, char* data, std::size_t size) {
    for (;;) {
        const ssize_t got = ::read(fd, data, size);
        if (got >= 0 || errno != EINTR) return got;
    }
}

// Reads until `size` bytes have arrived or the file ends.
std::size_t ReadFull(int fd, char* data, std::size_t size) {
    std::size_t total = 0;
    while (total < size) {
        const ssize_t got = ReadSome(fd, data + total, size - total);
        if (got <= 0) break;
        total += static_cast<std::size_t>(got);
    }
    return total;
}

bool CopyContents(int from, int to, const FileSystem& files) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        // Asked per block, so that a test can fill the disk after part of the copy is written.
        if (files.Refusal(MoveStep::Copy) != 0) return false;
        const ssize_t got = ReadSome(from, buffer.data(), buffer.size());
        if (got < 0) return false;
        if (got == 0) return true;
        if (!WriteAll(to, buffer.data(), static_cast<std::size_t>(got))) return false;
    }
}

// Compares two files block by block; with `prefixOnly` the first may end early.
bool CompareFiles(const std::filesystem::path& first, const std::filesystem::path& second, bool prefixOnly) {
    const int a = ::open(first.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (a < 0) return false;
    const int b = ::open(second.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (b < 0) {
        ::close(a);
        return false;
    }
    std::vector<char> left(1 << 16);
    std::vector<char> right(1 << 16);
    bool same = true;
    for (;;) {
        const std::size_t gotA = ReadFull(a, left.data(), left.size());
        const std::size_t gotB = ReadFull(b, right.data(), right.size());
        if (gotA > gotB || (!prefixOnly && gotA != gotB) ||
            std::memcmp(left.data(), right.data(), gotA) != 0) {
            same = false;
            break;
        }
        if (gotA < left.size()) break;
    }
    ::close(a);
    ::close(b);
    return same;
}

}  // namespace

RenameOutcome RenameNoReplace(const std::filesystem::path& source, const std::filesystem::path& target,
                              const FileSystem& files) {
    int error = files.Refusal(MoveStep::Rename);
    if (error == 0) {
        if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
            return RenameOutcome::Renamed;
        }
        error = errno;
    }
    if (NoReplaceUnsupported(error)) error = LinkThenUnlink(source.c_str(), target.c_str(), files);
    if (error == 0) return RenameOutcome::Renamed;
    return error == EXDEV ? RenameOutcome::OtherFileSystem : RenameOutcome::Failed;
}

bool CopyToNewFile(const std::filesystem::path& source, const std::filesystem::path& copy, const FileSystem& files) {
    if (files.Refusal(MoveStep::OpenSource) != 0) return false;
    const int in = ::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st;
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return false;
    }
    int out = -1;
    if (files.Refusal(MoveStep::CreateTemporary) == 0) {
        out = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    }
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = CopyContents(in, out, files);
    ::close(in);
    if (ok) {
        // Best effort, as a rename would have kept them; a failure here loses no data.
        (void)::fchown(out, st.st_uid, st.st_gid);
        (void)::fchmod(out, st.st_mode & 07777);
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        (void)::futimens(out, times);
    }
    ok = ok && files.Refusal(MoveStep::Flush) == 0 && ::fsync(out) == 0;
    return ::close(out) == 0 && ok;
}

bool PlaceCopy(const std::filesystem::path& copy, const std::filesystem::path& target, bool& copyKept,
               const FileSystem& files) {
    copyKept = false;
    int error = files.Refusal(MoveStep::Place);
    if (error == 0 && ::link(copy.c_str(), target.c_str()) != 0) error = errno;
    if (error == 0) {
        copyKept = true;
    } else if (error != EPERM && error != ENOTSUP && error != ENOSYS) {
        return false;  // EEXIST above all: the name is taken
    } else if (RenameWithoutReplacing(copy.c_str(), target.c_str(), files) != 0) {
        return false;  // a file system without hard links
    }
    FlushFolder(FolderOf(target));
    return true;
}

bool RemoveMovedSource(const std::filesystem::path& source, const FileSystem& files) {
    const int error = files.Refusal(MoveStep::RemoveSource);
    if (error != 0) {
        errno = error;
        return false;
    }
    return RemoveFile(source);
}

bool RemoveFile(const std::filesystem::path& file) {
    if (::unlink(file.c_str()) != 0) return false;
    FlushFolder(FolderOf(file));
    return true;
}

bool SameContents(const std::filesystem::path& a, const std::filesystem::path& b) {
    return CompareFiles(a, b, false);
}

bool IsPrefixOf(const std::filesystem::path& prefix, const std::filesystem::path& file) {
    return CompareFiles(prefix, file, true);
}

bool RegularFileSize(const std::filesystem::path& path, std::uintmax_t& size) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    size = static_cast<std::uintmax_t>(st.st_size);
    return true;
}

// The hold is an exclusive flock() on an open descriptor: the kernel drops it when the last
// descriptor closes, also when the process is killed.
struct HeldFile {
    int fd;
    std::filesystem::path path;
    const FileSystem* files;
};

HeldFile* CreateHeldFile(const std::filesystem::path& path, const std::string& bytes, const FileSystem& files) {
    if (Refused(files, FileStep::CreateNew, path)) return nullptr;
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    const int fd = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    // Held before it has its final name, so no other process ever takes it for abandoned.
    const bool written = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && WriteAll(fd, bytes.data(), bytes.size()) &&
                         ::fsync(fd) == 0;
    if (!written || RenameWithoutReplacing(temporary.c_str(), path.c_str(), files) != 0) {
        ::unlink(temporary.c_str());
        ::close(fd);
        return nullptr;
    }
    FlushFolder(FolderOf(path));
    return new HeldFile{fd, path, &files};
}

HeldFile* TakeHeldFile(const std::filesystem::path& path, std::string& bytes, const FileSystem& files) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return nullptr;
    // Once held, the name must still lead to what we opened: its holder may have removed it
    // and let go just before.
    struct stat opened;
    struct stat named;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &opened) != 0 || ::lstat(path.c_str(), &named) != 0 ||
        opened.st_ino != named.st_ino || opened.st_dev != named.st_dev) {
        ::close(fd);
        return nullptr;
    }
    bytes.clear();
    char buffer[4096];
    for (ssize_t got; (got = ReadSome(fd, buffer, sizeof buffer)) != 0;) {
        if (got < 0) {
            ::close(fd);
            return nullptr;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return new HeldFile{fd, path, &files};
}

bool AppendToHeldFile(HeldFile* file, const std::string& bytes) {
    if (Refused(*file->files, FileStep::Append, file->path)) return false;
    return ::lseek(file->fd, 0, SEEK_END) >= 0 && WriteAll(file->fd, bytes.data(), bytes.size());
}

bool ReleaseHeldFile(HeldFile* file, bool remove) {
    if (file == nullptr) return true;
    bool ok = true;
    if (remove) ok = !Refused(*file->files, FileStep::Remove, file->path) && RemoveFile(file->path);
    ::close(file->fd);
    delete file;
    return ok;
}

}  // namespace platform
