// Test seam of the file operations of a run, on every platform: lets a test make reading a
// file, creating a folder or a file, appending to the log, removing a folder or any step of a
// move fail as the file system would.
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
    Remove,        // ReleaseHeldFile removing its file
};

// When set, called before each of these operations with its path; a non-zero result makes the
// operation fail. POSIX takes the result as its errno; Windows fails as with access denied.
// Set it only while no run is going.
extern std::function<int(FileStep step, const std::filesystem::path& path)> FileFaultForTests;

// The steps of a move (MoveSteps.h).
enum class MoveStep {
    Rename,           // the rename without replacing
    Link,             // link() where a file system has no rename without replacing (POSIX)
    OpenSource,       // across file systems from here on
    CreateTemporary,  // the temporary copy in the target folder
    Copy,             // each block of the copy, read from the source and written out
    Flush,            // flushing the copy to the disk
    Place,            // putting the copy under the target name
    RemoveSource,     // removing the source once the copy is in place
};

// When set, called before each step; a non-zero result makes the step fail, taken as its errno
// on POSIX. EXDEV for Rename means another file system on every platform; any other value reads
// as access denied on Windows. Set it only while no move is running.
extern std::function<int(MoveStep step)> MoveFaultForTests;

}  // namespace platform
