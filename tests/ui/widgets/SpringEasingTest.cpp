#include <gtest/gtest.h>

#include <cmath>

#include "ui/widgets/SpringEasing.h"

namespace raumfuchs {
namespace {

TEST(SpringEasingTest, NavigationSpringOvershootsSlightlyAndSettles) {
    const Spring spring;  // response 0.35 s, damping fraction 0.85
    double peak = 0;
    double peakTime = 0;
    for (double t = 0; t <= 1.0; t += 0.001) {
        if (const double p = SpringEasing::progress(t, spring); p > peak) {
            peak = p;
            peakTime = t;
        }
    }
    // Damping 0.85 overshoots by e^(-πζ/√(1-ζ²)) ≈ 0.63 %, at half the damped period.
    EXPECT_NEAR(peak, 1.0063, 0.0005);
    EXPECT_NEAR(peakTime, 0.35 / std::sqrt(1 - 0.85 * 0.85) / 2, 0.002);
    EXPECT_GT(SpringEasing::progress(0.1, spring), 0.5);

    const double settle = SpringEasing::settlingTime(spring);
    EXPECT_GT(settle, 0.35);
    EXPECT_LT(settle, 0.6);
    for (double t = settle; t < settle + 1; t += 0.01) {
        EXPECT_NEAR(SpringEasing::progress(t, spring), 1.0, 0.0011) << t;
    }
    const QEasingCurve curve = SpringEasing::curve();
    EXPECT_DOUBLE_EQ(curve.valueForProgress(0), 0.0);
    EXPECT_DOUBLE_EQ(curve.valueForProgress(1), 1.0);  // exactly, despite the overshoot
    EXPECT_NEAR(curve.valueForProgress(0.25), SpringEasing::progress(0.25 * settle, spring), 1e-9);
}

}  // namespace
}  // namespace raumfuchs
