#pragma once

#include <QWidget>
#include <vector>

#include "core/chart/ArcColoring.h"

namespace raumfuchs {

class ColorModes;

// What the colours of the chosen mode mean: a swatch and a caption per
// entry, in a corner of the chart; hidden with the standard colours.
class ChartLegend : public QWidget {
    Q_OBJECT
  public:
    ChartLegend(ColorModes& modes, QWidget* parent);

    const std::vector<ArcColoring::LegendEntry>& entries() const { return entries_; }
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void follow();

    ColorModes& modes_;
    std::vector<ArcColoring::LegendEntry> entries_;
};

}  // namespace raumfuchs
