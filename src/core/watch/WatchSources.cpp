#include "core/watch/WatchSources.h"

#include <cstdlib>
#include <cstring>
#include <deque>

#include "core/watch/FanotifySource.h"
#include "core/watch/InotifySource.h"
#include "core/watch/WatchBudget.h"

namespace raumfuchs {

std::optional<std::vector<std::string>> foldersToWatch(const FileTree& tree, FileTree::Index shown,
                                                       std::size_t limit, std::size_t& total) {
    auto lock = tree.readLock();
    const std::uint64_t generation = tree.generation();
    std::vector<std::string> folders;
    total = 0;
    std::uint64_t steps = 0;
    // The folders at and below `top`, breadth first, leaving out `skip` and
    // what lies below it; false when the tree changed meanwhile.
    const auto walk = [&](FileTree::Index top, FileTree::Index skip) {
        std::deque<std::pair<FileTree::Index, std::string>> queue{{top, tree.path(top)}};
        while (!queue.empty()) {
            auto [node, path] = std::move(queue.front());
            queue.pop_front();
            if ((++steps & 4095) == 0 && tree.generation() != generation) {
                return false;
            }
            ++total;
            for (std::size_t i = 0; i < tree.childCount(node); ++i) {
                const FileTree::Index child = tree.child(node, i);
                if (tree.isDirectory(child) && child != skip) {
                    queue.emplace_back(child, RootPaths::join(path, tree.nameBytes(child)));
                }
            }
            if (folders.size() < limit) {
                folders.push_back(std::move(path));
            }
        }
        return true;
    };
    if (generation % 2 != 0 || !walk(shown, FileTree::kNone) || (shown != 0 && !walk(0, shown))) {
        return std::nullopt;
    }
    return folders;
}

std::unique_ptr<WatchSource> openWatchSource(const FileTree& tree, FileTree::Index shown,
                                             const RootPaths& root,
                                             const std::vector<EnteredMount>& mounts) {
    const char* forced = std::getenv("RAUMFUCHS_WATCH");
    if (forced == nullptr || std::strcmp(forced, "inotify") != 0) {
        if (std::unique_ptr<FanotifySource> source = FanotifySource::open(root, mounts)) {
            return source;
        }
    }
    const std::size_t budget = inotifyBudget();
    std::size_t total = 0;
    const std::optional<std::vector<std::string>> folders =
        foldersToWatch(tree, shown, budget, total);
    if (!folders) {
        return nullptr;
    }
    return InotifySource::open(root, *folders, total, budget);
}

}  // namespace raumfuchs
