#include "sort/SortPath.h"

#include "platform/Text.h"
#include "settings/Settings.h"

namespace {

// Windows takes both; on POSIX a backslash is an ordinary character of a name.
bool IsSeparator(char c) { return c == '/' || c == platform::PathSeparator(); }

bool HasDrives() { return platform::PathSeparator() == '\\'; }

std::size_t DriveLength(const std::string& path) {
    const bool letter = path.size() >= 2 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return HasDrives() && letter && path[1] == ':' ? 2 : 0;
}

}  // namespace

SplitPath SplitSortPath(const std::string& path) {
    std::size_t nameStart = DriveLength(path);
    for (std::size_t i = nameStart; i < path.size(); ++i) {
        if (IsSeparator(path[i])) nameStart = i + 1;
    }
    SplitPath parts;
    parts.folder = path.substr(0, nameStart);
    parts.name = path.substr(nameStart);
    const std::size_t dot = parts.name.find_last_of('.');
    if (dot != std::string::npos) parts.extension = parts.name.substr(dot);
    return parts;
}

std::string RemoveTrailingSeparator(std::string folder) {
    if (folder.empty() || !IsSeparator(folder.back())) return folder;
    const std::size_t root = DriveLength(folder) + 1;
    if (folder.size() > root) folder.pop_back();
    return folder;
}

std::string JoinFolderAndName(const std::string& folder, const std::string& name) {
    const std::string base = RemoveTrailingSeparator(folder);
    // A relative path's own folder; joining there must not turn it into the root.
    if (base.empty()) return name;
    if (!base.empty() && IsSeparator(base.back())) return base + name;
    return base + platform::PathSeparator() + name;
}

std::string DestinationFolderFor(const SettingsRecord& settings, bool monochrome, const std::string& folder) {
    if (settings.IS_DST_SUBDIR != 0) return JoinFolderAndName(folder, monochrome ? "monochrome" : "color");
    return RemoveTrailingSeparator(monochrome ? settings.DST_DIR_MONO : settings.DST_DIR_COLOR);
}
