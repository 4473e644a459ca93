#include "sort/FileCollection.h"

#include <set>
#include <utility>

#include "platform/Files.h"
#include "platform/Text.h"

void AppendPath(PathList& list, std::filesystem::path path) {
    if (list.paths.size() == list.paths.capacity()) {
        list.paths.reserve(list.paths.capacity() + kPathListGrowth);
    }
    list.paths.push_back(std::move(path));
}

namespace {

using FileKey = std::pair<std::uint64_t, std::uint64_t>;

FileKey KeyOf(const platform::FileIdentity& identity) { return {identity.device, identity.index}; }

// Whether `inner` is `outer` or lies below it, both resolved.
bool LiesInside(const std::filesystem::path& inner, const std::filesystem::path& outer) {
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
        if (o->empty() && std::next(o) == outer.end()) break;  // a trailing separator
        if (i == inner.end() || *i != *o) return false;
    }
    return true;
}

class Walk {
public:
    Walk(PathList& list, const CollectionRule& rule) : list_(list), rule_(rule) {}

    void AddFile(std::filesystem::path path) {
        platform::FileIdentity identity;
        // A name that cannot be examined (gone, say) is listed all the same: its worker says why.
        if (platform::ReadIdentity(path, false, identity) && !files_.insert(KeyOf(identity)).second) return;
        AppendPath(list_, std::move(path));
    }

    void AddDroppedFolder(const std::filesystem::path& folder) {
        const std::filesystem::path resolved = platform::ResolveLinks(folder);
        if (!resolved.empty()) roots_.push_back(resolved);
        Enter(folder);
    }

private:
    // False for a folder entered before under any name.
    bool FirstVisit(const std::filesystem::path& folder) {
        platform::FileIdentity identity;
        if (!platform::ReadIdentity(folder, true, identity)) return true;
        return folders_.insert(KeyOf(identity)).second;
    }

    bool InsideADroppedFolder(const std::filesystem::path& folder) const {
        const std::filesystem::path resolved = platform::ResolveLinks(folder);
        if (resolved.empty()) return false;
        for (const auto& root : roots_) {
            if (LiesInside(resolved, root)) return true;
        }
        return false;
    }

    void Enter(const std::filesystem::path& folder) {
        if (!FirstVisit(folder)) return;
        // The prefix is the folder and one separator, exactly as given: a dropped folder is
        // never re-spelled, so log lines show the paths the user handed us.
        // A root already ends in its separator.
        std::filesystem::path::string_type prefix = folder.native();
        const auto separator = static_cast<std::filesystem::path::value_type>(platform::PathSeparator());
        if (prefix.empty() || prefix.back() != separator) prefix.push_back(separator);
        std::vector<std::filesystem::path> subfolders;
        platform::ListFolder(folder, [&](const std::filesystem::path& name, bool isDirectory) {
            std::filesystem::path full(prefix + name.native());
            if (!isDirectory) {
                AddFile(std::move(full));
            } else if (rule_.subfolders) {
                // Depth first: the sub-folder's files come right where it is met.
                if (platform::KindOf(full) == platform::EntryKind::Link && !InsideADroppedFolder(full)) return;
                Enter(full);
            }
        });
    }

    PathList& list_;
    const CollectionRule rule_;
    std::vector<std::filesystem::path> roots_;
    std::set<FileKey> folders_;
    std::set<FileKey> files_;
};

}  // namespace

void CollectFolderFiles(const std::filesystem::path& folder, const CollectionRule& rule, PathList& list) {
    Walk walk(list, rule);
    walk.AddDroppedFolder(folder);
}

PathList BuildPathList(const std::vector<std::filesystem::path>& dropped, const CollectionRule& rule) {
    PathList list;
    Walk walk(list, rule);
    for (const auto& item : dropped) {
        if (platform::IsDirectory(item)) {
            walk.AddDroppedFolder(item);
        } else {
            walk.AddFile(item);
        }
    }
    return list;
}
