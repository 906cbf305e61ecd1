#include "core/WorkerPool.h"

#include <algorithm>

namespace raumfuchs {

WorkerPool::WorkerPool(std::size_t threads) {
    for (std::size_t i = 1; i < threads; ++i) {
        workers_.emplace_back([this] { workerLoop(); });
    }
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

void WorkerPool::runSlices(const Work& work, std::size_t count, std::size_t grain) {
    for (;;) {
        const std::size_t begin = next_.fetch_add(grain, std::memory_order_relaxed);
        if (begin >= count) {
            return;
        }
        const std::size_t end = std::min(count, begin + grain);
        work(begin, end);
        if (completed_.fetch_add(end - begin, std::memory_order_acq_rel) + (end - begin) == count) {
            std::lock_guard lock(mutex_);
            done_.notify_all();
        }
    }
}

void WorkerPool::parallelFor(std::size_t count, std::size_t grain, const Work& work) {
    if (count == 0) {
        return;
    }
    grain = std::max<std::size_t>(grain, 1);
    if (workers_.empty() || count <= grain) {
        work(0, count);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        work_ = &work;
        count_ = count;
        grain_ = grain;
        next_.store(0, std::memory_order_relaxed);
        completed_.store(0, std::memory_order_relaxed);
        ++generation_;
    }
    wake_.notify_all();
    runSlices(work, count, grain);
    std::unique_lock lock(mutex_);
    done_.wait(lock,
               [&] { return completed_.load(std::memory_order_acquire) == count && busy_ == 0; });
    work_ = nullptr;
}

void WorkerPool::workerLoop() {
    std::uint64_t seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || (generation_ != seen && work_ != nullptr); });
        if (stopping_) {
            return;
        }
        seen = generation_;
        const Work* work = work_;
        const std::size_t count = count_;
        const std::size_t grain = grain_;
        ++busy_;
        lock.unlock();
        runSlices(*work, count, grain);
        lock.lock();
        if (--busy_ == 0) {
            done_.notify_all();
        }
    }
}

}  // namespace raumfuchs
