#pragma once

#include <QPixmap>
#include <QWidget>

class QVariantAnimation;

namespace raumfuchs {

class AppModel;
class ChartLegend;
class ColorModePicker;
class HoverState;
class SunburstView;

// The left pane of the result screen: the chart of the shown folder with the
// summary line under it. Each shown folder gets a chart of its own; when the
// folder changes by navigation, the old chart fades out shrinking to 92 %
// while the new one fades in growing from 92 %, on the model's spring.
class ChartPane : public QWidget {
    Q_OBJECT
  public:
    ChartPane(AppModel& model, HoverState& hover, QWidget* parent = nullptr);

    SunburstView* chart() const { return chart_; }
    ColorModePicker* colorModePicker() const { return picker_; }
    ChartLegend* legend() const { return legend_; }
    bool isTransitioning() const;

    QSize minimumSizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    class Transition;

    void replaceChart(bool animated);
    void placeCorners();

    AppModel& model_;
    HoverState& hover_;
    QWidget* host_;  // holds the chart inside its padding
    SunburstView* chart_;
    Transition* transition_;
    ColorModePicker* picker_;
    ChartLegend* legend_;
};

}  // namespace raumfuchs
