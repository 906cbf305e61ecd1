#pragma once

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "core/FileTree.h"

namespace raumfuchs {

// Finds the largest files below a folder on a worker thread and hands them to
// the main thread. Only the latest request counts: a load() made while another
// is waiting replaces it, and results of earlier requests are not delivered.
// The walk is safe while the main thread detaches nodes. A delivered list is
// always that of the tree as it is on delivery: when the tree changed after the
// request, nothing is delivered (the caller loads again after every change).
class LargestFilesLoader : public QObject {
    Q_OBJECT
  public:
    static constexpr std::size_t kLimit = 200;

    explicit LargestFilesLoader(QObject* parent = nullptr);
    ~LargestFilesLoader() override;

    void load(const FileNode& folder);

  signals:
    // On the main thread; `files` are the largest first.
    void loaded(raumfuchs::FileNode folder, std::vector<raumfuchs::FileNode> files);

  private:
    void work();

    std::mutex mutex_;
    std::condition_variable wake_;
    FileNode request_;                 // waiting to be walked; guarded by mutex_
    std::uint64_t requestNumber_ = 0;  // guarded by mutex_
    bool stopping_ = false;            // guarded by mutex_
    std::uint64_t latestNumber_ = 0;   // main thread only
    std::thread worker_;
};

}  // namespace raumfuchs
