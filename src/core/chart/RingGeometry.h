#pragma once

#include <cstdint>
#include <vector>

#include "core/chart/Segment.h"

namespace raumfuchs {

// A point in the chart's own coordinates: origin at the top left, y growing
// downwards, in device-independent points.
struct ChartPoint {
    double x = 0;
    double y = 0;
};

// Where the disc and the rings of the chart lie in an area of a given size.
// Recomputed from the size at every layout pass; never stored with segments.
struct RingGeometry {
    ChartPoint center;
    double innerRadius = 0;  // radius of the centre disc, where ring 0 begins
    double ringWidth = 0;    // radial width of every ring
    std::int64_t depth = 5;  // number of rings

    // The rings fill the smaller side up to a margin of 12 on each side; the
    // disc takes 30 % of the outer radius; the outer radius is never below 40,
    // even if the chart then overflows a tiny area.
    static RingGeometry forSize(double width, double height);

    double outerRadius() const { return innerRadius + static_cast<double>(depth) * ringWidth; }
    // Radial extent of the arcs drawn in `ring`: 1 point of gap on either side.
    double arcInnerRadius(std::int64_t ring) const {
        return innerRadius + static_cast<double>(ring) * ringWidth + 1;
    }
    double arcOuterRadius(std::int64_t ring) const { return arcInnerRadius(ring) + ringWidth - 2; }

    bool isOnDisc(ChartPoint p) const;
};

// The angle of `p` around the centre: 0 at 12 o'clock, growing clockwise, in
// [0, 2π).
double chartAngle(ChartPoint p, const RingGeometry& geometry);

// The segment under `p`: the first in list order whose ring contains the
// distance of `p` from the centre and whose angular range [start, end) holds
// its angle; nullptr for the disc, the area outside the rings and gaps. The
// 2-point gaps drawn between rings belong to the ring the division gives.
const Segment* hitTest(ChartPoint p, const RingGeometry& geometry,
                       const std::vector<Segment>& segments);

}  // namespace raumfuchs
