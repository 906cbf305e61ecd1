#include "core/chart/ArcTree.h"

namespace raumfuchs {

ArcTree::ArcTree(const std::vector<Segment>& segments)
    : parent_(segments.size(), kNone),
      children_(segments.size()),
      rings_(1),
      ringOf_(segments.size()),
      placeInRing_(segments.size()) {
    // The list is in depth-first pre-order with siblings clockwise, so the
    // last arc seen one ring further in is the parent, and every ring fills
    // in angle order.
    std::vector<std::size_t> lastOfRing;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const auto ring = static_cast<std::size_t>(segments[i].depth);
        if (ring > 0 && ring <= lastOfRing.size()) {
            parent_[i] = lastOfRing[ring - 1];
            children_[parent_[i]].push_back(i);
        }
        lastOfRing.resize(ring + 1);
        lastOfRing[ring] = i;
        if (rings_.size() <= ring) {
            rings_.resize(ring + 1);
        }
        ringOf_[i] = ring;
        placeInRing_[i] = rings_[ring].size();
        rings_[ring].push_back(i);
    }
}

std::size_t ArcTree::along(std::size_t arc, bool clockwise) const {
    if (arc == kNone) {
        const auto& first = rings_.front();
        return first.empty() ? kNone : clockwise ? first.front() : first.back();
    }
    const auto& ring = rings_[ringOf_[arc]];
    const std::size_t place = placeInRing_[arc];
    return ring[clockwise ? (place + 1) % ring.size() : (place + ring.size() - 1) % ring.size()];
}

std::size_t ArcTree::outwards(std::size_t arc) const {
    const auto& next = children(arc);
    return next.empty() ? arc : next.front();
}

}  // namespace raumfuchs
