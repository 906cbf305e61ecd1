#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace raumfuchs {

// A fixed set of threads that help the calling thread through one loop at a
// time. parallelFor() returns only when every item is done and no worker still
// touches the loop, so the work may refer to the caller's local state.
class WorkerPool {
  public:
    using Work = std::function<void(std::size_t begin, std::size_t end)>;

    // `threads` counts the calling thread: 1 means no workers at all.
    explicit WorkerPool(std::size_t threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    std::size_t threads() const { return workers_.size() + 1; }

    // Runs work over [0, count) in slices of at most `grain` items.
    void parallelFor(std::size_t count, std::size_t grain, const Work& work);

  private:
    void workerLoop();
    void runSlices(const Work& work, std::size_t count, std::size_t grain);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::uint64_t generation_ = 0;
    bool stopping_ = false;
    const Work* work_ = nullptr;
    std::size_t count_ = 0;
    std::size_t grain_ = 1;
    std::size_t busy_ = 0;  // workers inside the current loop
    std::atomic<std::size_t> next_{0};
    std::atomic<std::size_t> completed_{0};
    std::vector<std::thread> workers_;
};

}  // namespace raumfuchs
