#include "core/kinds/AgeColoring.h"

#include <string>

#include "core/kinds/MixShade.h"

namespace raumfuchs {

namespace {

// From green for what changed lately to red for what nobody touched in
// years (not measured).
constexpr Hsb kBucketColors[kAgeBucketCount] = {
    {0.33, 0.55, 0.82, 1},  // Letzte 30 Tage
    {0.16, 0.60, 0.92, 1},  // Bis 1 Jahr
    {0.08, 0.68, 0.94, 1},  // Bis 3 Jahre
    {0.99, 0.62, 0.82, 1},  // Älter
};
constexpr Hsb kUnknown = kUnknownShade;

}  // namespace

AgeColoring::AgeColoring(std::shared_ptr<const KindTotals> totals) : totals_(std::move(totals)) {}

Hsb AgeColoring::colorOf(AgeBucket bucket) {
    return kBucketColors[static_cast<std::size_t>(bucket)];
}

Hsb AgeColoring::color(const Segment& segment) const {
    const FileTree& tree = segment.node.tree();
    const FileTree::Index index = segment.node.index();
    if (!tree.isDirectory(index)) {
        const int days = tree.ageDays(index);
        return days == EntryStamp::kUnknownAge ? kUnknown : colorOf(ageBucketOf(days));
    }
    const FolderMix* mix = totals_->mixOf(index);
    return mix ? mixShade(mix->ageBytes, kBucketColors).value_or(kUnknown) : kUnknown;
}

std::vector<ArcColoring::LegendEntry> AgeColoring::legend() const {
    std::vector<LegendEntry> entries;
    for (std::size_t b = 0; b < kAgeBucketCount; ++b) {
        entries.push_back(
            {std::string(ageBucketName(static_cast<AgeBucket>(b))), kBucketColors[b]});
    }
    if (totals_->filesWithoutAge > 0) {
        entries.push_back({"Unbekannt", kUnknown});
    }
    return entries;
}

}  // namespace raumfuchs
