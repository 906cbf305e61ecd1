#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace raumfuchs {

// A folder whose entries changed on disk, as a watcher reports it.
struct FolderChange {
    std::string path;  // file-system bytes, written as FileTree::path() writes paths
    // Subfolders removed or moved away since it was read: a folder of that
    // name there now is another one, read whole.
    std::vector<std::string> renewed;
    // Everything below it is read again, not only its entries: a file
    // system was mounted or unmounted there.
    bool whole = false;
};

// What a watcher follows, for the window to tell.
struct WatchCoverage {
    enum class Way {
        FileSystems,  // fanotify: whole file systems, events outside the tree dropped
        Folders,      // inotify: one watch per folder
    };
    Way way = Way::Folders;
    std::size_t fileSystems = 0;  // marked, for FileSystems
    std::size_t folders = 0;      // watched, for Folders
    std::size_t unfollowed = 0;   // folders of the tree without a watch
    friend bool operator==(const WatchCoverage&, const WatchCoverage&) = default;
};

// The scanned folder as the tree writes its paths and as the system resolves
// it (symbolic links followed), to turn one into the other.
struct RootPaths {
    std::string tree;
    std::string real;

    // The tree's path for the resolved `path`, or nothing when it lies
    // outside the scanned folder.
    std::optional<std::string> toTree(std::string_view path) const;
    // `name` below the folder at `folder` (both tree paths).
    static std::string join(std::string_view folder, std::string_view name);
};

// The changes a watcher gathered so far, by folder.
class ChangeSet {
  public:
    // The entries of the folder at `path` (a tree path) changed.
    void folder(const std::string& path);
    // Its subfolder `name` was removed or moved away.
    void renewed(const std::string& path, std::string_view name);
    // Everything below `path` is to be read again.
    void whole(const std::string& path);

    bool empty() const { return changes_.empty(); }
    std::vector<FolderChange> take();

    bool overflow = false;     // the kernel's queue ran over: events were lost
    bool rootTouched = false;  // the scanned folder itself was removed, moved or unmounted

  private:
    FolderChange& at(const std::string& path);
    std::unordered_map<std::string, FolderChange> changes_;
};

// Where a watcher's events come from: fanotify or inotify.
class WatchSource {
  public:
    virtual ~WatchSource() = default;
    // The descriptor to poll for events.
    virtual int fd() const = 0;
    // Reads every event waiting, without blocking, into `changes`.
    virtual void read(ChangeSet& changes) = 0;
    virtual WatchCoverage coverage() const = 0;
};

}  // namespace raumfuchs
