// The steps of a file move, each done durably before it returns, so that a move that cannot be
// one rename can be journaled and, after the process was killed between any two steps,
// finished or undone by a later one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/FileSystem.h"

namespace platform {

enum class RenameOutcome {
    Renamed,          // done, in one step
    OtherFileSystem,  // source and target lie on different file systems (volumes): nothing changed
    Failed,           // nothing changed
};

// Gives the file `source` the name `target` in one step, never replacing an existing target.
RenameOutcome RenameNoReplace(const std::filesystem::path& source, const std::filesystem::path& target,
                              const FileSystem& files = RealFileSystem());

// Copies the regular file `source` into the new file `copy`, which must not exist yet, with the
// source's permissions and modification time where the platform keeps them, and flushes the
// copy to the disk. False on failure; a partial copy may then remain for the caller to remove.
bool CopyToNewFile(const std::filesystem::path& source, const std::filesystem::path& copy, const FileSystem& files = RealFileSystem());

// Puts the finished copy under the name `target` in the same folder, never replacing an
// existing target, and makes the new name durable. Where the file system has hard links the
// copy keeps its own name beside the new one (`copyKept`), so that until it is removed anyone
// can tell that the file at `target` is this very copy; elsewhere the copy is renamed.
bool PlaceCopy(const std::filesystem::path& copy, const std::filesystem::path& target, bool& copyKept,
               const FileSystem& files = RealFileSystem());

// Removes the source of a move whose copy is in place, and makes the removal durable.
bool RemoveMovedSource(const std::filesystem::path& source, const FileSystem& files = RealFileSystem());

// Removes a file (never a folder); false when it stays. The removal is made durable.
bool RemoveFile(const std::filesystem::path& file);

// Whether two files hold the same bytes; false also when either cannot be read.
bool SameContents(const std::filesystem::path& a, const std::filesystem::path& b);
// Whether `prefix` holds the first bytes of `file` (all of them, or fewer); false also when
// either cannot be read.
bool IsPrefixOf(const std::filesystem::path& prefix, const std::filesystem::path& file);
// The size of a regular file (not following a final link); false for anything else.
bool RegularFileSize(const std::filesystem::path& path, std::uintmax_t& size);

// A small file that this process has written durably and holds: while it holds it, no other
// process, and no other TakeHeldFile in this one, can take it. However the process ends, the
// hold ends with it; the file stays. Its appends and its removal meet the file system it was
// created or taken with.
struct HeldFile;

// Writes `bytes` into the new file `path` durably (under a temporary name ending in ".tmp"
// first, flushed, renamed into place, the folder flushed) and holds it. nullptr on failure;
// nothing is left behind then.
HeldFile* CreateHeldFile(const std::filesystem::path& path, const std::string& bytes, const FileSystem& files = RealFileSystem());
// Holds an existing file that no one else holds and reads it whole; nullptr when it is held
// elsewhere, gone or unreadable.
HeldFile* TakeHeldFile(const std::filesystem::path& path, std::string& bytes, const FileSystem& files = RealFileSystem());
// Appends `bytes` to a held file with one write; not flushed (a killed process loses nothing
// the kernel has, and that is all it must survive). False when it could not be written.
bool AppendToHeldFile(HeldFile* file, const std::string& bytes);
// Ends the hold; with `remove`, removes the file durably first. False when it was to be removed
// and stays.
bool ReleaseHeldFile(HeldFile* file, bool remove);

}  // namespace platform
