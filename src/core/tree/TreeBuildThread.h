#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/tree/TreeBuilder.h"

namespace raumfuchs {

// Runs a TreeBuilder's calls on a thread of its own, so that a reader can go
// on parsing while the tree grows. Calls are recorded in batches and applied
// in order; at most a few batches wait, so a fast reader waits for the tree
// rather than filling memory.
class TreeBuildThread {
  public:
    TreeBuildThread(std::string rootPath, std::string displayName);
    // Stops at once when finish() was not called; what was built is dropped.
    ~TreeBuildThread();
    TreeBuildThread(const TreeBuildThread&) = delete;
    TreeBuildThread& operator=(const TreeBuildThread&) = delete;

    void openDirectory(std::string_view name, std::int64_t ownBytes) {
        record(Op::Open, ownBytes, name);
    }
    void addFile(std::string_view name, std::int64_t bytes) { record(Op::File, bytes, name); }
    void addPlaceholder(std::string_view name) { record(Op::Placeholder, 0, name); }
    void addOwnBytes(std::int64_t bytes) { record(Op::OwnBytes, bytes, {}); }
    void closeDirectory(bool unreadable) { record(Op::Close, unreadable ? 1 : 0, {}); }

    // Waits until every call is applied and hands the tree over (see
    // TreeBuilder::finish). Throws std::bad_alloc when building ran out of memory.
    std::shared_ptr<FileTree> finish();

  private:
    enum class Op : char { Open, File, Placeholder, OwnBytes, Close };
    static constexpr std::size_t kBatch = 64 * 1024;
    static constexpr std::size_t kWaiting = 4;

    void record(Op op, std::int64_t value, std::string_view name);
    void handOver();
    void run();
    void apply(const std::string& batch);

    TreeBuilder builder_;
    std::string batch_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> queue_;
    std::vector<std::string> spare_;
    bool closing_ = false;
    bool stop_ = false;
    bool outOfMemory_ = false;
    std::thread thread_;
};

}  // namespace raumfuchs
