// Test seam of the POSIX file operations of a run: lets a test make any step of
// MoveFileNoReplace, or the reading, folder creation and log appending around it, fail as the
// file system would, to prove that no failure loses or duplicates a file. Tests run as root,
// where permission bits stop nothing, so these hooks stand in for unreadable files, read-only
// folders and full disks.
#pragma once

#include <filesystem>
#include <functional>

namespace platform {

enum class MoveStep {
    Rename,           // renameat2 without replacing
    Link,             // link() of the fallback, for the file itself or the finished copy
    OpenSource,       // across file systems from here on
    CreateTemporary,  // the temporary copy in the target folder
    Copy,             // each block of the copy, read from the source and written out
    Flush,            // fsync of the copy
    Place,            // putting the copy under the target name
    RemoveSource,     // unlinking the source once the copy is in place
};

// When set, called before each step; a non-zero result is taken as that step's errno.
// Set it only while no move is running.
extern std::function<int(MoveStep step)> MoveFaultForTests;

enum class FileStep {
    OpenForRead,   // OpenInputFile, OpenStdioForRead, OpenDescriptorForRead
    CreateFolder,  // CreateFolder
    Append,        // AppendToFile
    RemoveFolder,  // RemoveEmptyFolder
};

// When set, called before each of these operations with its path; a non-zero result is taken
// as the operation's errno. Set it only while no run is going.
extern std::function<int(FileStep step, const std::filesystem::path& path)> FileFaultForTests;

}  // namespace platform
