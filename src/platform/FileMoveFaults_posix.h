// Test seam of the POSIX move: lets a test make any step of MoveFileNoReplace fail as the file
// system would, to prove that no failure loses or duplicates a file. The operations around the
// move have their hook in FileFaults.h, on every platform.
#pragma once

#include <functional>

#include "platform/FileFaults.h"

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

}  // namespace platform
