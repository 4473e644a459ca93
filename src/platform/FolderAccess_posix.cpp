#include "platform/FolderAccess.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

WriteProblem FolderWriteProblem(const std::filesystem::path& folder, std::uintmax_t bytes) {
    struct statvfs disk;
    if (::statvfs(folder.c_str(), &disk) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return WriteProblem::NotFound;
        if (errno == EACCES) return WriteProblem::PermissionDenied;
        return WriteProblem::None;
    }
    if ((disk.f_flag & ST_RDONLY) != 0) return WriteProblem::ReadOnly;
    // Writing a name takes search and write permission on the folder.
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        if (errno == EROFS) return WriteProblem::ReadOnly;
        if (errno == EACCES || errno == EPERM) return WriteProblem::PermissionDenied;
    }
    const std::uintmax_t free = static_cast<std::uintmax_t>(disk.f_bavail) * disk.f_frsize;
    if (free == 0 || free < bytes) return WriteProblem::NoSpace;
    return WriteProblem::None;
}

}  // namespace platform
