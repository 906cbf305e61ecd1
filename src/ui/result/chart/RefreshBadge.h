#pragma once

#include <QWidget>

namespace raumfuchs {

class AppModel;
class Spinner;
class TextLabel;

// A small turning ring with the name of the folder being read in again, shown
// in a corner of the chart while a refresh runs and hidden otherwise.
class RefreshBadge : public QWidget {
    Q_OBJECT
  public:
    RefreshBadge(AppModel& model, QWidget* parent);

  private:
    void follow();

    AppModel& model_;
    Spinner* spinner_;
    TextLabel* text_;
};

}  // namespace raumfuchs
