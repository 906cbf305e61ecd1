#include "core/tree/TreeBuildThread.h"

#include <cstring>
#include <new>

namespace raumfuchs {

namespace {

// Flags of a record.
constexpr char kHardLink = 1;
constexpr char kMtime = 2;

}  // namespace

TreeBuildThread::TreeBuildThread(std::optional<std::string> displayName,
                                 const NameClassifier* classifier)
    : builder_(std::move(displayName)), classifier_(classifier) {
    builder_.setStamping(classifier_, 0);
    batch_.reserve(kBatch + 512);
    thread_ = std::thread([this] { run(); });
}

TreeBuildThread::~TreeBuildThread() {
    if (!thread_.joinable()) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

// A record: the op, the kind, flags for what follows (a hard link's device and
// inode, the change time), the allocated bytes, the name's length, then the
// device and inode, the change time and the name.
void TreeBuildThread::record(Op op, const TreeEntry& entry) {
    const auto length = static_cast<std::uint32_t>(entry.name.size());
    char head[3 + sizeof entry.allocated + sizeof length + 2 * sizeof(std::uint64_t) +
              sizeof entry.mtime];
    head[0] = static_cast<char>(op);
    head[1] = static_cast<char>(entry.kind);
    head[2] = static_cast<char>((entry.hardLink ? kHardLink : 0) | (entry.hasMtime ? kMtime : 0));
    char* p = head + 3;
    std::memcpy(p, &entry.allocated, sizeof entry.allocated);
    p += sizeof entry.allocated;
    std::memcpy(p, &length, sizeof length);
    p += sizeof length;
    if (entry.hardLink) {
        std::memcpy(p, &entry.device, sizeof entry.device);
        std::memcpy(p + sizeof entry.device, &entry.inode, sizeof entry.inode);
        p += sizeof entry.device + sizeof entry.inode;
    }
    if (entry.hasMtime) {
        std::memcpy(p, &entry.mtime, sizeof entry.mtime);
        p += sizeof entry.mtime;
    }
    batch_.append(head, static_cast<std::size_t>(p - head));
    batch_.append(entry.name);
    if (batch_.size() >= kBatch) {
        handOver();
    }
}

void TreeBuildThread::handOver() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queue_.size() < kWaiting || outOfMemory_; });
    if (outOfMemory_) {
        throw std::bad_alloc();
    }
    queue_.push_back(std::move(batch_));
    if (!spare_.empty()) {
        batch_ = std::move(spare_.back());
        spare_.pop_back();
    }
    batch_.clear();
    lock.unlock();
    changed_.notify_all();
}

std::shared_ptr<FileTree> TreeBuildThread::finish() {
    handOver();
    std::unique_lock lock(mutex_);
    closing_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return queue_.empty() || outOfMemory_; });
    if (outOfMemory_) {
        throw std::bad_alloc();
    }
    stop_ = true;
    changed_.notify_all();
    lock.unlock();
    thread_.join();
    return builder_.finish();
}

void TreeBuildThread::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !queue_.empty() || stop_; });
        if (stop_ && (queue_.empty() || !closing_)) {
            return;
        }
        std::string batch = std::move(queue_.front());
        lock.unlock();
        bool ok = true;
        try {
            apply(batch);
        } catch (const std::bad_alloc&) {
            ok = false;
        }
        lock.lock();
        queue_.pop_front();
        spare_.push_back(std::move(batch));
        outOfMemory_ = outOfMemory_ || !ok;
        changed_.notify_all();
        if (!ok) {
            return;
        }
    }
}

void TreeBuildThread::apply(const std::string& batch) {
    const char* p = batch.data();
    const char* const end = p + batch.size();
    while (p < end) {
        const auto op = static_cast<Op>(p[0]);
        TreeEntry entry;
        entry.kind = static_cast<EntryKind>(p[1]);
        entry.hardLink = (p[2] & kHardLink) != 0;
        entry.hasMtime = (p[2] & kMtime) != 0;
        p += 3;
        std::uint32_t length;
        std::memcpy(&entry.allocated, p, sizeof entry.allocated);
        p += sizeof entry.allocated;
        std::memcpy(&length, p, sizeof length);
        p += sizeof length;
        if (entry.hardLink) {
            std::memcpy(&entry.device, p, sizeof entry.device);
            std::memcpy(&entry.inode, p + sizeof entry.device, sizeof entry.inode);
            p += sizeof entry.device + sizeof entry.inode;
        }
        if (entry.hasMtime) {
            std::memcpy(&entry.mtime, p, sizeof entry.mtime);
            p += sizeof entry.mtime;
        }
        entry.name = std::string_view(p, length);
        p += length;
        switch (op) {
            case Op::Open:
                builder_.openDirectory(entry);
                break;
            case Op::File:
                builder_.file(entry);
                break;
            case Op::Placeholder:
                builder_.placeholder(entry);
                break;
            case Op::OwnBytes:
                builder_.addOwnBytes(entry.allocated);
                break;
            case Op::Close:
                builder_.closeDirectory(entry.allocated != 0);
                break;
            case Op::AgeReference:
                builder_.setStamping(classifier_, entry.allocated);
                break;
        }
    }
}

}  // namespace raumfuchs
