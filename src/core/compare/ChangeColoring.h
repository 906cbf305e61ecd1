#pragma once

#include <memory>
#include <vector>

#include "core/chart/ArcColoring.h"
#include "core/compare/TreeComparison.h"

namespace raumfuchs {

// The chart's colours by change against a baseline: grown arcs warm, shrunk
// ones cool, the more saturated the larger the change is against the arc's
// size (its size now when it grew, before when it shrank); new arcs in the
// strongest warm colour, unchanged ones grey. Reads the comparison as it is
// when asked, so a trash or a folder matched again needs no new colouring.
class ChangeColoring : public ArcColoring {
  public:
    explicit ChangeColoring(std::shared_ptr<const TreeComparison> comparison)
        : comparison_(std::move(comparison)) {}

    Hsb color(const Segment& segment) const override;
    std::vector<LegendEntry> legend() const override;

    // The colour of a change: `state` and, for one that grew or shrank, its
    // share of the arc's larger size (0…1).
    static Hsb colorOf(ChangeState state, double share);

  private:
    std::shared_ptr<const TreeComparison> comparison_;
};

}  // namespace raumfuchs
