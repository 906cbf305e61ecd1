#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/watch/WatchSource.h"

namespace raumfuchs {

// What a watcher hands over: the folders that changed, gathered for a while.
struct WatchNews {
    std::vector<FolderChange> changes;
    // The kernel's queue ran over: what changed meanwhile is not known.
    bool overflow = false;
    // The scanned folder is gone: removed, moved away or unmounted. The
    // watcher stops with this news.
    bool rootGone = false;
    WatchCoverage coverage;
    // How many flush() calls were answered, this news included.
    std::uint64_t flushed = 0;
};

// The watcher's thread: waits for events of its source, for changes of the
// mount table and for stop() or flush(), and gathers what changed by folder.
// Changes go out `gather` seconds after the first of them, so a folder that
// keeps changing is named once a while, not once an event; a lost queue and
// the scanned folder gone go out at once. A file system mounted or unmounted
// below the scanned folder is a change of everything below its mount point;
// after any change of the mount table the scanned folder is looked at again,
// since its own file system may have been unmounted. The loop touches no
// tree: it names folders by their paths.
class WatchLoop {
  public:
    WatchLoop(std::unique_ptr<WatchSource> source, RootPaths root, double gather);
    ~WatchLoop();
    WatchLoop(const WatchLoop&) = delete;
    WatchLoop& operator=(const WatchLoop&) = delete;

    // Blocks until stop() or until the scanned folder is gone, handing
    // `deliver` what changed (on this thread).
    void run(const std::function<void(WatchNews)>& deliver);
    // Both may be called from any thread. stop() ends run(); flush() makes it
    // read what the kernel queued so far and hand it over at once, with
    // `flushed` counting it.
    void stop();
    void flush();

  private:
    void wake();
    // Mount points at or below the scanned folder, resolved.
    std::set<std::string> mountsBelow();
    bool rootIsGone() const;

    std::unique_ptr<WatchSource> source_;
    RootPaths root_;
    double gather_;
    int wakeFd_;
    int mountsFd_;
    std::atomic<bool> stopped_{false};
    std::atomic<std::uint64_t> flushRequests_{0};
    // The scanned folder's device and inode when watching began.
    std::uint64_t rootDevice_ = 0;
    std::uint64_t rootInode_ = 0;
};

}  // namespace raumfuchs
