#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/tasks/BackgroundTasks.h"
#include "core/scan/DiskScanner.h"
#include "core/scan/FolderRescan.h"
#include "core/tree/FileTree.h"

namespace raumfuchs {

// Folders of the shown tree scanned again in place, each on a background
// thread, while the tree stays on screen. A second refresh of a folder
// replaces the first. A refresh whose tree changed before its result could be
// put in (a trash, another refresh) starts over: its scan may have met what
// the change took away. Lives on the main thread.
class RefreshSession {
  public:
    // A finished rescan of `folder`, made for the tree as it is now; the
    // receiver splices it in before it returns.
    using ResultHandler = std::function<void(const FileNode& folder, FolderRescan rescan)>;
    // The set of folders being refreshed changed.
    using ChangeHandler = std::function<void()>;

    RefreshSession(ResultHandler onResult, ChangeHandler onChange, ScanSetup setup = {});
    ~RefreshSession();
    RefreshSession(const RefreshSession&) = delete;
    RefreshSession& operator=(const RefreshSession&) = delete;

    // Scans `folder` again, the way its tree was scanned from `scanRoot`.
    void start(const FileNode& folder, const std::string& scanRoot);
    // Every refresh under way stops at its next checkpoint; none is put in.
    void cancelAll();
    bool isRefreshing(const FileNode& folder) const;
    // The folders being refreshed, oldest request first.
    std::vector<FileNode> folders() const;
    // Threads that have not yet handed over their result, wanted or not.
    std::size_t inFlight() const { return tasks_.running(); }

  private:
    struct Job {
        FileNode folder;
        std::string scanRoot;
        std::shared_ptr<CancelToken> token;
    };
    void launch(const FileNode& folder, const std::string& scanRoot);
    void deliver(const std::shared_ptr<CancelToken>& token, std::uint64_t generation,
                 std::optional<FolderRescan> rescan);

    ResultHandler onResult_;
    ChangeHandler onChange_;
    ScanSetup setup_;
    std::vector<Job> jobs_;
    // Last, so that it is destroyed first: its posted hand-offs name this
    // session's members.
    BackgroundTasks tasks_;
};

}  // namespace raumfuchs
