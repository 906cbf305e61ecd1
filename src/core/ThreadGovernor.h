#pragma once

#include <array>
#include <cstddef>

namespace raumfuchs {

// Chooses how many threads read folders, from how long reading them takes.
//
// A folder served from the cache takes a few microseconds per entry: the scan
// waits on the CPU, so one thread per core. A folder that waits on a device
// takes tens of microseconds per entry to milliseconds, and how long says
// little about what helps: a virtual disk backed by network storage answers a
// request in 3–4 ms like a disk that seeks, yet serves many side by side,
// while a seeking disk serves them in turn and loses time jumping between
// them. So the scan tries: it starts on one thread, and when a window of
// kWindow folders waits on the device, it reads the next window with
// kDeviceThreads and compares the median time per entry, divided by how many
// folders were read at once (the window's summed read times over its span),
// with the median of one thread. Unless more threads at least halve it, the
// scan goes back to one thread and tries again after kRetryAfter windows, or
// after the cache has served a window. Medians, so that a few slow or fast
// folders do not decide; and while reading in parallel, where other threads'
// reads often bring in a folder's blocks, it takes half the cache latency to
// leave kDeviceThreads.
// docs/PERFORMANCE.md has the measurements behind the thresholds.
class ThreadGovernor {
  public:
    static constexpr std::size_t kWindow = 16;
    // Median time per entry below which the cache serves the walk.
    static constexpr double kCacheLatency = 0.00002;
    static constexpr std::size_t kDeviceThreads = 8;
    // More threads pay when they cut the time per entry and folder in flight by this.
    static constexpr double kParallelGain = 2;
    static constexpr std::size_t kRetryAfter = 16;

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

    const std::size_t cores_;
    std::size_t threads_ = 1;
    std::array<double, kWindow> perEntry_{};
    std::size_t filled_ = 0;
    double windowStart_ = 0;
    double windowEnd_ = 0;
    double busy_ = 0;             // the window's read times, summed
    double alone_ = 0;            // median time per entry on one thread, 0 when unknown
    std::size_t sinceTried_ = 0;  // windows on one thread since more threads did not pay
    std::array<std::size_t, 17> foldersWith_{};  // by thread count
};

}  // namespace raumfuchs
