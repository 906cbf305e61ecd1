#pragma once

#include <QMenu>

namespace raumfuchs {

class AppModel;

// "Vergleichen mit …": the earlier scans of the shown tree's path, newest
// first, each with its date, total and file count; "Andere Datei …" for any
// ncdu export; and while a comparison is shown, "Vergleich beenden". Filled
// anew each time it opens, from the model's history. Used by the window's
// "Datei" menu and by the result screen's tool bar, which enable it while a
// tree is shown.
class CompareMenu : public QMenu {
    Q_OBJECT
  public:
    CompareMenu(AppModel& model, QWidget* parent = nullptr);

    // The entries as they are now (what opening the menu shows).
    void fill();

  private:
    AppModel& model_;
};

}  // namespace raumfuchs
