#pragma once

#include <QWidget>

class QComboBox;

namespace raumfuchs {

class ColorModes;

// "Färbung": the choice of how the chart colours its arcs, shown only while
// there is more to choose than the standard colours.
class ColorModePicker : public QWidget {
    Q_OBJECT
  public:
    ColorModePicker(ColorModes& modes, QWidget* parent);

    QComboBox* box() const { return box_; }

  private:
    void follow();

    ColorModes& modes_;
    QComboBox* box_;
};

}  // namespace raumfuchs
