#pragma once

#include <QPointer>
#include <QWidget>
#include <vector>

#include "core/tree/FileTree.h"

class QMessageBox;
class QStackedLayout;

namespace raumfuchs {

class AppModel;
enum class Phase;

// The root view of the window: the screen of the model's phase, replaced with
// a short cross-fade when the phase changes, and the two prompts any screen
// can raise through the model (trash confirmation, notice alert).
class ContentView : public QWidget {
    Q_OBJECT
  public:
    explicit ContentView(AppModel& model, QWidget* parent = nullptr);

    // The confirmation's title for the pending nodes, e.g.
    // "„Urlaub.mov“ (1,2 GB) in den Papierkorb legen?".
    static QString trashTitle(const std::vector<FileNode>& nodes);

    QWidget* screen() const { return screen_; }
    // The prompts while they are open; null otherwise.
    QMessageBox* trashDialog() const;
    QMessageBox* alert() const;

  private:
    void showScreenForPhase();
    void crossFadeFrom(const QPixmap& outgoing);
    // Closes a prompt the model no longer wants, without taking it as an answer.
    void closeFromModel(QMessageBox* prompt);
    void syncTrashDialog();
    void syncAlert();

    AppModel& model_;
    QStackedLayout* stack_;
    QWidget* screen_ = nullptr;
    QPointer<QWidget> cover_;  // the outgoing picture while a fade runs
    QPointer<QMessageBox> trashDialog_;
    QPointer<QMessageBox> alert_;
    bool closingFromModel_ = false;  // a prompt is being closed because the model says so
    bool answeringTrash_ = false;    // the trash dialog's answer is being passed to the model
};

}  // namespace raumfuchs
