#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ui/SpringEasing.h"

namespace raumfuchs {
namespace {

TEST(SpringEasingTest, NavigationSpringOvershootsSlightlyAndSettles) {
    const Spring spring;  // response 0.35 s, damping fraction 0.85
    EXPECT_DOUBLE_EQ(SpringEasing::progress(0, spring), 0.0);
    double peak = 0;
    double peakTime = 0;
    for (double t = 0; t <= 1.0; t += 0.001) {
        const double p = SpringEasing::progress(t, spring);
        if (p > peak) {
            peak = p;
            peakTime = t;
        }
    }
    // Damping 0.85 overshoots by e^(-πζ/√(1-ζ²)) ≈ 0.63 %, at half the damped period.
    EXPECT_NEAR(peak, 1.0063, 0.0005);
    EXPECT_NEAR(peakTime, 0.35 / std::sqrt(1 - 0.85 * 0.85) / 2, 0.002);
    // Half-way to its target well within the response time.
    EXPECT_GT(SpringEasing::progress(0.1, spring), 0.5);

    const double settle = SpringEasing::settlingTime(spring);
    EXPECT_GT(settle, 0.35);
    EXPECT_LT(settle, 0.6);
    for (double t = settle; t < settle + 1; t += 0.01) {
        EXPECT_NEAR(SpringEasing::progress(t, spring), 1.0, 0.0011) << t;
    }
    EXPECT_EQ(SpringEasing::durationMs(), static_cast<int>(std::lround(settle * 1000)));
}

TEST(SpringEasingTest, CurveFollowsTheSpringAndEndsExactlyAtOne) {
    const QEasingCurve curve = SpringEasing::curve();
    const double settle = SpringEasing::settlingTime(Spring{});
    EXPECT_DOUBLE_EQ(curve.valueForProgress(0), 0.0);
    EXPECT_DOUBLE_EQ(curve.valueForProgress(1), 1.0);
    EXPECT_NEAR(curve.valueForProgress(0.25), SpringEasing::progress(0.25 * settle, Spring{}),
                1e-9);

    // A critically damped spring never passes its target.
    const Spring firm{0.35, 1.0};
    double previous = 0;
    for (double t = 0.005; t < 2; t += 0.005) {
        const double p = SpringEasing::progress(t, firm);
        EXPECT_GE(p, previous);
        EXPECT_LE(p, 1.0);
        previous = p;
    }
}

}  // namespace
}  // namespace raumfuchs
