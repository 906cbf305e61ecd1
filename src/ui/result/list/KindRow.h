#pragma once

#include <QFont>
#include <QStyledItemDelegate>

namespace raumfuchs {

// Paints the rows of the kinds view in the manner of NodeRow: a swatch of the
// row's colour in the chart, the name with its file count, a usage bar and,
// for a category, its largest extensions below; size and share at the
// trailing edge. The selected category is drawn as selected, whatever the
// view's own selection. Everything comes from KindListModel's roles.
class KindRow : public QStyledItemDelegate {
  public:
    explicit KindRow(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  private:
    QFont nameFont_;
    QFont sizeFont_;
    QFont captionFont_;
    QFont headingFont_;
};

}  // namespace raumfuchs
