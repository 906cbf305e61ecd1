#include <gtest/gtest.h>

#include "core/ThreadGovernor.h"

namespace raumfuchs {
namespace {

TEST(ThreadGovernorTest, DecidesAgainOnEveryWindowOfFolders) {
    ThreadGovernor governor(2);
    double now = 0;
    // A window of folders of 99 entries, each read in `seconds`, `side` at a
    // time; the folder at index 3 may take `outlier` instead.
    const auto window = [&](double seconds, std::size_t side, double outlier = 0) {
        for (std::size_t i = 0; i < ThreadGovernor::kWindow; i += side) {
            for (std::size_t j = i; j < i + side; ++j) {
                governor.record(now, now + (j == 3 && outlier > 0 ? outlier : seconds), 99);
            }
            now += seconds;
        }
        return governor.threads();
    };
    EXPECT_EQ(governor.threads(), 1u);
    // A disk that seeks: 8 ms a folder on one thread, no faster on eight.
    EXPECT_EQ(window(0.008, 1), 8u);
    EXPECT_EQ(window(0.064, 8), 1u);
    for (std::size_t i = 1; i < ThreadGovernor::kRetryAfter; ++i) {
        EXPECT_EQ(window(0.008, 1), 1u) << i;
    }
    EXPECT_EQ(window(0.008, 1), 8u) << "tries again";
    // A device that serves eight folders in the time of one.
    EXPECT_EQ(window(0.004, 8), 8u);
    EXPECT_EQ(window(0.004, 8, 0.0001), 8u);
    // The cache: one thread per core, whatever one slow folder takes.
    EXPECT_EQ(window(0.0003, 2, 0.5), 2u);
    EXPECT_EQ(window(0.0003, 2), 2u);
    // The device again: one thread's pace first, then eight.
    EXPECT_EQ(window(0.004, 2), 1u);
    EXPECT_EQ(window(0.004, 1), 8u);
    EXPECT_EQ(governor.usual(), 1u);
    EXPECT_EQ(ThreadGovernor(1).most(), 8u);
    EXPECT_EQ(ThreadGovernor(64).most(), 16u);
}

}  // namespace
}  // namespace raumfuchs
