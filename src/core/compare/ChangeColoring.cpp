#include "core/compare/ChangeColoring.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace raumfuchs {

namespace {

// Warm red-orange and cool blue, like a weather map; the grey of unchanged
// arcs reads as neither in light and dark windows (not measured).
constexpr double kWarmHue = 0.03;
constexpr double kCoolHue = 0.58;
constexpr Hsb kUnchanged{0, 0, 0.62, 1};
// Saturation from a barely changed arc to one that is all change: a change of
// a few percent must still be told from grey, so the scale starts above it and
// rises with the square root of the share.
constexpr double kLeast = 0.22;
constexpr double kMost = 0.88;

}  // namespace

Hsb ChangeColoring::colorOf(ChangeState state, double share) {
    const double strength = kLeast + (kMost - kLeast) * std::sqrt(std::clamp(share, 0.0, 1.0));
    switch (state) {
        case ChangeState::New:
            return {kWarmHue, 1.0, 0.9, 1};
        case ChangeState::Grown:
            return {kWarmHue, strength, 0.92, 1};
        case ChangeState::Shrunk:
        case ChangeState::Removed:
            return {kCoolHue, strength, 0.88, 1};
        case ChangeState::Unchanged:
            break;
    }
    return kUnchanged;
}

Hsb ChangeColoring::color(const Segment& segment) const {
    const FileNode& node = segment.node;
    if (&node.tree() != &comparison_->current()) {
        return kUnchanged;
    }
    const FileTree::Index index = node.index();
    const ChangeState state = comparison_->state(index);
    const std::int64_t larger = std::max(node.size(), comparison_->bytesBefore(index));
    const double share = larger > 0
                             ? static_cast<double>(std::abs(comparison_->deltaBytes(index))) /
                                   static_cast<double>(larger)
                             : 0.0;
    return colorOf(state, share);
}

std::vector<ArcColoring::LegendEntry> ChangeColoring::legend() const {
    return {{"neu", colorOf(ChangeState::New, 1)},
            {"stark gewachsen", colorOf(ChangeState::Grown, 1)},
            {"etwas gewachsen", colorOf(ChangeState::Grown, 0.02)},
            {"geschrumpft", colorOf(ChangeState::Shrunk, 0.5)},
            {"unverändert", colorOf(ChangeState::Unchanged, 0)}};
}

}  // namespace raumfuchs
