// Expansion of a dropped folder into the run's list of paths.
#pragma once

#include <filesystem>
#include <vector>

// The run's flat list of full paths. It grows by 1024 slots whenever it is full.
struct PathList {
    std::vector<std::filesystem::path> paths;
};

constexpr std::size_t kPathListGrowth = 1024;

void AppendPath(PathList& list, std::filesystem::path path);

// Appends every file of `folder` (depth first into sub-folders when IS_SUBDIRS_TOO is on)
// in the order the file system lists them. A folder that cannot be listed adds nothing.
void CollectFolderFiles(const std::filesystem::path& folder, PathList& list);

// The dropped items in order: a folder contributes its files, anything else is taken as a file.
PathList BuildPathList(const std::vector<std::filesystem::path>& dropped);
