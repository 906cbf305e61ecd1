#pragma once

#include <QWidget>

class QPushButton;

namespace raumfuchs {

class AppModel;
class Spinner;
class TextLabel;

// The screen of a running scan: spinner, target name, running counts, the path
// the scanner is at, and "Abbrechen" (also the Escape key). An export being
// read shows the entries read instead.
class ScanningView : public QWidget {
    Q_OBJECT
  public:
    explicit ScanningView(AppModel& model, QWidget* parent = nullptr);

    // "12.345 Dateien · 1,2 GB"
    static QString counterText(std::int64_t files, std::int64_t bytes);

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void refreshTarget();
    void refreshProgress();
    bool readsExport() const;

    AppModel& model_;
    Spinner* spinner_;
    TextLabel* title_;
    TextLabel* counter_;
    TextLabel* path_;
    QPushButton* cancel_;
};

}  // namespace raumfuchs
