#include "core/tree/TreeBuildThread.h"

#include <cstring>
#include <new>

namespace raumfuchs {

TreeBuildThread::TreeBuildThread(std::string rootPath, std::string displayName)
    : builder_(std::move(rootPath), std::move(displayName)) {
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

void TreeBuildThread::record(Op op, std::int64_t value, std::string_view name) {
    const auto length = static_cast<std::uint32_t>(name.size());
    char head[1 + sizeof value + sizeof length];
    head[0] = static_cast<char>(op);
    std::memcpy(head + 1, &value, sizeof value);
    std::memcpy(head + 1 + sizeof value, &length, sizeof length);
    batch_.append(head, sizeof head);
    batch_.append(name);
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
        const auto op = static_cast<Op>(*p);
        std::int64_t value;
        std::uint32_t length;
        std::memcpy(&value, p + 1, sizeof value);
        std::memcpy(&length, p + 1 + sizeof value, sizeof length);
        const std::string_view name(p + 1 + sizeof value + sizeof length, length);
        p = name.data() + length;
        switch (op) {
            case Op::Open:
                builder_.openDirectory(name, value);
                break;
            case Op::File:
                builder_.addFile(name, value);
                break;
            case Op::Placeholder:
                builder_.addPlaceholder(name, false);
                break;
            case Op::OwnBytes:
                builder_.addOwnBytes(value);
                break;
            case Op::Close:
                builder_.closeDirectory(value != 0);
                break;
        }
    }
}

}  // namespace raumfuchs
