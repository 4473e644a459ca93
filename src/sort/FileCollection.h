// Expansion of a dropped folder into the run's list of paths.
#pragma once

#include <filesystem>
#include <vector>

#include "sort/RunContext.h"

// The run's flat list of full paths. It grows by 1024 slots whenever it is full.
struct PathList {
    std::vector<std::filesystem::path> paths;
};

constexpr std::size_t kPathListGrowth = 1024;

void AppendPath(PathList& list, std::filesystem::path path);

// Appends every file of `folder` (depth first into sub-folders when the rule says so)
// in the order the file system lists them. A folder that cannot be listed adds nothing.
// The walk always ends: each folder is entered once, however many names lead to it, and a
// folder reached through a link or junction is entered only when it lies inside `folder`
// itself. A file met again under another name (a second link to one folder) is listed once.
// Entries that are no folder are all listed, FIFOs and links included: the worker tells them
// apart and leaves them with a line of their own.
void CollectFolderFiles(const std::filesystem::path& folder, const CollectionRule& rule, PathList& list);

// The dropped items in order: a folder contributes its files, anything else is taken as a file.
// One walk over all of them: a file dropped twice, or dropped beside a folder that holds it,
// is listed once, where it is first met.
PathList BuildPathList(const std::vector<std::filesystem::path>& dropped, const CollectionRule& rule);
