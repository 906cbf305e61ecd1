#include "core/watch/InotifySource.h"

#include <dirent.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace raumfuchs {

namespace {

// What changes a folder's entries or their sizes, and a folder itself.
constexpr std::uint32_t kEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY |
                                  IN_ATTRIB | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF |
                                  IN_ONLYDIR | IN_DONT_FOLLOW | IN_EXCL_UNLINK;

// The subfolders of `path` as its listing names them.
std::vector<std::string> subfolders(const std::string& path) {
    std::vector<std::string> found;
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) {
        return found;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string child = RootPaths::join(path, name);
        struct stat st;
        if (entry->d_type == DT_DIR || (entry->d_type == DT_UNKNOWN &&
                                        ::lstat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
            found.push_back(child);
        }
    }
    ::closedir(dir);
    return found;
}

}  // namespace

std::unique_ptr<InotifySource> InotifySource::open(const RootPaths& root,
                                                   const std::vector<std::string>& folders,
                                                   std::size_t total, std::size_t budget) {
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    std::unique_ptr<InotifySource> source(new InotifySource(fd, root.tree, budget));
    for (const std::string& folder : folders) {
        source->add(folder);
    }
    const std::size_t watched = source->watches_.size();
    source->unfollowed_ = total > watched ? total - watched : 0;
    return source;
}

InotifySource::InotifySource(int fd, std::string root, std::size_t budget)
    : fd_(fd), root_(std::move(root)), budget_(budget) {}

InotifySource::~InotifySource() {
    ::close(fd_);  // its watches go with it
}

WatchCoverage InotifySource::coverage() const {
    return {WatchCoverage::Way::Folders, 0, watches_.size(), unfollowed_};
}

bool InotifySource::add(const std::string& path) {
    if (watches_.size() >= budget_) {
        ++unfollowed_;
        return false;
    }
    const int wd = ::inotify_add_watch(fd_, path.c_str(), kEvents);
    if (wd < 0) {
        unfollowed_ += errno == ENOSPC ? 1 : 0;
        return false;
    }
    if (paths_.try_emplace(wd, path).second) {
        watches_[path] = wd;
    }
    return true;
}

void InotifySource::addWithin(const std::string& path) {
    std::vector<std::string> stack{path};
    while (!stack.empty()) {
        const std::string folder = std::move(stack.back());
        stack.pop_back();
        add(folder);
        for (std::string& sub : subfolders(folder)) {
            stack.push_back(std::move(sub));
        }
    }
}

void InotifySource::forget(const std::string& path) {
    const auto drop = [this](std::map<std::string, int>::iterator it) {
        ::inotify_rm_watch(fd_, it->second);
        paths_.erase(it->second);
        return watches_.erase(it);
    };
    if (const auto own = watches_.find(path); own != watches_.end()) {
        drop(own);
    }
    const std::string below = RootPaths::join(path, "");
    for (auto it = watches_.lower_bound(below);
         it != watches_.end() && it->first.starts_with(below);) {
        it = drop(it);
    }
}

void InotifySource::move(const std::string& from, const std::string& to) {
    const std::string below = RootPaths::join(from, "");
    std::vector<std::pair<std::string, int>> moved;
    if (const auto own = watches_.find(from); own != watches_.end()) {
        moved.emplace_back(to, own->second);
        watches_.erase(own);
    }
    for (auto it = watches_.lower_bound(below);
         it != watches_.end() && it->first.starts_with(below);) {
        moved.emplace_back(RootPaths::join(to, std::string_view(it->first).substr(below.size())),
                           it->second);
        it = watches_.erase(it);
    }
    for (auto& [path, wd] : moved) {
        paths_[wd] = path;
        watches_[std::move(path)] = wd;
    }
}

void InotifySource::read(ChangeSet& changes) {
    alignas(inotify_event) char buffer[64 * 1024];
    std::unordered_map<std::uint32_t, std::string> movedFrom;  // by cookie
    for (;;) {
        const ssize_t length = ::read(fd_, buffer, sizeof buffer);
        if (length <= 0) {
            break;  // EAGAIN: nothing more waiting
        }
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                changes.overflow = true;
                continue;
            }
            const auto known = paths_.find(event->wd);
            if (known == paths_.end()) {
                continue;  // a watch removed meanwhile
            }
            const std::string folder = known->second;
            if (event->mask & (IN_IGNORED | IN_UNMOUNT)) {
                // The folder is gone, or its file system: the watch with it.
                changes.rootTouched = changes.rootTouched || folder == root_;
                if (event->mask & IN_IGNORED) {
                    watches_.erase(folder);
                    paths_.erase(known);
                }
                continue;
            }
            changes.folder(folder);
            if (event->len == 0 || event->name[0] == '\0') {
                if (folder == root_ && (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF))) {
                    changes.rootTouched = true;
                }
                continue;
            }
            if (!(event->mask & IN_ISDIR)) {
                continue;
            }
            const std::string_view name = event->name;
            const std::string child = RootPaths::join(folder, name);
            if (event->mask & IN_CREATE) {
                addWithin(child);
            } else if (event->mask & IN_DELETE) {
                changes.renewed(folder, name);
                forget(child);
            } else if (event->mask & IN_MOVED_FROM) {
                changes.renewed(folder, name);
                movedFrom[event->cookie] = child;
            } else if (event->mask & IN_MOVED_TO) {
                const auto from = movedFrom.find(event->cookie);
                if (from != movedFrom.end()) {
                    move(from->second, child);
                    movedFrom.erase(from);
                } else {
                    addWithin(child);  // moved in from outside
                }
            }
        }
    }
    for (const auto& [cookie, from] : movedFrom) {
        forget(from);  // moved out of the scanned folder
    }
}

}  // namespace raumfuchs
