#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "ui/result/chart/ArcShape.h"

namespace raumfuchs {
namespace {

constexpr double kPi = std::numbers::pi;
const RingGeometry g = RingGeometry::forSize(800, 600);

QPointF polar(double r, double a) {
    return {g.center.x + r * std::sin(a), g.center.y - r * std::cos(a)};
}
double radius(QPointF p) {
    return std::hypot(p.x() - g.center.x, p.y() - g.center.y);
}
QPolygonF shape(std::int64_t ring, double start, double end) {
    return arcShape(g, Segment{FileNode(), ring, start, end, {}}, 0.5, 0.05);
}
bool in(const QPolygonF& s, QPointF p) {
    return s.containsPoint(p, Qt::WindingFill);
}

TEST(ArcShape, LeavesHalfTheSeparatorOnEverySideThinArcsNarrowOrVanishAFullTurnStaysOpen) {
    const QPolygonF s = shape(1, kPi / 2, kPi);
    const double r0 = g.arcInnerRadius(1), r1 = g.arcOuterRadius(1), a = 0.75 * kPi;
    const QPointF edge = polar((r0 + r1) / 2, kPi / 2);  // the radius at π/2 runs to the right
    EXPECT_TRUE(in(s, polar(r1 - 0.6, a)) && !in(s, polar(r1 - 0.4, a))) << "outer";
    EXPECT_TRUE(in(s, polar(r0 + 0.6, a)) && !in(s, polar(r0 + 0.4, a))) << "inner";
    EXPECT_TRUE(in(s, edge + QPointF(0, 0.6)) && !in(s, edge + QPointF(0, 0.4))) << "straight";
    for (const QPointF& p : s) {  // flattened points lie on the inset circles
        const double r = radius(p);
        EXPECT_TRUE(std::abs(r - (r1 - 0.5)) < 1e-9 || std::abs(r - (r0 + 0.5)) < 1e-9) << r;
    }

    // Ring 0 at 0.0035 or 0.005 rad: the separators cover it. Ring 4 (r 249…287)
    // at 0.005 rad: the edges would meet at r ≈ 200, so the inner edge stays.
    EXPECT_TRUE(shape(0, 1.0, 1.0035).isEmpty());
    EXPECT_TRUE(shape(0, 1.0, 1.005).isEmpty());
    EXPECT_FALSE(shape(4, 1.0, 1.005).isEmpty());
    // At 0.0037 rad they meet at r ≈ 270, inside ring 4: the shape ends in a point.
    const QPolygonF pointed = shape(4, 1.0, 1.0037);
    ASSERT_FALSE(pointed.isEmpty());
    EXPECT_NEAR(radius(pointed.back()), 0.5 / std::sin(0.0037 / 2), 1e-6);
    // A full turn keeps its separator at twelve.
    const QPolygonF ring = shape(0, 0, 2 * kPi);
    const double mid = (g.arcInnerRadius(0) + g.arcOuterRadius(0)) / 2;
    EXPECT_FALSE(in(ring, polar(mid, 0)));
    for (double angle : {0.01, kPi / 2, kPi, 1.5 * kPi, 2 * kPi - 0.01}) {
        EXPECT_TRUE(in(ring, polar(mid, angle))) << angle;
    }
}

}  // namespace
}  // namespace raumfuchs
