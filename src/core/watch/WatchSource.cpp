#include "core/watch/WatchSource.h"

#include <algorithm>

#include "core/system/MountTable.h"

namespace raumfuchs {

std::optional<std::string> RootPaths::toTree(std::string_view path) const {
    const std::optional<std::string_view> below = pathBelow(path, real);
    if (!below) {
        return std::nullopt;
    }
    std::string result = tree;
    std::string_view rest = *below;
    while (rest.starts_with('/')) {
        rest.remove_prefix(1);
    }
    return rest.empty() ? result : join(result, rest);
}

std::string RootPaths::join(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

FolderChange& ChangeSet::at(const std::string& path) {
    auto [it, added] = changes_.try_emplace(path);
    if (added) {
        it->second.path = path;
    }
    return it->second;
}

void ChangeSet::folder(const std::string& path) {
    at(path);
}

void ChangeSet::renewed(const std::string& path, std::string_view name) {
    std::vector<std::string>& names = at(path).renewed;
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        names.emplace_back(name);
    }
}

void ChangeSet::whole(const std::string& path) {
    at(path).whole = true;
}

std::vector<FolderChange> ChangeSet::take() {
    std::vector<FolderChange> taken;
    taken.reserve(changes_.size());
    for (auto& [path, change] : changes_) {
        taken.push_back(std::move(change));
    }
    changes_.clear();
    return taken;
}

}  // namespace raumfuchs
