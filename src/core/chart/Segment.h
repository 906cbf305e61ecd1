#pragma once

#include <cstdint>
#include <vector>

#include "core/chart/Theme.h"
#include "core/tree/FileTree.h"

namespace raumfuchs {

// One arc of the sunburst chart. Angles are radians on a full turn of 2π, 0 at
// the start of the layout (12 o'clock on screen), growing clockwise.
struct Segment {
    FileNode node;           // keeps the node (and its tree) alive
    std::int64_t depth = 0;  // ring: 0 for the children of the laid-out folder
    double start = 0;
    double end = 0;
    Hsb color;

    // Arcs narrower than this (radians, about 0.2°) are not drawn, and neither
    // is anything inside them.
    static constexpr double kMinimumSpan = 0.0035;

    // Arcs for the descendants of `folder`, `maxDepth` rings deep, in
    // depth-first pre-order; the folder itself gets none.
    static std::vector<Segment> build(const FileNode& folder, int maxDepth);
};

}  // namespace raumfuchs
