#include "ui/result/list/KindRow.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "core/text/Format.h"
#include "ui/result/list/KindListModel.h"
#include "ui/result/list/NodeRow.h"
#include "ui/widgets/QtText.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/UsageBar.h"

namespace raumfuchs {

namespace {

constexpr int kHorizontalPadding = NodeRow::kHorizontalPadding;
constexpr int kVerticalPadding = NodeRow::kVerticalPadding;
constexpr int kIconSize = NodeRow::kIconSize;
constexpr int kSpacing = NodeRow::kSpacing;
constexpr int kLineSpacing = NodeRow::kLineSpacing;
constexpr int kBarHeight = NodeRow::kBarHeight;
constexpr double kBarOpacity = NodeRow::kBarOpacity;
constexpr int kSwatch = 14;
constexpr int kHeadingTop = 10;

using RowKind = KindListModel::RowKind;

RowKind rowKind(const QModelIndex& index) {
    return static_cast<RowKind>(index.data(KindListModel::RowKindRole).toInt());
}

int captionHeight(const QFont& font) {
    return QFontMetrics(font).height() + 2;  // as NodeRow's caption lines
}

}  // namespace

KindRow::KindRow(QObject* parent)
    : QStyledItemDelegate(parent),
      nameFont_(Style::font(Style::TextStyle::Body)),
      sizeFont_(Style::font(Style::TextStyle::Body, QFont::Normal, true)),
      captionFont_(Style::font(Style::TextStyle::Caption, QFont::Normal, true)),
      headingFont_(Style::font(Style::TextStyle::Subheadline, QFont::DemiBold)) {}

QSize KindRow::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
    const int name = QFontMetrics(nameFont_).height();
    const int caption = captionHeight(captionFont_);
    switch (rowKind(index)) {
        case RowKind::Heading:
            return {200, kHeadingTop + QFontMetrics(headingFont_).height() + kVerticalPadding};
        case RowKind::Note:
            return {200, 2 * kVerticalPadding + 2 * caption};
        case RowKind::Age:
            return {200, 2 * kVerticalPadding + std::max(kIconSize, name + kLineSpacing + caption)};
        case RowKind::Category:
            break;
    }
    return {200, 2 * kVerticalPadding + name + 2 * kLineSpacing + kBarHeight + caption};
}

void KindRow::paint(QPainter* painter, const QStyleOptionViewItem& option,
                    const QModelIndex& index) const {
    const RowKind kind = rowKind(index);
    QStyleOptionViewItem base = option;
    initStyleOption(&base, index);
    base.text.clear();
    base.icon = QIcon();
    // The selection shown is the chosen category, not the view's.
    base.state.setFlag(QStyle::State_Selected, index.data(KindListModel::SelectedRole).toBool());
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &base, painter, widget);

    const bool selected = (base.state & QStyle::State_Selected) != 0;
    const QPalette& palette = option.palette;
    const QColor primary =
        palette.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text);
    QColor secondary = primary;
    secondary.setAlphaF(selected ? 0.75f
                                 : Style::foreground(palette, Style::Level::Secondary).alphaF());
    const QRect inner = option.rect.adjusted(kHorizontalPadding, kVerticalPadding,
                                             -kHorizontalPadding, -kVerticalPadding);
    painter->save();
    if (kind == RowKind::Heading || kind == RowKind::Note) {
        painter->setFont(kind == RowKind::Heading ? headingFont_ : captionFont_);
        painter->setPen(kind == RowKind::Heading ? primary : secondary);
        painter->drawText(inner, Qt::AlignLeft | Qt::AlignBottom | Qt::TextWordWrap,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
        return;
    }

    const QFontMetrics nameMetrics(nameFont_);
    const QFontMetrics sizeMetrics(sizeFont_);
    const QFontMetrics captionMetrics(captionFont_);
    const int caption = captionHeight(captionFont_);

    // Trailing column: size over share.
    const QString shownSize =
        toQString(Format::bytes(index.data(KindListModel::SizeRole).value<std::int64_t>()));
    const QString share = index.data(KindListModel::ShareTextRole).toString();
    const int rightWidth =
        std::max(sizeMetrics.horizontalAdvance(shownSize), captionMetrics.horizontalAdvance(share));
    const int rightTop = inner.top() + (inner.height() - sizeMetrics.height() - caption) / 2;
    const QRect sizeRect(inner.right() - rightWidth + 1, rightTop, rightWidth,
                         sizeMetrics.height());
    const QRect shareRect(sizeRect.left(), sizeRect.bottom() + 1, rightWidth, caption);

    // Leading column: swatch, name and file count, bar, extensions.
    const int left = inner.left() + kIconSize + kSpacing;
    const int width = std::max(0, sizeRect.left() - kSpacing - left);
    const int blockHeight = nameMetrics.height() + kLineSpacing + kBarHeight +
                            (kind == RowKind::Category ? kLineSpacing + caption : 0);
    const int top = inner.top() + (inner.height() - blockHeight) / 2;
    const QRect nameLine(left, top, width, nameMetrics.height());
    const QRect bar(left, nameLine.bottom() + 1 + kLineSpacing, width, kBarHeight);

    painter->setRenderHint(QPainter::Antialiasing);
    const QRectF swatch(inner.left() + (kIconSize - kSwatch) / 2.0,
                        nameLine.center().y() - kSwatch / 2.0 + 1, kSwatch, kSwatch);
    painter->setPen(Qt::NoPen);
    painter->setBrush(index.data(KindListModel::ColorRole).value<QColor>());
    painter->drawRoundedRect(swatch, 3, 3);

    const QString files = index.data(KindListModel::FilesRole).toString();
    const int filesWidth = captionMetrics.horizontalAdvance(files);
    const QString name =
        nameMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight,
                               std::max(0, width - filesWidth - kSpacing));
    painter->setFont(nameFont_);
    painter->setPen(primary);
    painter->drawText(nameLine, Qt::AlignLeft | Qt::AlignVCenter, name);
    painter->setFont(captionFont_);
    painter->setPen(secondary);
    painter->drawText(nameLine, Qt::AlignRight | Qt::AlignVCenter, files);

    painter->setOpacity(kBarOpacity);
    UsageBar::paint(*painter, QRectF(bar), index.data(KindListModel::ShareRole).toDouble(),
                    palette);
    painter->setOpacity(1.0);

    if (kind == RowKind::Category) {
        const QRect extensions(left, bar.bottom() + 1 + kLineSpacing, width, caption);
        painter->drawText(
            extensions, Qt::AlignLeft | Qt::AlignVCenter,
            captionMetrics.elidedText(index.data(KindListModel::ExtensionsRole).toString(),
                                      Qt::ElideRight, width));
    }

    painter->setFont(sizeFont_);
    painter->setPen(primary);
    painter->drawText(sizeRect, Qt::AlignRight | Qt::AlignVCenter, shownSize);
    painter->setFont(captionFont_);
    painter->setPen(secondary);
    painter->drawText(shareRect, Qt::AlignRight | Qt::AlignTop, share);
    painter->restore();
}

}  // namespace raumfuchs
