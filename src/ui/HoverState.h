#pragma once

#include <QObject>

#include "core/FileTree.h"

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

  signals:
    void changed();

  private:
    FileNode hovered_;
};

}  // namespace raumfuchs
