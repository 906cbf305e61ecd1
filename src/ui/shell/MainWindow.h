#pragma once

#include <QMainWindow>

class QAction;
class QMenu;
class QToolBar;

namespace raumfuchs {

class AppModel;
class ContentView;

// The single window: the root view and the menu bar. Commands that belong to
// the application (about, licences) are passed on as signals.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(AppModel& model, QWidget* parent = nullptr);

  signals:
    // Once, when the window first shows its content: the launch task runs then.
    void firstShown();
    void aboutRequested();
    void licencesRequested();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void buildMenus();
    void refreshEnabledStates();
    // Tool bar and title of the screen on display (the result screen has both).
    void adoptScreen();

    AppModel& model_;
    ContentView* content_;
    QAction* rescan_ = nullptr;
    QAction* save_ = nullptr;
    QMenu* compare_ = nullptr;
    QAction* keepHistory_ = nullptr;
    QAction* parentFolder_ = nullptr;
    QAction* rootFolder_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QAction* toolBarSpacer_ = nullptr;
    bool shown_ = false;
};

}  // namespace raumfuchs
