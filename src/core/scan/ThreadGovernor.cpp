#include "core/scan/ThreadGovernor.h"

#include <algorithm>

namespace raumfuchs {

namespace {

double median(std::array<double, ThreadGovernor::kWindow> values) {
    auto middle = values.begin() + values.size() / 2;
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

}  // namespace

ThreadGovernor::ThreadGovernor(std::size_t cores) : cores_(std::clamp<std::size_t>(cores, 1, 16)) {
    counts_[candidates_++] = 1;
    for (const std::size_t count : {cores_, 2 * cores_, most()}) {
        if (count > counts_[candidates_ - 1] && count <= most()) {
            counts_[candidates_++] = count;
        }
    }
}

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
    entries_ = (filled_ == 0 ? 0 : entries_) + static_cast<double>(entries + 1);
    if (++filled_ == kWindow) {
        filled_ = 0;
        decide();
    }
}

void ThreadGovernor::decide() {
    // Where more threads than cores read, each folder waits for a core too.
    const double perCore = median(perEntry_) * std::min(1.0, static_cast<double>(cores_) /
                                                                 static_cast<double>(threads_));
    if (perCore < kFastDeviceLatency) {
        threads_ = perCore < kCacheLatency ? cores_ : std::min(2 * cores_, most());
        onDevice_ = false;
        return;
    }
    if (!onDevice_) {
        // Back on the device: the trials carry on, or the count kept stays.
        onDevice_ = true;
        if (step_ < trialWindows()) {
            step_ -= step_ % 2;  // settle again before measuring
            threads_ = trialCount();
        } else {
            threads_ = chosen_;
        }
        return;
    }
    if (step_ < trialWindows()) {
        const double span = windowEnd_ - windowStart_;
        trial(span > 0 ? entries_ / span : 0);
    } else if (++kept_ >= retryAfter_) {
        step_ = 0;
        rates_ = {};
        threads_ = counts_[0];
    }
}

void ThreadGovernor::trial(double rate) {
    // Each candidate in turn: a window to settle, then one measured.
    if (step_ % 2 == 1) {
        rates_[step_ / 2 % candidates_] += rate;
    }
    if (++step_ < trialWindows()) {
        threads_ = trialCount();
        return;
    }
    std::size_t best = 0;
    for (std::size_t i = 1; i < candidates_; ++i) {
        if (rates_[i] >= rates_[best] * (best == 0 ? kParallelGain : kMoreGain)) {
            best = i;
        }
    }
    retryAfter_ = counts_[best] == chosen_ ? std::min(retryAfter_ * 2, kRetryMost) : kRetryAfter;
    chosen_ = counts_[best];
    threads_ = chosen_;
    kept_ = 0;
}

}  // namespace raumfuchs
