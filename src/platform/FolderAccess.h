// Why a file could not be written into a folder, found by looking after the failure: a move
// that failed says only that it failed, and the user wants the system's own reason.
#pragma once

#include <cstdint>
#include <filesystem>

namespace platform {

enum class WriteProblem {
    None,              // nothing found: the folder looks writable
    NotFound,          // the folder does not exist
    PermissionDenied,  // the user may not add or remove names in it
    ReadOnly,          // it lies on a read-only file system
    NoSpace,           // its file system has fewer than `bytes` free (none at all when 0)
};

// What keeps a file of `bytes` bytes from being added to `folder`, or removed from it.
WriteProblem FolderWriteProblem(const std::filesystem::path& folder, std::uintmax_t bytes);

}  // namespace platform
