#include "core/kinds/KindColoring.h"

#include <numeric>
#include <string>

#include "core/kinds/MixShade.h"

namespace raumfuchs {

namespace {

// Hues apart from each other and from the folders' grey (not measured).
constexpr Hsb kCategoryColors[kFileCategoryCount] = {
    {0.08, 0.70, 0.95, 1},  // Bilder: orange
    {0.99, 0.62, 0.88, 1},  // Videos: red
    {0.77, 0.50, 0.88, 1},  // Musik: violet
    {0.60, 0.60, 0.92, 1},  // Dokumente: blue
    {0.15, 0.75, 0.90, 1},  // Archive: yellow
    {0.45, 0.65, 0.78, 1},  // Programme: green
    {0.89, 0.55, 0.90, 1},  // Quelltext: pink
    {0.60, 0.04, 0.72, 1},  // Sonstige: grey
};
constexpr Hsb kUnknown = kUnknownShade;

}  // namespace

KindColoring::KindColoring(std::shared_ptr<const KindTotals> totals) : totals_(std::move(totals)) {}

Hsb KindColoring::colorOf(FileCategory category) {
    return kCategoryColors[static_cast<std::size_t>(category)];
}

Hsb KindColoring::color(const Segment& segment) const {
    const FileTree& tree = segment.node.tree();
    const FileTree::Index index = segment.node.index();
    if (!tree.isDirectory(index)) {
        return colorOf(static_cast<FileCategory>(tree.category(index)));
    }
    const FolderMix* mix = totals_->mixOf(index);
    return mix ? mixShade(mix->categoryBytes, kCategoryColors).value_or(kUnknown) : kUnknown;
}

std::vector<ArcColoring::LegendEntry> KindColoring::legend() const {
    std::vector<LegendEntry> entries;
    for (const CategoryTotals& c : totals_->categories) {
        if (c.files > 0) {
            entries.push_back({std::string(categoryName(c.category)), colorOf(c.category)});
        }
    }
    return entries;
}

double KindColoring::share(const KindTotals& totals, const Segment& segment,
                           FileCategory category) {
    const FileTree& tree = segment.node.tree();
    const FileTree::Index index = segment.node.index();
    if (!tree.isDirectory(index)) {
        return static_cast<FileCategory>(tree.category(index)) == category ? 1.0 : 0.0;
    }
    const FolderMix* mix = totals.mixOf(index);
    if (mix == nullptr) {
        return 0;
    }
    const auto& bytes = mix->categoryBytes;
    const std::int64_t all = std::accumulate(bytes.begin(), bytes.end(), std::int64_t{0});
    return all <= 0 ? 0.0
                    : static_cast<double>(bytes[static_cast<std::size_t>(category)]) /
                          static_cast<double>(all);
}

}  // namespace raumfuchs
