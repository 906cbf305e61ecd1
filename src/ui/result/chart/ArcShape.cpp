#include "ui/result/chart/ArcShape.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace raumfuchs {

namespace {

QPointF polar(const RingGeometry& g, double radius, double angle) {
    return {g.center.x + radius * std::sin(angle), g.center.y - radius * std::cos(angle)};
}

// Points of the circle of `radius` from angle `from` to `to` (either
// direction), both ends included, with chords no further than `tolerance`
// from the circle.
void appendArc(QPolygonF& polygon, const RingGeometry& g, double radius, double from, double to,
               double tolerance) {
    const double maxStep = 2 * std::acos(std::max(-1.0, 1 - tolerance / radius));
    const int steps = std::max(1, static_cast<int>(std::ceil(std::abs(to - from) / maxStep)));
    for (int i = 0; i <= steps; ++i) {
        polygon << polar(g, radius, from + (to - from) * i / steps);
    }
}

}  // namespace

QPolygonF arcShape(const RingGeometry& geometry, const Segment& segment, double inset,
                   double tolerance) {
    QPolygonF polygon;
    const double inner = geometry.arcInnerRadius(segment.depth) + inset;
    const double outer = geometry.arcOuterRadius(segment.depth) - inset;
    const double span = segment.end - segment.start;
    if (outer <= inner || span <= 0) {
        return polygon;
    }
    // The straight edges move `inset` into the arc, parallel to the radii of
    // `start` and `end`. At distance r from the centre that is an angle of
    // asin(inset / r); the two meet at radius inset / sin(span / 2). From half
    // a turn on they no longer meet on the arc's side of the centre.
    const double meet = span < std::numbers::pi ? inset / std::sin(span / 2) : 0;
    if (meet >= outer) {
        return polygon;
    }
    const double outerShift = std::asin(inset / outer);
    appendArc(polygon, geometry, outer, segment.start + outerShift, segment.end - outerShift,
              tolerance);
    if (meet > inner) {
        polygon << polar(geometry, meet, segment.start + span / 2);
    } else {
        const double innerShift = std::asin(std::min(1.0, inset / inner));
        appendArc(polygon, geometry, inner, segment.end - innerShift, segment.start + innerShift,
                  tolerance);
    }
    return polygon;
}

}  // namespace raumfuchs
