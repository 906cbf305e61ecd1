#include "core/ThreadGovernor.h"

#include <algorithm>

namespace raumfuchs {

namespace {

double median(std::array<double, ThreadGovernor::kWindow> values) {
    auto middle = values.begin() + values.size() / 2;
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

}  // namespace

ThreadGovernor::ThreadGovernor(std::size_t cores) : cores_(std::clamp<std::size_t>(cores, 1, 16)) {}

std::size_t ThreadGovernor::most() const {
    return std::max(cores_, kDeviceThreads);
}

std::size_t ThreadGovernor::usual() const {
    return static_cast<std::size_t>(std::max_element(foldersWith_.begin(), foldersWith_.end()) -
                                    foldersWith_.begin());
}

void ThreadGovernor::record(double start, double end, std::size_t entries) {
    ++foldersWith_[threads_];
    perEntry_[filled_] = (end - start) / static_cast<double>(entries + 1);
    windowStart_ = filled_ == 0 ? start : std::min(windowStart_, start);
    windowEnd_ = filled_ == 0 ? end : std::max(windowEnd_, end);
    busy_ = (filled_ == 0 ? 0 : busy_) + (end - start);
    if (++filled_ == kWindow) {
        filled_ = 0;
        decide();
    }
}

void ThreadGovernor::decide() {
    const double time = median(perEntry_);
    // How many folders were being read at once, on average over the window.
    const double span = windowEnd_ - windowStart_;
    const double side = span > 0 ? std::max(1.0, busy_ / span) : 1.0;
    if (time < (threads_ == most() ? kCacheLatency / 2 : kCacheLatency)) {
        threads_ = cores_;
        alone_ = 0;
        sinceTried_ = 0;
    } else if (threads_ == 1) {
        alone_ = time;
        const bool retry = sinceTried_ == 0 || ++sinceTried_ > kRetryAfter;
        threads_ = retry ? most() : 1;
    } else if (alone_ == 0) {
        threads_ = 1;  // to learn what one thread takes
    } else if (time / side * kParallelGain > alone_) {
        threads_ = 1;
        sinceTried_ = 1;
    } else {
        threads_ = most();
        sinceTried_ = 0;
    }
}

}  // namespace raumfuchs
