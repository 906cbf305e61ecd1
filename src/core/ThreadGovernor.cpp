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

void ThreadGovernor::record(double seconds, std::size_t inFlight) {
    times_[filled_] = seconds;
    perRequest_[filled_] = seconds / static_cast<double>(std::max<std::size_t>(inFlight, 1));
    if (++filled_ < kWindow) {
        return;
    }
    filled_ = 0;
    if (median(perRequest_) >= kSeekLatency) {
        threads_ = 1;
    } else if (median(times_) < kCacheLatency) {
        threads_ = cores_;
    } else {
        threads_ = most();
    }
    peak_ = std::max(peak_, threads_);
}

}  // namespace raumfuchs
