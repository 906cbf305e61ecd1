#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QAction;
class QStackedLayout;

namespace raumfuchs {

class AppModel;
class HoverState;

// The screen after a scan: the breadcrumb path on top, below it the chart
// with its summary line beside the side panel, split by a movable divider.
// Owns the hovered node that the chart writes and the panel reads. The window
// shows title() as its title and puts the toolbar actions in its tool bar
// while this screen is on display.
class ResultView : public QWidget {
    Q_OBJECT
  public:
    explicit ResultView(AppModel& model, QWidget* parent = nullptr);
    ~ResultView() override;

    // The target's name (or "Raumfuchs") and the size of the whole tree:
    // "Name — 12,3 GB".
    QString title() const;

    // Leading group: "Übersicht", "Nach oben".
    QList<QAction*> navigationActions() const { return {overview_, up_}; }
    // Trailing group: "Erneut scannen" (Ctrl+R), "Neu einlesen" (F5: the shown
    // folder only, in place), "Im Dateimanager zeigen", "Vergleichen" (its
    // menu: the earlier scans to compare with).
    QList<QAction*> primaryActions() const { return {rescan_, refresh_, reveal_, compare_}; }
    QList<QAction*> toolbarActions() const { return navigationActions() + primaryActions(); }

  signals:
    void titleChanged(const QString& title);

  private:
    void refresh();

    AppModel& model_;
    HoverState* hover_;
    QStackedLayout* pages_;
    QAction* overview_;
    QAction* up_;
    QAction* rescan_;
    QAction* refresh_;
    QAction* reveal_;
    QAction* compare_;
    QString title_;
};

}  // namespace raumfuchs
