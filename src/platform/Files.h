// File-system operations that differ between Windows and POSIX.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/Clock.h"
#include "platform/FileSystem.h"

namespace platform {

// A file opened for reading, sharing read access with others. Opaque.
struct InputFile;

// Opens an existing file for reading; nullptr when it cannot be opened.
InputFile* OpenInputFile(const std::filesystem::path& path, const FileSystem& files = RealFileSystem());
// Reads up to `count` bytes; returns how many arrived (0 at the end or on error).
std::size_t ReadInputFile(InputFile* file, void* destination, std::size_t count);
// True once a read of the file has failed, as opposed to reaching the end of it.
bool InputFileFailed(const InputFile* file);
// Moves the read position to `offset` from the start; false on failure.
bool SeekInputFile(InputFile* file, std::uint64_t offset);
void CloseInputFile(InputFile* file);
// Reads a whole file into `bytes` (appended); false when it cannot be opened or a read fails.
bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes,
                   const FileSystem& files = RealFileSystem());

// A C stream opened "rb" by the path (for libjpeg's stdio source); nullptr on failure.
std::FILE* OpenStdioForRead(const std::filesystem::path& path, const FileSystem& files = RealFileSystem());
// A read-only descriptor (for giflib); -1 on failure.
int OpenDescriptorForRead(const std::filesystem::path& path, const FileSystem& files = RealFileSystem());

bool IsDirectory(const std::filesystem::path& path);

// What a path names itself, a final link not followed. Link covers symbolic links and, on
// Windows, junctions and other name surrogates. Other: a FIFO, socket or device, which is no
// file to open.
enum class EntryKind { Missing, File, Folder, Link, Other };
EntryKind KindOf(const std::filesystem::path& path);

// Which file a name leads to: its device (volume serial on Windows) and index on it (inode,
// file index), with its size and modification time (in the file system's own unit). A rename
// keeps all four; a copy, a replacement or an edit changes at least one.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t index = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0;

    bool SameFileAs(const FileIdentity& other) const { return device == other.device && index == other.index; }
    bool operator==(const FileIdentity& other) const {
        return SameFileAs(other) && size == other.size && modified == other.modified;
    }
    bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};
// False when the entry cannot be examined. With `followLink` a final link is followed.
bool ReadIdentity(const std::filesystem::path& path, bool followLink, FileIdentity& identity);

// The path with every link and junction on the way resolved, absolute; empty when it cannot be
// resolved (a part of it missing, a loop).
std::filesystem::path ResolveLinks(const std::filesystem::path& path);

// Lists the entries of one folder in the order the file system gives them, "." and ".."
// excluded. False when the folder cannot be listed (nothing is reported then).
bool ListFolder(const std::filesystem::path& folder,
                const std::function<void(const std::filesystem::path& name, bool isDirectory)>& visit);

// Creates one folder level. False when it could not be created (also when it already exists).
bool CreateFolder(const std::filesystem::path& folder, const FileSystem& files = RealFileSystem());

// The folder exists afterwards: tested, created one level, tested again. When several workers
// meet the same missing folder at once, the creation another one won counts as success.
inline bool EnsureFolder(const std::filesystem::path& folder, const FileSystem& files = RealFileSystem()) {
    return IsDirectory(folder) || CreateFolder(folder, files) || IsDirectory(folder);
}

// Removes a folder that is empty; false when it is not empty, not a folder, or stays.
bool RemoveEmptyFolder(const std::filesystem::path& folder, const FileSystem& files = RealFileSystem());

// The times the file system keeps for a file or folder (not following a final link), in local
// time. `changed`: the last change of the entry itself, its name, place or contents (POSIX: the
// status change time; Windows: the change time); `created`: its creation. Either is missing
// where the file system does not keep it.
struct EntryTimes {
    bool hasChanged = false;
    LocalTime changed{};
    bool hasCreated = false;
    LocalTime created{};
};
// False when the entry cannot be examined (it does not exist, for one).
bool ReadEntryTimes(const std::filesystem::path& path, EntryTimes& times);

// Creates a new empty file; false when it could not be created or a file of that name exists.
bool CreateNewFile(const std::filesystem::path& path, const FileSystem& files = RealFileSystem());

// Appends `bytes` to a file with one write, creating the file when it is missing.
// False when it could not be opened or written.
bool AppendToFile(const std::filesystem::path& path, const std::string& bytes, const FileSystem& files = RealFileSystem());

}  // namespace platform
