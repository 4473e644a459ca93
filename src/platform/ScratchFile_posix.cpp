#include "platform/ScratchFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

#include "platform/Descriptors_posix.h"

namespace platform {

namespace {

// A file in the temporary folder, made with a unique name and mode 0600.
bool MakeTemporaryFile(const void* data, std::size_t size, ScratchFile& file) {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error) folder = "/tmp";
    std::string name = (folder / "pallidor-XXXXXX").string();
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return false;
    const bool written = WriteAll(fd, static_cast<const char*>(data), size);
    ::close(fd);
    if (!written) {
        ::unlink(name.c_str());
        return false;
    }
    file.path = name;
    file.onDisk = true;
    return true;
}

}  // namespace

bool MakeScratchFile(const void* data, std::size_t size, ScratchFile& file) {
    file = ScratchFile{};
#if defined(__linux__)
    // Opening /proc/self/fd/N gives each loader a descriptor of its own, at offset 0, on the
    // same memory: no copy on a disk, and nothing left behind if the process dies.
    const int fd = ::memfd_create("pallidor-picture", MFD_CLOEXEC);
    if (fd >= 0) {
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        if (WriteAll(fd, static_cast<const char*>(data), size) && ::access(path.c_str(), R_OK) == 0) {
            file.path = path;
            file.descriptor = fd;
            return true;
        }
        ::close(fd);
    }
#endif
    return MakeTemporaryFile(data, size, file);
}

void CloseScratchFile(ScratchFile& file) {
    if (file.descriptor >= 0) ::close(file.descriptor);
    if (file.onDisk) ::unlink(file.path.c_str());
    file = ScratchFile{};
}

}  // namespace platform
