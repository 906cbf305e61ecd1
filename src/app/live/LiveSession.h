#pragma once

#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/tasks/BackgroundTasks.h"
#include "core/scan/CancelToken.h"
#include "core/scan/EnteredMount.h"
#include "core/tree/FileTree.h"
#include "core/watch/ChangeBatch.h"
#include "core/watch/WatchLoop.h"
#include "core/watch/WatchSource.h"

namespace raumfuchs {

// What the shown tree's following is at.
struct LiveStatus {
    enum class State {
        Off,          // nothing followed: no scanned tree, an imported one, or switched off
        Starting,     // the watcher sets up its marks or watches
        Following,    // changes on disk go into the tree
        Lost,         // the scanned folder is gone: the tree stays as it was
        Unavailable,  // neither fanotify nor inotify could be used
    };
    State state = State::Off;
    WatchCoverage coverage;
    // Changes are being read or put in.
    bool applying = false;
    friend bool operator==(const LiveStatus&, const LiveStatus&) = default;
};

// Follows the scanned tree on disk while it is shown. A watcher (WatchLoop
// over fanotify or inotify) runs on a thread of its own and names the folders
// that changed, gathered for a second; the folders are read again as a
// ChangeBatch on another thread, one batch at a time and no sooner than a
// second after the one before, so a folder is read at most once a second
// however many events it has; the model puts each batch into the tree in one
// change on the main thread. Changes wait while a folder refresh runs, since
// a change of the tree would make it start over. Lives on the main thread.
class LiveSession {
  public:
    struct Handlers {
        // Puts a batch read for the tree as it is into it, before it returns.
        std::function<void(ChangeBatch)> apply;
        // Events were lost: the shown folder is to be read again whole.
        std::function<void()> overflow;
        // The scanned folder is gone; following has stopped.
        std::function<void()> lost;
        // status() changed.
        std::function<void()> changed;
        // A folder refresh runs: changes wait for it (see resume()).
        std::function<bool()> busy;
    };

    explicit LiveSession(Handlers handlers);
    ~LiveSession();
    LiveSession(const LiveSession&) = delete;
    LiveSession& operator=(const LiveSession&) = delete;

    // Follows the tree of `root`, scanned at `scanRoot` through `mounts`
    // (ScanResult::enteredMounts), in place of what was followed; inotify
    // watches the subtree of `shown` first. Starts only while enabled.
    void follow(const FileNode& root, const FileNode& shown, const std::string& scanRoot,
                std::vector<EnteredMount> mounts);
    // Follows nothing any more.
    void stop();
    // Switched off, the watcher stops; switched on again, it starts over on
    // the tree it had, and the shown folder is read again (the overflow
    // handler), since what changed meanwhile is not known.
    void setEnabled(bool enabled, const FileNode& shown);
    bool isEnabled() const { return enabled_; }
    // A folder refresh ended: the changes that waited for it go in.
    void resume();
    // Runs `done` on the main thread once everything the watcher was told of
    // up to now is in the tree, without waiting out the gathering time; at
    // once when nothing is followed.
    void whenQuiet(std::function<void()> done);

    const LiveStatus& status() const { return status_; }

  private:
    class Watcher;
    void start(const FileNode& shown);
    void halt();
    void onNews(std::uint64_t session, WatchNews news);
    void schedule();
    void readBatch();
    void onBatch(std::uint64_t session, std::vector<FolderChange> changes, std::uint64_t generation,
                 std::optional<ChangeBatch> batch);
    void keep(std::vector<FolderChange> changes);
    void callQuietWaiters();
    void setStatus(LiveStatus status);

    Handlers handlers_;
    // Off until the program switches it on, from its remembered setting.
    bool enabled_ = false;
    FileNode root_;
    std::string scanRoot_;
    std::vector<EnteredMount> mounts_;
    // Bumped whenever following starts or stops: news and batches of an
    // earlier session are dropped.
    std::uint64_t session_ = 0;
    std::shared_ptr<Watcher> watcher_;
    std::shared_ptr<CancelToken> token_;                     // of the session's batches
    std::unordered_map<std::string, FolderChange> pending_;  // named, not yet read
    bool reading_ = false;
    std::chrono::steady_clock::time_point lastStart_;
    QTimer throttle_;
    std::unordered_map<FileId, std::uint64_t> searched_;
    std::uint64_t flushAsked_ = 0;
    std::uint64_t flushSeen_ = 0;
    std::vector<std::pair<std::uint64_t, std::function<void()>>> waiters_;
    LiveStatus status_;
    // Last, so that it is destroyed first: its posted hand-offs name this
    // session's members.
    BackgroundTasks tasks_;
};

}  // namespace raumfuchs
