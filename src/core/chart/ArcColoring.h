#pragma once

#include <string>
#include <vector>

#include "core/chart/Segment.h"

namespace raumfuchs {

// A way to colour the chart's arcs other than the layout's own hue families:
// by what a feature knows of each arc's node (its kind of file, its age, its
// change against an earlier scan). Asked once per arc whenever the chart
// takes new colours (new arcs, another mode, a colouring offered anew), never
// while painting, and only on the thread that owns the tree.
class ArcColoring {
  public:
    struct LegendEntry {
        std::string label;  // German, e.g. "Bilder" or "gewachsen"
        Hsb color;
    };

    virtual ~ArcColoring() = default;
    // The fill of `segment`'s arc; `segment.color` is the layout's own.
    virtual Hsb color(const Segment& segment) const = 0;
    // What the colours mean, in the order the legend lists them.
    virtual std::vector<LegendEntry> legend() const = 0;
};

}  // namespace raumfuchs
