// Test seam of the file operations around a run, on every platform: lets a test make reading a
// file, creating a folder or a file, appending to the log, or removing a folder fail as the file system would.
// Tests run as root (and under Wine, which ignores permission bits), where permissions stop
// nothing, so this hook stands in for unreadable files, read-only folders and full disks.
#pragma once

#include <filesystem>
#include <functional>

namespace platform {

enum class FileStep {
    OpenForRead,   // OpenInputFile, OpenStdioForRead, OpenDescriptorForRead
    Read,          // every ReadInputFile of a file opened by OpenInputFile (a locked or network file)
    CreateFolder,  // CreateFolder
    CreateNew,     // CreateNewFile
    Append,        // AppendToFile
    RemoveFolder,  // RemoveEmptyFolder
};

// When set, called before each of these operations with its path; a non-zero result makes the
// operation fail. POSIX takes the result as its errno; Windows fails as with access denied.
// Set it only while no run is going.
extern std::function<int(FileStep step, const std::filesystem::path& path)> FileFaultForTests;

}  // namespace platform
