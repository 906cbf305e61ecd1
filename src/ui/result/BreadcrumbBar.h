#pragma once

#include <QAbstractButton>
#include <QScrollArea>
#include <vector>

#include "core/tree/FileTree.h"

class QHBoxLayout;

namespace raumfuchs {

class AppModel;

// The path from the scanned root to the shown folder, one clickable crumb per
// folder, in a strip that scrolls sideways (without scroll bars) so that the
// shown folder stays in view at the trailing edge.
class BreadcrumbBar : public QScrollArea {
    Q_OBJECT
  public:
    // One folder of the path: optional icon and name on a capsule, which is
    // filled with the accent for the shown folder.
    class Crumb : public QAbstractButton {
      public:
        Crumb(const FileNode& node, const QString& symbol, bool isCurrent, QWidget* parent);
        const FileNode& node() const { return node_; }
        bool isCurrent() const { return isCurrent_; }
        const QString& symbol() const { return symbol_; }
        QSize sizeHint() const override;

      protected:
        void paintEvent(QPaintEvent* event) override;

      private:
        FileNode node_;
        QString symbol_;  // empty: no icon
        bool isCurrent_;
    };

    explicit BreadcrumbBar(AppModel& model, QWidget* parent = nullptr);

    const std::vector<Crumb*>& crumbs() const { return crumbs_; }
    int chevronCount() const { return chevronCount_; }

  private:
    void rebuild();
    void scrollToCurrent();

    AppModel& model_;
    QWidget* strip_;
    QHBoxLayout* row_;
    std::vector<Crumb*> crumbs_;
    int chevronCount_ = 0;
};

}  // namespace raumfuchs
