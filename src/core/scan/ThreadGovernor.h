#pragma once

#include <array>
#include <cstddef>

namespace raumfuchs {

// Chooses how many threads read folders, from how long reading them takes.
//
// A folder served from the cache takes a microsecond or two per entry: the
// scan waits on the CPU, so one thread per core. A device that answers fast
// (a few microseconds more per entry, the inode tables read in long runs)
// keeps the cores busy with the kernel's work most of the time, and two
// threads per core fill the gaps its waits leave. A slower device takes tens
// of microseconds per entry to milliseconds, and how long says little about
// what helps: a virtual disk answers a request in 3–4 ms like a disk that
// seeks, yet serves many side by side, while a seeking disk serves them in
// turn and loses time jumping between them. So there the scan tries.
//
// At the end of each window of kWindow folders it takes the median time per
// entry, per core when more threads than cores read: below kCacheLatency the
// cache serves, below kFastDeviceLatency a fast device does, and both get
// their count at once. Above, it reads with each candidate count in turn (one
// thread, one per core, two per core and kDeviceThreads, as far as they
// differ), kTrial rounds, each count for a window to settle and a window
// measured, and compares the entries read per second. It keeps the fastest
// count, where reading in parallel must beat one thread by kParallelGain and
// more threads must beat fewer by kMoreGain, and tries again after kRetryAfter
// windows, twice as long each time the choice stays, up to kRetryMost. After
// a stretch of cached or fast windows, the trials go on where they stopped,
// or the count kept returns: a tree mixes folders of every kind, and starting
// afresh each time would spend most of the walk on trials.
// docs/PERFORMANCE.md has the measurements behind the thresholds.
class ThreadGovernor {
  public:
    static constexpr std::size_t kWindow = 16;
    static constexpr double kCacheLatency = 0.000005;
    static constexpr double kFastDeviceLatency = 0.00002;
    static constexpr std::size_t kDeviceThreads = 8;
    static constexpr std::size_t kTrial = 2;
    static constexpr double kParallelGain = 1.3;
    static constexpr double kMoreGain = 1.05;
    static constexpr std::size_t kRetryAfter = 16;
    static constexpr std::size_t kRetryMost = 256;

    // `cores`: the threads to use while the cache serves the walk.
    explicit ThreadGovernor(std::size_t cores);

    // Records one folder of `entries`, read from `start` to `end` (seconds on
    // a steady clock); at the end of a window, the thread count may change.
    void record(double start, double end, std::size_t entries);

    // The threads to read with now.
    std::size_t threads() const { return threads_; }
    // The thread count most folders so far were read with.
    std::size_t usual() const;
    // The most threads it will ever ask for.
    std::size_t most() const;

  private:
    void decide();
    // Ends a window of the trials; after the last, keeps the fastest count.
    void trial(double rate);
    std::size_t trialWindows() const { return 2 * kTrial * candidates_; }
    // The candidate the current window of the trials reads with.
    std::size_t trialCount() const { return counts_[step_ / 2 % candidates_]; }

    const std::size_t cores_;
    std::array<std::size_t, 4> counts_{};  // the candidates, ascending
    std::size_t candidates_ = 0;
    std::size_t threads_ = 1;
    std::array<double, kWindow> perEntry_{};
    std::size_t filled_ = 0;
    double windowStart_ = 0;
    double windowEnd_ = 0;
    double entries_ = 0;  // in the window, each folder counted as one more
    bool onDevice_ = false;
    std::size_t step_ = 0;  // windows of the trials done
    std::array<double, 4> rates_{};
    std::size_t chosen_ = 0;  // the count kept, 0 before the first trials
    std::size_t kept_ = 0;    // windows since then
    std::size_t retryAfter_ = kRetryAfter;
    std::array<std::size_t, 17> foldersWith_{};  // by thread count
};

}  // namespace raumfuchs
