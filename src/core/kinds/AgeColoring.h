#pragma once

#include <memory>
#include <vector>

#include "core/chart/ArcColoring.h"
#include "core/kinds/FileAge.h"
#include "core/kinds/KindTotals.h"

namespace raumfuchs {

// The chart coloured by age: a file's arc in the colour of its age bucket, a
// folder's in that of the bucket that holds most of its bytes, paler the less
// of them it holds. Entries whose change time is not known, and folders
// `totals` does not know, are grey.
class AgeColoring : public ArcColoring {
  public:
    explicit AgeColoring(std::shared_ptr<const KindTotals> totals);

    Hsb color(const Segment& segment) const override;
    std::vector<LegendEntry> legend() const override;

    static Hsb colorOf(AgeBucket bucket);

  private:
    std::shared_ptr<const KindTotals> totals_;
};

}  // namespace raumfuchs
