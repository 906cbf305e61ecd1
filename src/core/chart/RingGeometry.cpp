#include "core/chart/RingGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace raumfuchs {

RingGeometry RingGeometry::forSize(double width, double height) {
    const double outer = std::max(40.0, std::min(width, height) * 0.5 - 12);
    RingGeometry geometry;
    geometry.innerRadius = outer * 0.3;
    geometry.ringWidth = (outer - geometry.innerRadius) / 5;
    geometry.center = {width * 0.5, height * 0.5};
    geometry.depth = 5;
    return geometry;
}

bool RingGeometry::isOnDisc(ChartPoint p) const {
    return std::hypot(p.x - center.x, p.y - center.y) < innerRadius;
}

double chartAngle(ChartPoint p, const RingGeometry& geometry) {
    const double dx = p.x - geometry.center.x;
    const double dy = p.y - geometry.center.y;
    double angle = std::atan2(dx, -dy);
    if (angle < 0) {
        angle += 2 * std::numbers::pi;
    }
    return angle;
}

const Segment* hitTest(ChartPoint p, const RingGeometry& geometry,
                       const std::vector<Segment>& segments) {
    const double dx = p.x - geometry.center.x;
    const double dy = p.y - geometry.center.y;
    const double r = std::hypot(dx, dy);
    if (r < geometry.innerRadius) {
        return nullptr;
    }
    // Compared before the conversion, so that far-away (or NaN) points never
    // reach an integer they do not fit in.
    const double rings = (r - geometry.innerRadius) / geometry.ringWidth;
    if (!(rings < static_cast<double>(geometry.depth))) {
        return nullptr;
    }
    const auto ring = static_cast<std::int64_t>(rings);
    const double angle = chartAngle(p, geometry);
    for (const Segment& segment : segments) {
        if (segment.depth == ring && segment.start <= angle && angle < segment.end) {
            return &segment;
        }
    }
    return nullptr;
}

}  // namespace raumfuchs
