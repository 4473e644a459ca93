// The file system as the operations of Files.h and MoveSteps.h meet it. Each of them that may
// fail as a disk fails takes one; the real one lets every operation go to the disk. A test
// passes its own that makes chosen operations fail: tests run as root (and under Wine, which
// ignores permission bits), where permissions stop nothing, so it stands in for unreadable
// files, read-only folders and full disks.
#pragma once

#include <filesystem>

namespace platform {

enum class FileStep {
    OpenForRead,   // OpenInputFile, OpenStdioForRead, OpenDescriptorForRead
    Read,          // every ReadInputFile of a file opened by OpenInputFile (a locked or network file)
    CreateFolder,  // CreateFolder
    CreateNew,     // CreateNewFile, CreateHeldFile
    Append,        // AppendToFile, AppendToHeldFile
    RemoveFolder,  // RemoveEmptyFolder
    Remove,        // ReleaseHeldFile removing its file
};

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

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Asked before each of these operations with its path: 0 lets it go to the disk; anything
    // else makes it fail, POSIX taking the value as its errno, Windows failing as with access
    // denied. Called from several threads at once.
    virtual int Refusal(FileStep step, const std::filesystem::path& path) const = 0;
    // Asked before each step of a move: as above; EXDEV for Rename means another file system on
    // every platform.
    virtual int Refusal(MoveStep step) const = 0;
};

// The disk itself: refuses nothing.
const FileSystem& RealFileSystem();

}  // namespace platform
