#pragma once

#include <array>
#include <cstddef>

namespace raumfuchs {

// Chooses how many threads read folders, from how long folder listings take.
//
// A listing served from the cache takes microseconds: the scan waits on the
// CPU, so one thread per core. A listing that waits on a device that serves
// requests side by side (solid-state disks, the virtual disks of virtual
// machines, network shares) takes a fraction of a millisecond to a few: more
// requests in flight shorten the wait, so more threads than cores. A listing
// that waits for a disk head to seek takes several milliseconds, and requests
// from several threads make the head jump between them: one thread. The
// rotational flag of a disk does not tell these apart (virtual disks and loop
// devices report themselves rotational), so the scan starts on one thread,
// looks at the median of every kWindow listings and decides again each time.
// A listing's time is divided by the listings running at once, so a queue
// that several threads build up is not taken for a seeking disk.
// docs/PERFORMANCE.md has the measurements behind the thresholds.
class ThreadGovernor {
  public:
    static constexpr std::size_t kWindow = 16;
    // Median listing time below which the scan waits on the CPU, not a device.
    static constexpr double kCacheLatency = 0.0003;
    // Median time per listing in flight from which a disk is taken to seek.
    static constexpr double kSeekLatency = 0.003;
    static constexpr std::size_t kDeviceThreads = 8;

    // `cores`: the threads to use while the cache serves the walk.
    explicit ThreadGovernor(std::size_t cores);

    // Records one listing of `seconds` while `inFlight` listings ran (itself
    // included); at the end of a window, the thread count may change.
    void record(double seconds, std::size_t inFlight);

    // The threads to read with now, and the most the scan has used at once.
    std::size_t threads() const { return threads_; }
    std::size_t peak() const { return peak_; }
    // The most threads it will ever ask for.
    std::size_t most() const;

  private:
    const std::size_t cores_;
    std::size_t threads_ = 1;
    std::size_t peak_ = 1;
    std::array<double, kWindow> times_{};
    std::array<double, kWindow> perRequest_{};
    std::size_t filled_ = 0;
};

}  // namespace raumfuchs
