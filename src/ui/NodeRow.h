#pragma once

#include <QFont>
#include <QIcon>
#include <QStyledItemDelegate>
#include <cstdint>
#include <string>

#include "core/FileTree.h"

namespace raumfuchs {

class HoverState;
class NodeListModel;

// The folder that holds `node`, written from `relativeTo` down and starting
// with its name ("Bilder/Urlaub"); the parent's full path when it does not lie
// below `relativeTo`, and empty when the node has no parent any more. Bytes of
// the file system, to be decoded for display.
std::string relativePath(const FileNode& node, const FileNode& relativeTo);

// The share of `size` in `reference` for a usage bar: 0 when the reference is
// not positive.
double shareFraction(std::int64_t size, std::int64_t reference);

// Paints the rows of the side panel, one node each: icon, name (with a lock
// for unreadable items), a usage bar or the item's folder, and size and share
// at the trailing edge. A delegate rather than a widget per row, so that huge
// folders cost only the rows on screen.
class NodeRow : public QStyledItemDelegate {
  public:
    NodeRow(const NodeListModel& list, const HoverState& hover, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // The icon of a row: one shared folder icon for folders without a dot in
    // their name, otherwise the desktop's icon for the item's type.
    static QIcon icon(const FileNode& node);

  private:
    struct Geometry;
    Geometry geometry(const QRect& rect, const FileNode& node) const;

    const NodeListModel& list_;
    const HoverState& hover_;
    QFont nameFont_;
    QFont sizeFont_;
    QFont captionFont_;
    QFont lockFont_;
    int rightColumnWidth_ = 0;  // size and share, measured for the widest texts
};

}  // namespace raumfuchs
