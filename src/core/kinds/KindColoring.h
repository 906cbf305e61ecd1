#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "core/chart/ArcColoring.h"
#include "core/kinds/FileCategory.h"
#include "core/kinds/KindTotals.h"

namespace raumfuchs {

// The chart coloured by kind of file: a file's arc in its category's colour,
// a folder's in the colour of the category that holds most of its bytes,
// paler the less of them it holds. Folders come from `totals` (its folder
// mixes); one it does not know, or one without files, is grey.
class KindColoring : public ArcColoring {
  public:
    explicit KindColoring(std::shared_ptr<const KindTotals> totals);

    Hsb color(const Segment& segment) const override;
    std::vector<LegendEntry> legend() const override;

    static Hsb colorOf(FileCategory category);
    // How much of `segment`'s node is of `category`, 0…1: 1 or 0 for a file,
    // the share of its files' bytes for a folder (0 for one `totals` does not
    // know).
    static double share(const KindTotals& totals, const Segment& segment, FileCategory category);

  private:
    std::shared_ptr<const KindTotals> totals_;
};

}  // namespace raumfuchs
