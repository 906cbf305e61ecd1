#pragma once

#include <cstddef>
#include <vector>

#include "core/chart/Segment.h"

namespace raumfuchs {

// The arcs of a chart (Segment::build's list) as a tree: each arc's parent arc
// and child arcs, and the arcs of every ring in angle order. Arcs are indices
// into the list; kNone stands for the disc, the shown folder itself. The
// keyboard moves through a chart with it, and the accessible tree is built on
// it.
class ArcTree {
  public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    explicit ArcTree(const std::vector<Segment>& segments);

    std::size_t size() const { return parent_.size(); }
    // kNone for an arc of ring 0.
    std::size_t parent(std::size_t arc) const { return parent_[arc]; }
    // The child arcs of `arc` in angle order; of the disc (kNone): ring 0.
    const std::vector<std::size_t>& children(std::size_t arc) const {
        return arc == kNone ? rings_.front() : children_[arc];
    }

    // The keyboard's moves from `arc` (kNone: from the disc). They give back
    // `arc` itself where there is nowhere to go.
    // The next (`clockwise`) or previous arc of the same ring, wrapping round;
    // from the disc the first or last arc of ring 0.
    std::size_t along(std::size_t arc, bool clockwise) const;
    // The first child; from the disc the first arc of ring 0.
    std::size_t outwards(std::size_t arc) const;
    // The parent arc; from ring 0 the disc.
    std::size_t inwards(std::size_t arc) const { return arc == kNone ? kNone : parent_[arc]; }

  private:
    std::vector<std::size_t> parent_;
    std::vector<std::vector<std::size_t>> children_;
    std::vector<std::vector<std::size_t>> rings_;  // arcs of each ring, in angle order
    std::vector<std::size_t> ringOf_;
    std::vector<std::size_t> placeInRing_;  // index of each arc in its ring
};

}  // namespace raumfuchs
