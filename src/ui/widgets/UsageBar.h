#pragma once

#include <QColor>
#include <QPalette>
#include <QRectF>
#include <QWidget>

class QPainter;

namespace raumfuchs {

// The horizontal fill bar of a share: a quaternary track and a coloured fill,
// both capsules. Usable as a widget (volume cards) and, through paint(), from
// an item delegate (list rows).
class UsageBar : public QWidget {
    Q_OBJECT
  public:
    explicit UsageBar(QWidget* parent = nullptr);

    double fraction() const { return fraction_; }
    void setFraction(double fraction);

    // Fill colour: muted green below 75 %, the accent up to below 90 %, red
    // from 90 %.
    static QColor fillColor(double fraction);
    // Width of the fill in a bar `width` wide: the share, at most the full
    // width and at least a 4-point stub so that an empty volume still shows.
    static double fillWidth(double fraction, double width);
    static void paint(QPainter& painter, const QRectF& rect, double fraction,
                      const QPalette& palette);

    QSize sizeHint() const override { return {120, 8}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    double fraction_ = 0;
};

}  // namespace raumfuchs
