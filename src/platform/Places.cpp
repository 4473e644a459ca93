#include "platform/Places.h"

#include <system_error>
#include <vector>

#include "platform/Files.h"

namespace platform {

bool CreatePlace(const std::filesystem::path& folder, const FileSystem& files) {
    if (folder.empty()) return false;
    // The missing levels, innermost first, up to the first that exists.
    std::vector<std::filesystem::path> missing;
    for (std::filesystem::path level = folder; !IsDirectory(level);) {
        missing.push_back(level);
        std::filesystem::path parent = level.parent_path();
        if (parent.empty() || parent == level) break;
        level = std::move(parent);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (!EnsureFolder(*it, files)) return false;
        std::error_code ignored;
        std::filesystem::permissions(*it, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace,
                                     ignored);
    }
    return true;
}

}  // namespace platform
