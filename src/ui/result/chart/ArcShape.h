#pragma once

#include <QPolygonF>

#include "core/chart/RingGeometry.h"
#include "core/chart/Segment.h"

namespace raumfuchs {

// The visible part of one arc of the chart as a polygon in chart coordinates:
// the arc's band in its ring (RingGeometry::arcInnerRadius/arcOuterRadius, from
// `start` to `end`), shrunk by `inset` on every side. The chart separates its
// arcs by a line of the background colour along every outline; filling this
// shape against the background gives the same picture as filling the whole
// arc and stroking its outline (line width 2 × inset), in one fill instead of a
// fill and a much slower stroke.
//
// The curved edges are flattened so that no point strays more than
// `tolerance` from the true circle. Where the two straight edges meet inside
// the band (a thin arc near the centre), the shape ends in a point; an arc
// that the separators cover completely gives an empty polygon.
QPolygonF arcShape(const RingGeometry& geometry, const Segment& segment, double inset,
                   double tolerance);

}  // namespace raumfuchs
