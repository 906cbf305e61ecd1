#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/RingGeometry.h"
#include "support/HandTree.h"

namespace raumfuchs {
namespace {

using test::file;
using test::folder;

constexpr double kPi = std::numbers::pi;

TEST(RingGeometry, FollowsTheSmallerSideWithAFloor) {
    const RingGeometry wide = RingGeometry::forSize(800, 600);
    EXPECT_DOUBLE_EQ(wide.outerRadius(), 288);
    EXPECT_DOUBLE_EQ(wide.innerRadius, 86.4);
    EXPECT_DOUBLE_EQ(wide.ringWidth, 40.32);
    EXPECT_EQ(wide.center.x, 400);
    EXPECT_EQ(wide.center.y, 300);
    EXPECT_EQ(wide.depth, 5);
    EXPECT_DOUBLE_EQ(wide.arcInnerRadius(0), 87.4);
    EXPECT_DOUBLE_EQ(wide.arcOuterRadius(0), 87.4 + 38.32);
    EXPECT_DOUBLE_EQ(wide.arcInnerRadius(2), 86.4 + 2 * 40.32 + 1);

    const RingGeometry tiny = RingGeometry::forSize(60, 60);
    EXPECT_DOUBLE_EQ(tiny.outerRadius(), 40);  // not 18
    EXPECT_DOUBLE_EQ(tiny.innerRadius, 12);
    EXPECT_DOUBLE_EQ(tiny.ringWidth, 5.6);
    EXPECT_EQ(tiny.center.x, 30);
}

TEST(RingGeometry, AnglesStartAtTwelveAndGrowClockwise) {
    const RingGeometry g = RingGeometry::forSize(800, 600);
    EXPECT_EQ(chartAngle({400, 100}, g), 0.0);
    EXPECT_DOUBLE_EQ(chartAngle({600, 300}, g), kPi / 2);
    EXPECT_DOUBLE_EQ(chartAngle({400, 500}, g), kPi);
    EXPECT_DOUBLE_EQ(chartAngle({200, 300}, g), 3 * kPi / 2);
    EXPECT_DOUBLE_EQ(chartAngle({300, 200}, g), 7 * kPi / 4);
    // Just left of 12 o'clock is just below a full turn, never negative.
    const double nearlyFull = chartAngle({399.999, 100}, g);
    EXPECT_GT(nearlyFull, 2 * kPi - 1e-4);
    EXPECT_LT(nearlyFull, 2 * kPi);
}

TEST(RingGeometry, HitTestFindsRingAndArc) {
    // Ring 0: a folder "A" on the first half, a file "b" on the next quarter,
    // a gap (own bytes of the root) on the last quarter. Ring 1: A's child.
    const FileNode root = test::build(
        folder("root", 250, {folder("A", 0, {file("a1", 300), file("a2", 200)}), file("b", 250)}));
    const auto segments = Segment::build(root, 5);
    ASSERT_EQ(segments.size(), 4u);  // A, a1, a2, b
    const RingGeometry g = RingGeometry::forSize(800, 600);
    auto at = [&](double radius, double angle) {
        return ChartPoint{g.center.x + radius * std::sin(angle),
                          g.center.y - radius * std::cos(angle)};
    };
    auto hitName = [&](ChartPoint p) -> std::string {
        const Segment* s = hitTest(p, g, segments);
        return s ? s->node.displayName() : "";
    };

    // Straight up at the disc's edge: angle 0, ring 0, the first arc.
    EXPECT_EQ(hitName({400, 300 - 86.4}), "A");
    EXPECT_EQ(hitName({400, 300 - 86.3}), "");  // on the disc
    EXPECT_TRUE(g.isOnDisc({400, 300 - 86.3}));
    EXPECT_FALSE(g.isOnDisc({400, 300 - 86.4}));
    // Ring 1 straight up is a1; just below the top of ring 1 is still ring 0.
    EXPECT_EQ(hitName({400, 300 - 86.4 - 40.32 - 0.01}), "a1");
    EXPECT_EQ(hitName({400, 300 - 86.4 - 40.3}), "A");
    // In ring 1, a1 takes 0…0.6π and a2 0.6π…π.
    EXPECT_EQ(hitName(at(140, 0.7 * kPi)), "a2");
    EXPECT_EQ(hitName(at(100, kPi)), "b");  // start of b is inclusive
    EXPECT_EQ(hitName(at(100, 3 * kPi / 2 - 0.01)), "b");
    // Straight left (3π/2) is where b ends and the gap begins: nothing.
    EXPECT_EQ(hitName({200, 300}), "");
    EXPECT_EQ(hitName(at(100, 7 * kPi / 4)), "");
    // Ring 1 beyond a file or beyond a folder's children: nothing.
    EXPECT_EQ(hitName(at(140, kPi * 1.2)), "");
    // The outer edge r = inner + 5 × ringWidth belongs to no ring.
    EXPECT_EQ(hitTest({400, 300 - 288}, g, {Segment{root, 4, 0, 1, {}}}), nullptr);
    EXPECT_NE(hitTest({400, 300 - 287.9}, g, {Segment{root, 4, 0, 1, {}}}), nullptr);
    // Far away or undefined points hit nothing (and convert no huge ring index).
    EXPECT_EQ(hitTest({1e300, 300}, g, segments), nullptr);
    EXPECT_EQ(hitTest({std::nan(""), 300}, g, segments), nullptr);
}

TEST(RingGeometry, HitTestTakesTheFirstMatchInListOrder) {
    const FileNode root = test::build(folder("root", 0, {file("x", 1), file("y", 1)}));
    const FileNode x = root.child(0);
    const FileNode y = root.child(1);
    const std::vector<Segment> overlapping = {{x, 0, 0, 1, {}}, {y, 0, 0, 2, {}}};
    const RingGeometry g = RingGeometry::forSize(800, 600);
    EXPECT_EQ(hitTest({401, 200}, g, overlapping), &overlapping[0]);
}

}  // namespace
}  // namespace raumfuchs
