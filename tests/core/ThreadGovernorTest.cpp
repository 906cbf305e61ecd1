#include <gtest/gtest.h>

#include "core/ThreadGovernor.h"

namespace raumfuchs {
namespace {

TEST(ThreadGovernorTest, DecidesAgainOnEveryWindowOfListings) {
    ThreadGovernor governor(2);
    const auto window = [&](double seconds, std::size_t inFlight, double outlier = 0) {
        for (std::size_t i = 0; i < ThreadGovernor::kWindow; ++i) {
            governor.record(i == 3 && outlier > 0 ? outlier : seconds, inFlight);
        }
        return governor.threads();
    };
    EXPECT_EQ(governor.threads(), 1u);
    EXPECT_EQ(window(0.008, 1), 1u);          // a disk that seeks
    EXPECT_EQ(window(0.00002, 1, 0.5), 2u);   // its cache, one slow listing aside
    EXPECT_EQ(window(0.001, 2), 8u);          // a device that serves side by side
    EXPECT_EQ(window(0.00002, 8, 0.05), 2u);  // cached again
    EXPECT_EQ(window(0.012, 2), 1u);          // two in flight, 6 ms each: seeking
    EXPECT_EQ(window(0.012, 8), 8u);          // eight queued, 1.5 ms each: not seeking
    EXPECT_EQ(governor.peak(), 8u);
    EXPECT_EQ(ThreadGovernor(1).most(), 8u);
    EXPECT_EQ(ThreadGovernor(64).most(), 16u);
}

}  // namespace
}  // namespace raumfuchs
