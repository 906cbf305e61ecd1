#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/chart/RingGeometry.h"
#include "support/HandTree.h"

namespace raumfuchs {
namespace {

using test::file;
using test::folder;

constexpr double kPi = std::numbers::pi;

TEST(RingGeometry, FollowsTheSmallerSideAnglesRunClockwiseFromTwelveAndHitsFindRingAndArc) {
    // Radii and centre of 800 × 600 are also pinned down by the hit test below.
    const RingGeometry g = RingGeometry::forSize(800, 600);
    EXPECT_DOUBLE_EQ(g.arcInnerRadius(2), 86.4 + 2 * 40.32 + 1);
    EXPECT_DOUBLE_EQ(g.arcOuterRadius(0), 87.4 + 38.32);
    const RingGeometry tiny = RingGeometry::forSize(60, 60);
    EXPECT_DOUBLE_EQ(tiny.outerRadius(), 40);  // not 18
    EXPECT_DOUBLE_EQ(tiny.innerRadius, 12);
    EXPECT_DOUBLE_EQ(tiny.ringWidth, 5.6);

    EXPECT_EQ(chartAngle({400, 100}, g), 0.0);
    EXPECT_DOUBLE_EQ(chartAngle({600, 300}, g), kPi / 2);
    EXPECT_DOUBLE_EQ(chartAngle({400, 500}, g), kPi);
    EXPECT_DOUBLE_EQ(chartAngle({300, 200}, g), 7 * kPi / 4);
    // Just left of 12 o'clock is just below a full turn, never negative.
    const double nearlyFull = chartAngle({399.999, 100}, g);
    EXPECT_GT(nearlyFull, 2 * kPi - 1e-4);
    EXPECT_LT(nearlyFull, 2 * kPi);

    // Ring 0: folder A on the first half, file b on the next quarter, the
    // root's own bytes a gap on the last quarter. Ring 1: a1 on 0…0.6π, a2 on 0.6π…π.
    const FileNode root = test::build(
        folder("root", 250, {folder("A", 0, {file("a1", 300), file("a2", 200)}), file("b", 250)}));
    const auto segments = Segment::build(root, 5);
    ASSERT_EQ(segments.size(), 4u);
    const auto hit = [&](ChartPoint p) -> std::string {
        const Segment* s = hitTest(p, g, segments);
        return s ? s->node.displayName() : "";
    };
    const auto at = [&](double radius, double angle) {
        return hit({400 + radius * std::sin(angle), 300 - radius * std::cos(angle)});
    };

    EXPECT_EQ(hit({400, 300 - 86.4}), "A");  // straight up at the disc's edge
    EXPECT_EQ(hit({400, 300 - 86.3}), "");   // on the disc
    EXPECT_TRUE(g.isOnDisc({400, 300 - 86.3}));
    EXPECT_EQ(hit({400, 300 - 86.4 - 40.32 - 0.01}), "a1");
    EXPECT_EQ(hit({400, 300 - 86.4 - 40.3}), "A");
    EXPECT_EQ(at(140, 0.7 * kPi), "a2");
    EXPECT_EQ(at(100, kPi), "b");  // the start is inclusive
    EXPECT_EQ(at(100, 3 * kPi / 2 - 0.01), "b");
    EXPECT_EQ(hit({200, 300}), "");  // straight left: b ends, the gap begins
    EXPECT_EQ(at(100, 7 * kPi / 4), "");
    EXPECT_EQ(at(140, kPi * 1.2), "");  // ring 1 beyond a file
    // The outer edge r = inner + 5 × ringWidth belongs to no ring; overlapping
    // segments answer with the first in list order.
    const std::vector<Segment> outer = {{root, 4, 0, 1, {}}, {root.child(0), 4, 0, 2, {}}};
    EXPECT_EQ(hitTest({400, 300 - 288}, g, outer), nullptr);
    EXPECT_EQ(hitTest({400, 300 - 287.9}, g, outer), &outer[0]);
    // Far away or undefined points hit nothing (and convert no huge ring index).
    EXPECT_EQ(hitTest({1e300, 300}, g, segments), nullptr);
    EXPECT_EQ(hitTest({std::nan(""), 300}, g, segments), nullptr);
}

}  // namespace
}  // namespace raumfuchs
