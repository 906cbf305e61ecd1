#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/tree/TreeBuilder.h"

namespace raumfuchs {

// A TreeBuilder on a thread of its own, so that a reader can go on parsing
// while the tree grows. Calls are recorded in batches and applied in order; at
// most a few batches wait, so a fast reader waits for the tree rather than
// filling memory.
class TreeBuildThread : public TreeSink {
  public:
    // `classifier`: see TreeBuilder::setStamping; may be null.
    explicit TreeBuildThread(std::optional<std::string> displayName = std::nullopt,
                             const NameClassifier* classifier = nullptr);
    // Stops at once when finish() was not called; what was built is dropped.
    ~TreeBuildThread() override;
    TreeBuildThread(const TreeBuildThread&) = delete;
    TreeBuildThread& operator=(const TreeBuildThread&) = delete;

    void openDirectory(const TreeEntry& entry) override { record(Op::Open, entry); }
    void file(const TreeEntry& entry) override { record(Op::File, entry); }
    void placeholder(const TreeEntry& entry) override { record(Op::Placeholder, entry); }
    void leftOut(const TreeEntry&) override {}
    void closeDirectory(bool unreadable) override { record(Op::Close, number(unreadable ? 1 : 0)); }
    // See TreeBuilder::addOwnBytes.
    void addOwnBytes(std::int64_t bytes) { record(Op::OwnBytes, number(bytes)); }
    // See TreeBuilder::setStamping; before the first entry.
    void setAgeReference(std::int64_t seconds) { record(Op::AgeReference, number(seconds)); }

    // Waits until every call is applied and hands the tree over (see
    // TreeBuilder::finish). Throws std::bad_alloc when building ran out of memory.
    std::shared_ptr<FileTree> finish();
    // After finish(): see TreeBuilder::unreadableCount.
    std::int64_t unreadableCount() const { return builder_.unreadableCount(); }

  private:
    enum class Op : char { Open, File, Placeholder, OwnBytes, Close, AgeReference };
    static constexpr std::size_t kBatch = 64 * 1024;
    static constexpr std::size_t kWaiting = 4;

    // Of `entry`, what the builder uses: kind, allocated bytes, the hard
    // link's device and inode, the change time, the name.
    void record(Op op, const TreeEntry& entry);
    // An entry that carries only a number, in `allocated`.
    static TreeEntry number(std::int64_t value) {
        TreeEntry entry;
        entry.allocated = value;
        return entry;
    }
    void handOver();
    void run();
    void apply(const std::string& batch);

    TreeBuilder builder_;
    const NameClassifier* classifier_;
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
