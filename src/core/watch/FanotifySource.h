#pragma once

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/scan/EnteredMount.h"
#include "core/watch/WatchSource.h"

namespace raumfuchs {

// Events of whole file systems through fanotify: one mark per file system the
// tree covers (FAN_MARK_FILESYSTEM), each event naming its folder by file
// handle and the entry by name (FAN_REPORT_DFID_NAME). A folder's handle is
// resolved to its path once, by opening it through the handle and reading the
// link of the descriptor; events in folders outside the scanned one are then
// dropped at the cost of one look-up. Resolved paths are forgotten when a
// folder is moved, since those below it move with it. No descriptor of the
// file systems is kept open, so they can still be unmounted.
class FanotifySource : public WatchSource {
  public:
    // Nothing where fanotify cannot do this: without the administrator's
    // rights, on a kernel before 5.9 or on a file system without file handles.
    static std::unique_ptr<FanotifySource> open(RootPaths root,
                                                const std::vector<EnteredMount>& mounts);
    ~FanotifySource() override;
    FanotifySource(const FanotifySource&) = delete;
    FanotifySource& operator=(const FanotifySource&) = delete;

    int fd() const override { return fd_; }
    void read(ChangeSet& changes) override;
    WatchCoverage coverage() const override;

  private:
    struct Marked {
        std::string fsid;  // the bytes of the file system's id, as events carry it
        std::string path;  // a folder on it, to open handles through
    };
    FanotifySource(int fd, RootPaths root, std::vector<Marked> marked, std::string rootKey);
    // The tree's path of the folder with this handle; nothing when outside.
    const std::optional<std::string>& folderOf(const std::string& key, const Marked& on,
                                               const void* handle);

    int fd_;
    RootPaths root_;
    std::vector<Marked> marked_;
    // Handle bytes (file system id, type and handle) → the folder's tree path.
    std::unordered_map<std::string, std::optional<std::string>> folders_;
    // The scanned folder's handle bytes, known from the start: once it is
    // removed its handle no longer resolves, and its events must still be told.
    std::string rootKey_;
};

}  // namespace raumfuchs
