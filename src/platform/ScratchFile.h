// A picture held in memory, made into a file the loaders can open by name: they read files,
// and a caller of the library may hold bytes instead (from a network store, say).
#pragma once

#include <cstddef>
#include <filesystem>

namespace platform {

struct ScratchFile {
    std::filesystem::path path;  // what a loader opens; empty when there is no file
    int descriptor = -1;         // POSIX: the memory file, kept open while the path is used
    bool onDisk = false;         // a temporary file, deleted by CloseScratchFile
};

// Holds a copy of `size` bytes at `data` under `file.path`: on Linux a memory file that never
// touches a disk, elsewhere (or when there is none) a new file in the temporary folder, which
// only its maker knows. False when neither could be made or written.
bool MakeScratchFile(const void* data, std::size_t size, ScratchFile& file);
// Releases the memory file or deletes the temporary file; safe on a file never made.
void CloseScratchFile(ScratchFile& file);

}  // namespace platform
