#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/watch/WatchSource.h"

namespace raumfuchs {

// Events of single folders through inotify, one watch per folder, up to a
// budget (see inotifyBudget()). Folders made or moved in later are watched
// as soon as their event is read, with the folders they already hold, before
// they are read, so nothing made in them meanwhile goes unseen; watches of
// folders moved within the scanned one follow them, those of folders moved
// out or removed go.
class InotifySource : public WatchSource {
  public:
    // Watches `folders` (tree paths) in the order given, as many as `budget`
    // allows; `total` is the tree's count of folders, so that those left
    // without a watch can be told. Nothing when inotify cannot be used.
    static std::unique_ptr<InotifySource> open(const RootPaths& root,
                                               const std::vector<std::string>& folders,
                                               std::size_t total, std::size_t budget);
    ~InotifySource() override;
    InotifySource(const InotifySource&) = delete;
    InotifySource& operator=(const InotifySource&) = delete;

    int fd() const override { return fd_; }
    void read(ChangeSet& changes) override;
    WatchCoverage coverage() const override;

  private:
    InotifySource(int fd, std::string root, std::size_t budget);
    // One watch; false past the budget or when the folder is gone.
    bool add(const std::string& path);
    // A folder that came, and every folder it holds by now.
    void addWithin(const std::string& path);
    // The watches of `path` and every folder below it.
    void forget(const std::string& path);
    void move(const std::string& from, const std::string& to);

    int fd_;
    std::string root_;
    std::size_t budget_;
    std::size_t unfollowed_ = 0;
    std::unordered_map<int, std::string> paths_;  // watch → folder
    std::map<std::string, int> watches_;  // folder → watch, sorted: a folder's own follow it
};

}  // namespace raumfuchs
