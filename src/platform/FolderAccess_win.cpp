#include "platform/FolderAccess.h"

#include <windows.h>

namespace platform {

WriteProblem FolderWriteProblem(const std::filesystem::path& folder, std::uintmax_t bytes) {
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED) return WriteProblem::PermissionDenied;
        return WriteProblem::NotFound;
    }
    ULARGE_INTEGER available{};
    if (GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) {
        if (available.QuadPart == 0 || available.QuadPart < bytes) return WriteProblem::NoSpace;
    }
    // Permissions on Windows are lists that only an attempt tells apart; the move's own failure
    // stands for them.
    return WriteProblem::None;
}

}  // namespace platform
