#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "support/HandTree.h"
#include "ui/ArcShape.h"

namespace raumfuchs {
namespace {

constexpr double kPi = std::numbers::pi;

QPointF polar(const RingGeometry& g, double r, double a) {
    return {g.center.x + r * std::sin(a), g.center.y - r * std::cos(a)};
}

TEST(ArcShape, LeavesHalfTheSeparatorOnEverySide) {
    const FileNode root = test::build(test::folder("root", 0, {test::file("x", 1)}));
    const RingGeometry g = RingGeometry::forSize(800, 600);
    // Ring 1 from π/2 to π: band 127.72…166.04 before the inset.
    const Segment quarter{root, 1, kPi / 2, kPi, {}};
    const QPolygonF shape = arcShape(g, quarter, 0.5, 0.05);
    const double r0 = g.arcInnerRadius(1);
    const double r1 = g.arcOuterRadius(1);
    const double mid = (r0 + r1) / 2;
    EXPECT_TRUE(shape.containsPoint(polar(g, mid, 0.75 * kPi), Qt::WindingFill));
    EXPECT_TRUE(shape.containsPoint(polar(g, r1 - 0.6, 0.75 * kPi), Qt::WindingFill));
    EXPECT_FALSE(shape.containsPoint(polar(g, r1 - 0.4, 0.75 * kPi), Qt::WindingFill));
    EXPECT_TRUE(shape.containsPoint(polar(g, r0 + 0.6, 0.75 * kPi), Qt::WindingFill));
    EXPECT_FALSE(shape.containsPoint(polar(g, r0 + 0.4, 0.75 * kPi), Qt::WindingFill));
    // The straight edges: 0.4 and 0.6 points away from the radius at π/2.
    const QPointF onEdge = polar(g, mid, kPi / 2);
    EXPECT_FALSE(shape.containsPoint(onEdge + QPointF(0, 0.4), Qt::WindingFill));
    EXPECT_TRUE(shape.containsPoint(onEdge + QPointF(0, 0.6), Qt::WindingFill));
    // Flattening keeps every point on its circle within the tolerance.
    for (const QPointF& p : shape) {
        const double r = std::hypot(p.x() - g.center.x, p.y() - g.center.y);
        EXPECT_TRUE(std::abs(r - (r1 - 0.5)) < 1e-9 || std::abs(r - (r0 + 0.5)) < 1e-9) << r;
    }
}

TEST(ArcShape, ThinArcsNarrowToAPointOrVanish) {
    const FileNode root = test::build(test::folder("root", 0, {test::file("x", 1)}));
    const RingGeometry g = RingGeometry::forSize(800, 600);
    // 0.0035 rad at ring 0 is at most 0.44 points wide: separators cover it.
    EXPECT_TRUE(arcShape(g, Segment{root, 0, 1.0, 1.0035, {}}, 0.5, 0.05).isEmpty());
    // 0.005 rad in ring 4 (r 249…287): the edges meet at r = 0.5 / sin(0.0025) ≈ 200,
    // below the ring, so the shape keeps its inner edge; in ring 0 nothing is left.
    EXPECT_FALSE(arcShape(g, Segment{root, 4, 1.0, 1.005, {}}, 0.5, 0.05).isEmpty());
    EXPECT_TRUE(arcShape(g, Segment{root, 0, 1.0, 1.005, {}}, 0.5, 0.05).isEmpty());
    // 0.0037 rad in ring 4: the edges meet at r ≈ 270, inside the ring: a point.
    const QPolygonF pointed = arcShape(g, Segment{root, 4, 1.0, 1.0037, {}}, 0.5, 0.05);
    ASSERT_FALSE(pointed.isEmpty());
    const QPointF tip = pointed.back();
    const double tipRadius = std::hypot(tip.x() - g.center.x, tip.y() - g.center.y);
    EXPECT_NEAR(tipRadius, 0.5 / std::sin(0.0037 / 2), 1e-6);
}

TEST(ArcShape, FullTurnKeepsItsSeparatorAtTwelve) {
    const FileNode root = test::build(test::folder("root", 0, {test::file("x", 1)}));
    const RingGeometry g = RingGeometry::forSize(800, 600);
    const QPolygonF ring = arcShape(g, Segment{root, 0, 0, 2 * kPi, {}}, 0.5, 0.05);
    const double mid = (g.arcInnerRadius(0) + g.arcOuterRadius(0)) / 2;
    EXPECT_FALSE(ring.containsPoint(polar(g, mid, 0), Qt::WindingFill));
    for (double a : {0.01, kPi / 2, kPi, 1.5 * kPi, 2 * kPi - 0.01}) {
        EXPECT_TRUE(ring.containsPoint(polar(g, mid, a), Qt::WindingFill)) << a;
    }
}

}  // namespace
}  // namespace raumfuchs
