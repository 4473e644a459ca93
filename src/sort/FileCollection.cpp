#include "sort/FileCollection.h"

#include "settings/Settings.h"
#include "platform/Files.h"
#include "platform/Text.h"

void AppendPath(PathList& list, std::filesystem::path path) {
    if (list.paths.size() == list.paths.capacity()) {
        list.paths.reserve(list.paths.capacity() + kPathListGrowth);
    }
    list.paths.push_back(std::move(path));
}

void CollectFolderFiles(const std::filesystem::path& folder, PathList& list) {
    // The prefix is the folder and one separator, exactly as given: a dropped folder is
    // never re-spelled, so log lines show the paths the user handed us.
    // A root already ends in its separator.
    std::filesystem::path::string_type prefix = folder.native();
    const auto separator = static_cast<std::filesystem::path::value_type>(platform::PathSeparator());
    if (prefix.empty() || prefix.back() != separator) prefix.push_back(separator);
    platform::ListFolder(folder, [&](const std::filesystem::path& name, bool isDirectory) {
        std::filesystem::path full(prefix + name.native());
        if (!isDirectory) {
            AppendPath(list, std::move(full));
        } else if (Settings.IS_SUBDIRS_TOO != 0) {
            CollectFolderFiles(full, list);
        }
    });
}

PathList BuildPathList(const std::vector<std::filesystem::path>& dropped) {
    PathList list;
    for (const auto& item : dropped) {
        if (platform::IsDirectory(item)) {
            CollectFolderFiles(item, list);
        } else {
            AppendPath(list, item);
        }
    }
    return list;
}
