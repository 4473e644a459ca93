// PATH arguments that name nothing.
#pragma once

#include <filesystem>
#include <vector>

// The text of the line a PATH argument that does not exist gets.
extern const char* const NoSuchPathText;

// How the missing paths are reported on standard output.
struct MissingPathOutput {
    bool json = false;         // a JSON object per path instead of a tab-separated line
    bool withMessage = false;  // the object also holds "message", as sort's objects do
};

// Reports each of `paths` that does not exist, "error<TAB>PATH<TAB>no such file or folder" (or
// the same as a JSON object), and returns the others in their order. A path that exists but
// cannot be examined is kept: the loaders tell what is wrong with it.
std::vector<std::filesystem::path> DropMissingPaths(const std::vector<std::filesystem::path>& paths,
                                                    const MissingPathOutput& output);
