// PATH arguments that name nothing.
#pragma once

#include <filesystem>
#include <vector>

// How the missing paths are reported on standard output.
struct MissingPathOutput {
    bool json = false;         // a JSON object per path instead of a tab-separated line
    bool withMessage = false;  // the object also holds "message", as sort's objects do
};

// True when `path` names nothing (a dangling link included). A path that exists but cannot be
// examined is not missing: the loaders tell what is wrong with it.
bool IsMissingPath(const std::filesystem::path& path);

// Reports each of `paths` that does not exist, "error<TAB>PATH<TAB>no such file or folder" (or
// the same as a JSON object with the code "not-found"), and returns the others in their order.
std::vector<std::filesystem::path> DropMissingPaths(const std::vector<std::filesystem::path>& paths,
                                                    const MissingPathOutput& output);
