#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

struct InputFile {
    int fd;
};

InputFile* OpenInputFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return new InputFile{fd};
}

std::size_t ReadInputFile(InputFile* file, void* destination, std::size_t count) {
    auto* out = static_cast<unsigned char*>(destination);
    std::size_t total = 0;
    while (total < count) {
        const ssize_t got = ::read(file->fd, out + total, count - total);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        total += static_cast<std::size_t>(got);
    }
    return total;
}

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
