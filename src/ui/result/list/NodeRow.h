#pragma once

#include <QFont>
#include <QIcon>
#include <QStyledItemDelegate>

#include "core/tree/FileTree.h"

namespace raumfuchs {

class HoverState;

// Paints the rows of the side panel, one node each: icon, name (with a lock
// for unreadable items), a usage bar or the item's folder, and size and share
// at the trailing edge. A delegate rather than a widget per row, so that huge
// folders cost only the rows on screen. Everything it shows comes from the
// roles of NodeListModel; a row with a path shows it in place of the bar, a
// folder being read in again says so there. While the tree is compared with a
// baseline, a column before the size shows each row's change, warm for growth,
// cool for shrinking; an entry only the baseline has is drawn greyed, with
// "entfernt" where the bar would be.
class NodeRow : public QStyledItemDelegate {
  public:
    explicit NodeRow(const HoverState& hover, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // The icon of a row: one shared folder icon for folders without a dot in
    // their name, otherwise the desktop's icon for the item's type.
    static QIcon icon(const FileNode& node);

    // The row's measures, which the kinds view's rows share.
    static constexpr int kHorizontalPadding = 8;
    static constexpr int kVerticalPadding = 3;
    static constexpr int kIconSize = 22;
    static constexpr int kSpacing = 10;
    static constexpr int kLineSpacing = 3;
    static constexpr int kBarHeight = 4;
    static constexpr double kBarOpacity = 0.8;

  private:
    struct Geometry;
    Geometry geometry(const QRect& rect, const QModelIndex& index) const;

    const HoverState& hover_;
    QFont nameFont_;
    QFont sizeFont_;
    QFont captionFont_;
    QFont lockFont_;
    int rightColumnWidth_ = 0;   // size and share, measured for the widest texts
    int changeColumnWidth_ = 0;  // the change, measured the same way
};

}  // namespace raumfuchs
