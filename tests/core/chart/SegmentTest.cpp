#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "core/chart/Segment.h"
#include "support/HandTree.h"

namespace raumfuchs {
namespace {

using test::file;
using test::folder;
using Names = std::vector<std::string>;

constexpr double kTurn = 2 * std::numbers::pi;

std::vector<Segment> layout(const test::HandNode& root, int depth = 5) {
    return Segment::build(test::build(root), depth);
}

Names names(const std::vector<Segment>& segments) {
    Names result;
    for (const Segment& s : segments) {
        result.push_back(s.node.displayName());
    }
    return result;
}

TEST(SegmentLayout, PreOrderNestedSpansGapsEmptyFoldersAndThinChildrenEndingTheWalk) {
    const auto first =
        layout(folder("root", 0,
                      {folder("A", 0, {file("a1", 300), folder("a2", 0, {file("a2x", 100)})}),
                       folder("B", 0, {file("b1", 200)}), file("c", 100)}));
    EXPECT_EQ(names(first), (Names{"A", "a1", "a2", "a2x", "B", "b1", "c"}));
    std::vector<std::int64_t> depths;
    std::ranges::transform(first, std::back_inserter(depths), &Segment::depth);
    EXPECT_EQ(depths, (std::vector<std::int64_t>{0, 1, 1, 2, 0, 1, 0}));
    // Children fill their parent's range from its start, largest first.
    EXPECT_EQ(first[0].start, 0.0);
    EXPECT_EQ(first[1].start, first[0].start);
    EXPECT_EQ(first[2].start, first[1].end);
    EXPECT_DOUBLE_EQ(first[2].end, first[0].end);
    EXPECT_EQ(first[4].start, first[0].end);
    EXPECT_DOUBLE_EQ(first[6].end, kTurn);
    // The folder's own 100 bytes stay an empty gap at the end of the turn.
    const auto gap = layout(folder("root", 100, {file("big", 600), file("mid", 300)}));
    ASSERT_EQ(gap.size(), 2u);
    EXPECT_EQ(gap[0].end, gap[1].start);
    EXPECT_DOUBLE_EQ(gap[1].end, 0.9 * kTurn);

    EXPECT_TRUE(layout(folder("root", 4096)).empty());
    EXPECT_TRUE(layout(folder("root", 0, {file("a", 0), folder("b", 0)})).empty());
    EXPECT_TRUE(Segment::build(FileNode(), 5).empty());
    // A zero-sized child, sorted last, ends the walk of its folder.
    EXPECT_EQ(names(layout(folder("root", 0, {file("z", 0), file("a", 10)}))), Names{"a"});

    // 5 × 2π / 10000 ≈ 0.00314 is below the limit, 6 × 2π / 10000 ≈ 0.00377 above.
    EXPECT_EQ(names(layout(folder("root", 0, {file("a", 9990), file("b", 5), file("c", 5)}))),
              Names{"a"});
    EXPECT_EQ(names(layout(folder("root", 0, {file("a", 9988), file("b", 6), file("c", 6)}))),
              (Names{"a", "b", "c"}));
    // Sizes for which a × 2π / n is exactly 0.0035 in double arithmetic, while
    // a / n × 2π would fall just below it.
    const std::int64_t n = 4'000'000'000'015'197;
    const std::int64_t a = 2'228'169'203'295;
    ASSERT_EQ(static_cast<double>(a) * kTurn / static_cast<double>(n), 0.0035);
    ASSERT_LT(static_cast<double>(a) / static_cast<double>(n) * kTurn, 0.0035);
    EXPECT_EQ(names(layout(folder(
                  "root", 0, {file("big", n - 2 * a + 1), file("edge", a), file("below", a - 1)}))),
              (Names{"big", "edge"}));
}

TEST(SegmentLayout, TopLevelPositionsPickTheHueFoldersShadePerRingAndFilesStayGrey) {
    // root ─ filler, d0 ─ d1 ─ d2 ─ d3 ─ d4 ─ d5 ─ deep, top2 … top11 ─ inner
    //                          └ f3 (a file in ring 3)
    std::vector<test::HandNode> children{
        file("filler", 5000),
        folder(
            "d0", 0,
            {folder(
                "d1", 0,
                {folder("d2", 0,
                        {folder("d3", 0, {folder("d4", 0, {folder("d5", 0, {file("deep", 900)})})}),
                         file("f3", 100)})})})};
    for (int i = 2; i < 12; ++i) {  // sizes fall with the position: stored in this order
        children.push_back(folder("top" + std::to_string(i), 100 - i, {file("inner", 100)}));
    }
    const FileNode root = test::build(folder("root", 0, std::move(children)));
    const auto segments = Segment::build(root, 5);
    ASSERT_EQ(segments.size(), 7u + 20u);  // d5 sits in ring 5: not shown
    EXPECT_EQ(names({segments.begin(), segments.begin() + 7}),
              (Names{"filler", "d0", "d1", "d2", "d3", "d4", "f3"}));
    EXPECT_EQ(segments[0].color, (Hsb{Theme::hues[0], 0.14, 0.72, 1}));
    EXPECT_EQ(segments[6].color, (Hsb{Theme::hues[1], 0.14, 0.72, 1}));
    for (std::size_t i = 2; i < 12; ++i) {  // the hues start again after ten
        ASSERT_EQ(segments[2 * i + 3].node.displayName(), "top" + std::to_string(i));
        EXPECT_EQ(segments[2 * i + 3].color.hue, Theme::hues[i % 10]) << i;
        EXPECT_EQ(segments[2 * i + 4].color.hue, Theme::hues[i % 10]) << i;
    }
    // With seven rings the floor and the cap take effect from ring 5 on.
    const auto deeper = Segment::build(root, 7);
    const double shades[][2] = {{0.66, 0.84}, {0.57, 0.87}, {0.48, 0.90},
                                {0.39, 0.93}, {0.30, 0.96}, {0.25, 0.97}};
    for (std::size_t ring = 0; ring < 6; ++ring) {
        const Segment& s = deeper[ring + 1];
        EXPECT_EQ(s.node.displayName(), "d" + std::to_string(ring));
        EXPECT_EQ(s.depth, static_cast<std::int64_t>(ring));
        EXPECT_NEAR(s.color.saturation, shades[ring][0], 1e-12) << ring;
        EXPECT_NEAR(s.color.brightness, shades[ring][1], 1e-12) << ring;
        EXPECT_EQ(s.color.hue, Theme::hues[1]) << ring;
    }
}

}  // namespace
}  // namespace raumfuchs
