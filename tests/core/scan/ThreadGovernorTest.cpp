#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "core/scan/ThreadGovernor.h"

namespace raumfuchs {
namespace {

// Feeds a governor for two cores folders of 99 entries from a device model:
// the seconds a folder takes while `n` are read at once.
class Device {
  public:
    using Model = std::function<double(std::size_t n)>;

    // Reads `windows` windows; gives the folders read with each thread count.
    std::map<std::size_t, std::size_t> read(const Model& seconds, std::size_t windows) {
        std::map<std::size_t, std::size_t> folders;
        for (std::size_t w = 0; w < windows; ++w) {
            const std::size_t n = governor.threads();
            for (std::size_t i = 0; i < ThreadGovernor::kWindow; i += n) {
                const double took = seconds(n);
                for (std::size_t j = 0; j < n; ++j) {
                    governor.record(now, now + took, 99);
                }
                now += took;
                folders[n] += n;
            }
        }
        return folders;
    }

    ThreadGovernor governor{2};
    double now = 0;
};

TEST(ThreadGovernorTest, KeepsTheThreadCountThatReadsFastest) {
    // A disk that seeks serves one folder at a time, and more slowly when
    // asked for several.
    const Device::Model seeking = [](std::size_t n) { return 0.008 * n * (n > 1 ? 1.2 : 1); };
    // A virtual disk answers as slowly, yet serves eight side by side.
    const Device::Model virtualDisk = [](std::size_t) { return 0.008; };
    // A device whose slow answers still keep the two cores busy with the
    // kernel's work.
    const Device::Model busy = [](std::size_t n) { return 0.004 * std::max(1.0, n / 2.0); };
    // A device that answers fast, 9 µs an entry per core whatever the count.
    const Device::Model quick = [](std::size_t n) { return 0.0009 * std::max(1.0, n / 2.0); };
    // The cold test image: the device waits a little, the kernel's work keeps
    // two cores busy, and four threads fill the gaps (rates measured).
    const Device::Model image = [](std::size_t n) {
        return 0.004 * n /
               std::map<std::size_t, double>{{1, 1}, {2, 1.66}, {4, 1.83}, {8, 1.56}}.at(n);
    };
    const Device::Model cache = [](std::size_t) { return 0.0003; };

    const auto foldersOn = [](const Device::Model& model, std::size_t threads) {
        return Device().read(model, 400)[threads] / (400.0 * ThreadGovernor::kWindow);
    };
    // Tried now and then, at growing intervals: most folders on one thread.
    EXPECT_GT(foldersOn(seeking, 1), 0.8);
    EXPECT_GT(foldersOn(virtualDisk, 8), 0.75);
    EXPECT_GT(foldersOn(busy, 2), 0.75) << "more threads than cores do not pay";
    EXPECT_GT(foldersOn(quick, 4), 0.99) << "two per core at once, no trials";
    EXPECT_GT(foldersOn(image, 4), 0.75);

    // The cache: one thread per core from the next window on; back on the
    // device, the count kept before. A device that changes is found by the
    // next trials.
    Device device;
    device.read(virtualDisk, 100);
    EXPECT_EQ(device.governor.usual(), 8u);
    EXPECT_EQ(device.read(cache, 1)[8], ThreadGovernor::kWindow);
    EXPECT_EQ(device.read(cache, 1)[2], ThreadGovernor::kWindow);
    device.read(quick, 1);
    EXPECT_EQ(device.read(cache, 1)[4], ThreadGovernor::kWindow);
    EXPECT_EQ(device.governor.threads(), 2u) << "the cache read by four threads, per core";
    device.read(virtualDisk, 1);
    EXPECT_EQ(device.governor.threads(), 8u);
    device.read(seeking, ThreadGovernor::kRetryMost + 2 * ThreadGovernor::kTrial * 4 + 1);
    EXPECT_EQ(device.governor.threads(), 1u);

    EXPECT_EQ(ThreadGovernor(1).most(), 8u);
    EXPECT_EQ(ThreadGovernor(64).most(), 16u);
}

}  // namespace
}  // namespace raumfuchs
