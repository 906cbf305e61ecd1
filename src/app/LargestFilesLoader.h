#pragma once

#include <QObject>
#include <cstdint>
#include <vector>

#include "app/tasks/BackgroundTasks.h"
#include "core/tree/FileTree.h"

namespace raumfuchs {

// Finds the largest files below a folder on a background thread and hands them
// to the main thread. Only the latest request counts: a load() made while a
// walk runs waits for it and replaces any request waiting before it, and
// results of earlier requests are not delivered. The walk is safe while the
// main thread detaches nodes. A delivered list is always that of the tree as it
// is on delivery: when the tree changed after the request, nothing is
// delivered (the caller loads again after every change).
class LargestFilesLoader : public QObject {
    Q_OBJECT
  public:
    static constexpr std::size_t kLimit = 200;

    explicit LargestFilesLoader(QObject* parent = nullptr) : QObject(parent) {}

    void load(const FileNode& folder);

  signals:
    // On the main thread; `files` are the largest first.
    void loaded(raumfuchs::FileNode folder, std::vector<raumfuchs::FileNode> files);

  private:
    void walkNext();

    // All main thread only.
    FileNode waiting_;                // requested while a walk runs
    std::uint64_t latestNumber_ = 0;  // of the latest request
    bool walking_ = false;
    BackgroundTasks tasks_;  // last: destroyed first, waiting for the walk under way
};

}  // namespace raumfuchs
