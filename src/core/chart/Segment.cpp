#include "core/chart/Segment.h"

#include <algorithm>
#include <numbers>

namespace raumfuchs {

namespace {

constexpr double kFullTurn = 2 * std::numbers::pi;
constexpr double kFileSaturation = 0.14;
constexpr double kFileBrightness = 0.72;

// The walk reads the tree through indices and makes a FileNode handle only for
// the nodes that get a segment, so its cost follows the number of arcs, not the
// size of the tree.
class Walker {
  public:
    Walker(const std::shared_ptr<FileTree>& tree, int maxDepth, std::vector<Segment>& out)
        : tree_(tree), maxDepth_(maxDepth), out_(out) {}

    // hueIndex < 0: the laid-out folder itself, whose children each start a
    // colour family of their own.
    void walk(FileTree::Index node, std::int64_t depth, double start, double span,
              std::int64_t hueIndex) {
        const FileTree& tree = *tree_;
        const std::int64_t size = tree.size(node);
        if (depth >= maxDepth_ || size <= 0) {
            return;
        }
        const std::size_t count = tree.childCount(node);
        if (count == 0) {
            return;
        }
        const double d = static_cast<double>(depth);
        const double folderSaturation = std::max(0.25, 0.66 - 0.09 * d);
        const double folderBrightness = std::min(0.97, 0.84 + 0.03 * d);

        double angle = start;
        for (std::size_t i = 0; i < count; ++i) {
            const FileTree::Index child = tree.child(node, i);
            const double childSpan =
                static_cast<double>(tree.size(child)) * span / static_cast<double>(size);
            if (childSpan < Segment::kMinimumSpan) {
                // Children are sorted largest first: none after this one is wider.
                break;
            }
            const std::int64_t hue = hueIndex >= 0 ? hueIndex : static_cast<std::int64_t>(i);
            const bool folder = tree.isDirectory(child);
            Hsb color;
            color.hue = Theme::hues[static_cast<std::size_t>(hue % 10)];
            color.saturation = folder ? folderSaturation : kFileSaturation;
            color.brightness = folder ? folderBrightness : kFileBrightness;
            color.opacity = 1;
            out_.push_back(Segment{FileNode(tree_, child), depth, angle, angle + childSpan, color});
            if (folder) {
                walk(child, depth + 1, angle, childSpan, hue);
            }
            angle += childSpan;
        }
    }

  private:
    const std::shared_ptr<FileTree>& tree_;
    int maxDepth_;
    std::vector<Segment>& out_;
};

}  // namespace

std::vector<Segment> Segment::build(const FileNode& folder, int maxDepth) {
    std::vector<Segment> segments;
    if (!folder) {
        return segments;
    }
    Walker(folder.treePtr(), maxDepth, segments).walk(folder.index(), 0, 0, kFullTurn, -1);
    return segments;
}

}  // namespace raumfuchs
