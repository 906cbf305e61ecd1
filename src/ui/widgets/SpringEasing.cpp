#include "ui/widgets/SpringEasing.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace raumfuchs::SpringEasing {

namespace {

constexpr double kTolerance = 0.001;

}  // namespace

double progress(double seconds, const Spring& spring) {
    if (seconds <= 0) {
        return 0;
    }
    const double omega = 2 * std::numbers::pi / std::max(spring.response, 1e-6);
    const double zeta = std::max(spring.dampingFraction, 0.0);
    if (zeta < 1) {
        const double damped = omega * std::sqrt(1 - zeta * zeta);
        const double envelope = std::exp(-zeta * omega * seconds);
        return 1 - envelope * (std::cos(damped * seconds) +
                               zeta * omega / damped * std::sin(damped * seconds));
    }
    // Critically damped (over-damped springs are treated alike; they only
    // come slower to rest).
    return 1 - std::exp(-omega * seconds) * (1 + omega * seconds);
}

double settlingTime(const Spring& spring) {
    const double omega = 2 * std::numbers::pi / std::max(spring.response, 1e-6);
    const double zeta = std::max(spring.dampingFraction, 0.05);
    // The first time from which the deviation's bound stays below the
    // tolerance: e^(-ζωt)/√(1-ζ²) below critical damping, (1+ωt)e^(-ωt) at it.
    const auto bound = [&](double t) {
        return zeta < 1 ? std::exp(-zeta * omega * t) / std::sqrt(1 - zeta * zeta)
                        : (1 + omega * t) * std::exp(-omega * t);
    };
    double t = 0;
    while (bound(t) > kTolerance && t < 60) {
        t += 0.001;
    }
    return t;
}

namespace {

qreal defaultSpring(qreal t) {
    if (t >= 1) {
        return 1;
    }
    static const Spring spring;
    static const double length = settlingTime(spring);
    return progress(t * length, spring);
}

}  // namespace

QEasingCurve curve() {
    QEasingCurve result;
    result.setCustomType(&defaultSpring);
    return result;
}

int durationMs() {
    return static_cast<int>(std::lround(settlingTime(Spring{}) * 1000));
}

}  // namespace raumfuchs::SpringEasing
