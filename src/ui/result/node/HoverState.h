#pragma once

#include <QObject>
#include <QPoint>
#include <optional>

#include "core/tree/FileTree.h"

namespace raumfuchs {

// The node under the pointer in the chart. Owned by the result screen, written
// by the chart, read by the side panel.
class HoverState : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    const FileNode& hovered() const { return hovered_; }
    // Emits changed() only when the node is another one.
    void setHovered(const FileNode& node) {
        if (node == hovered_) {
            return;
        }
        hovered_ = node;
        emit changed();
    }

    // A click that changes the shown folder puts a new chart under a pointer
    // that has not moved: the hovered node (the clicked folder) stays until
    // the pointer moves away from `globalPosition` or leaves the chart.
    void holdAt(QPoint globalPosition) { heldAt_ = globalPosition; }
    bool isHeld() const { return heldAt_.has_value(); }
    bool isHeldAt(QPoint globalPosition) const { return heldAt_ == globalPosition; }
    void release() { heldAt_.reset(); }

  signals:
    void changed();

  private:
    FileNode hovered_;
    std::optional<QPoint> heldAt_;
};

}  // namespace raumfuchs
