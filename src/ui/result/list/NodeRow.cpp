#include "ui/result/list/NodeRow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFileIconProvider>
#include <QHash>
#include <QHelpEvent>
#include <QMimeDatabase>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

#include "core/compare/ChangeColoring.h"
#include "core/text/Format.h"
#include "ui/result/list/NodeListModel.h"
#include "ui/result/node/HoverState.h"
#include "ui/widgets/Icons.h"
#include "ui/widgets/QtText.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/UsageBar.h"

namespace raumfuchs {

namespace {

constexpr int kMinimumGap = 8;
constexpr int kNameSpacing = 4;
constexpr int kRightLineSpacing = 2;
constexpr double kHoverOpacity = 0.18;
constexpr double kUnreadableIconOpacity = 0.5;
constexpr double kRemovedIconOpacity = 0.35;

// Caption lines get two extra pixels: common UI fonts draw "_" below the
// descent they report, and the next row would paint over it.
int captionLineHeight(const QFontMetrics& metrics) {
    return metrics.height() + 2;
}

// The top of a block `height` high, centred in `area`.
int centredTop(const QRect& area, int height) {
    return area.top() + (area.height() - height) / 2;
}

const QString& unreadableTip() {
    static const QString text = QStringLiteral("Nicht vollständig lesbar");
    return text;
}

const QIcon& folderIcon() {
    static const QIcon icon = [] {
        QIcon folder = QFileIconProvider().icon(QFileIconProvider::Folder);
        return folder.isNull() ? Icons::symbol(QStringLiteral("folder")) : folder;
    }();
    return icon;
}

// Icons of files by MIME type: a folder of 100,000 files asks the icon theme
// once per type, not once per row.
QIcon iconForType(const QMimeType& type) {
    static QHash<QString, QIcon> cache;
    const auto found = cache.constFind(type.name());
    if (found != cache.constEnd()) {
        return *found;
    }
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull()) {
        icon = QIcon::fromTheme(type.genericIconName());
    }
    if (icon.isNull()) {
        icon = type.name() == QLatin1String("inode/directory")
                   ? folderIcon()
                   : QFileIconProvider().icon(QFileIconProvider::File);
    }
    if (icon.isNull()) {
        icon = Icons::symbol(QStringLiteral("doc"));
    }
    cache.insert(type.name(), icon);
    return icon;
}

}  // namespace

QIcon NodeRow::icon(const FileNode& node) {
    const std::string_view name = node.nameBytes();
    if (node.isDirectory() && name.find('.') == std::string_view::npos) {
        return folderIcon();
    }
    static const QMimeDatabase database;
    if (node.isDirectory()) {
        // A dotted folder (a bundle, "photos.d"): ask for what is really there.
        const std::string path = node.path();
        return iconForType(database.mimeTypeForFile(
            QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())))));
    }
    // Files are typed by their name alone: reading their contents for every
    // row would make scrolling a large folder wait for the disk.
    return iconForType(
        database.mimeTypeForFile(toQString(decodeUtf8Lossy(name)), QMimeDatabase::MatchExtension));
}

struct NodeRow::Geometry {
    QRect icon;
    QRect name;
    QRect lock;
    QRect detail;  // the usage bar or the path line
    QRect size;
    QRect percent;
    QRect change;  // empty without a comparison
    QString elidedName;
    QString sizeText;
    QString percentText;
};

NodeRow::NodeRow(const HoverState& hover, QObject* parent)
    : QStyledItemDelegate(parent),
      hover_(hover),
      nameFont_(Style::font(Style::TextStyle::Body)),
      sizeFont_(Style::font(Style::TextStyle::Body, QFont::Normal, true)),
      captionFont_(Style::font(Style::TextStyle::Caption, QFont::Normal, true)),
      lockFont_(Style::font(Style::TextStyle::Caption2)) {
    // The widest texts the columns can hold: three whole digits in every unit
    // with all its decimals (digits are of equal width), and a full share.
    const QFontMetrics sizeMetrics(sizeFont_);
    for (const std::int64_t widest :
         {999'000LL, 999'900'000LL, 999'990'000'000LL, 999'990'000'000'000LL}) {
        rightColumnWidth_ = std::max(
            rightColumnWidth_, sizeMetrics.horizontalAdvance(toQString(Format::bytes(widest))));
    }
    for (const std::int64_t widest : {-999'000LL, -999'900'000LL, -999'990'000'000LL}) {
        changeColumnWidth_ = std::max(
            changeColumnWidth_, sizeMetrics.horizontalAdvance(toQString(Format::change(widest))));
    }
    const QFontMetrics captionMetrics(captionFont_);
    for (const auto& [part, whole] : {std::pair{1, 1}, std::pair{99, 1000}}) {
        rightColumnWidth_ =
            std::max(rightColumnWidth_,
                     captionMetrics.horizontalAdvance(toQString(Format::percent(part, whole))));
    }
}

NodeRow::Geometry NodeRow::geometry(const QRect& rect, const QModelIndex& index) const {
    Geometry g;
    const QRect inner =
        rect.adjusted(kHorizontalPadding, kVerticalPadding, -kHorizontalPadding, -kVerticalPadding);
    const QFontMetrics nameMetrics(nameFont_);
    const QFontMetrics sizeMetrics(sizeFont_);
    const QFontMetrics captionMetrics(captionFont_);
    const QFontMetrics lockMetrics(lockFont_);

    g.icon = QRect(inner.left(), centredTop(inner, kIconSize), kIconSize, kIconSize);

    // Trailing column: size over share, right-aligned.
    g.sizeText =
        toQString(Format::bytes(index.data(NodeListModel::SizeRole).value<std::int64_t>()));
    g.percentText = index.data(NodeListModel::ShareTextRole).toString();
    // One column for every row, so that all bars end at the same x; only a
    // size beyond 999,99 TB would widen its own row.
    const int rightWidth = std::max({rightColumnWidth_, sizeMetrics.horizontalAdvance(g.sizeText),
                                     captionMetrics.horizontalAdvance(g.percentText)});
    const int rightHeight =
        sizeMetrics.height() + kRightLineSpacing + captionLineHeight(captionMetrics);
    const int rightTop = centredTop(inner, rightHeight);
    g.size = QRect(inner.right() - rightWidth + 1, rightTop, rightWidth, sizeMetrics.height());
    g.percent = QRect(g.size.left(), g.size.bottom() + 1 + kRightLineSpacing, rightWidth,
                      captionLineHeight(captionMetrics));

    // The change, before the size and on its line.
    int trailingLeft = g.size.left();
    if (index.data(NodeListModel::ChangeRole).isValid()) {
        g.change = QRect(g.size.left() - kSpacing - changeColumnWidth_, g.size.top(),
                         changeColumnWidth_, g.size.height());
        trailingLeft = g.change.left();
    }

    // Leading column: name line over the bar or the path.
    const int left = g.icon.right() + 1 + kSpacing;
    const int width = std::max(0, trailingLeft - kSpacing - kMinimumGap - kSpacing - left);
    const bool showsPath = index.data(NodeListModel::PathRole).isValid();
    const int detailHeight = showsPath ? captionLineHeight(captionMetrics) : kBarHeight;
    const int leftHeight = nameMetrics.height() + kLineSpacing + detailHeight;
    const int leftTop = centredTop(inner, leftHeight);
    const int lockSize = lockMetrics.height();
    const bool unreadable = index.data(NodeListModel::UnreadableRole).toBool();
    const int nameRoom = unreadable ? std::max(0, width - kNameSpacing - lockSize) : width;
    g.elidedName =
        nameMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideMiddle, nameRoom);
    const int nameWidth = std::min(nameRoom, nameMetrics.horizontalAdvance(g.elidedName));
    g.name = QRect(left, leftTop, nameWidth, nameMetrics.height());
    if (unreadable) {
        g.lock = QRect(g.name.right() + 1 + kNameSpacing, g.name.center().y() - lockSize / 2 + 1,
                       lockSize, lockSize);
    }
    g.detail = QRect(left, g.name.bottom() + 1 + kLineSpacing, width, detailHeight);
    return g;
}

QSize NodeRow::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    const int nameHeight = QFontMetrics(nameFont_).height();
    const int captionHeight = captionLineHeight(QFontMetrics(captionFont_));
    const int leftHeight = nameHeight + kLineSpacing + std::max(captionHeight, kBarHeight);
    const int rightHeight = QFontMetrics(sizeFont_).height() + kRightLineSpacing + captionHeight;
    const int height = std::max({kIconSize, leftHeight, rightHeight}) + 2 * kVerticalPadding;
    return {200, height};
}

void NodeRow::paint(QPainter* painter, const QStyleOptionViewItem& option,
                    const QModelIndex& index) const {
    const auto node = index.data(NodeListModel::NodeRole).value<FileNode>();
    QStyleOptionViewItem base = option;
    initStyleOption(&base, index);
    base.text.clear();
    base.icon = QIcon();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &base, painter, widget);
    const bool removed = index.data(NodeListModel::RemovedRole).toBool();
    if (!node && !removed) {
        return;
    }

    painter->save();
    if (node && hover_.hovered() == node) {
        painter->fillRect(option.rect, Style::color(Theme::accent, kHoverOpacity));
    }
    const Geometry g = geometry(option.rect, index);
    const bool unreadable = index.data(NodeListModel::UnreadableRole).toBool();
    const QVariant path = index.data(NodeListModel::PathRole);
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const QPalette& palette = option.palette;
    const QColor primary =
        removed ? palette.color(QPalette::Disabled, QPalette::Text)
                : palette.color(QPalette::Active,
                                selected ? QPalette::HighlightedText : QPalette::Text);
    QColor secondary = primary;
    secondary.setAlphaF(selected ? 0.75f
                                 : Style::foreground(palette, Style::Level::Secondary).alphaF());

    if (removed) {
        painter->setOpacity(kRemovedIconOpacity);
        (index.data(NodeListModel::FolderRole).toBool()
             ? folderIcon()
             : iconForType(QMimeDatabase().mimeTypeForFile(index.data(Qt::DisplayRole).toString(),
                                                           QMimeDatabase::MatchExtension)))
            .paint(painter, g.icon);
    } else {
        painter->setOpacity(unreadable ? kUnreadableIconOpacity : 1.0);
        icon(node).paint(painter, g.icon);
    }
    painter->setOpacity(1.0);

    painter->setPen(primary);
    painter->setFont(nameFont_);
    painter->drawText(g.name, Qt::AlignLeft | Qt::AlignVCenter, g.elidedName);
    if (unreadable) {
        Icons::symbol(QStringLiteral("lock.fill"), secondary).paint(painter, g.lock);
    }

    const int captionHeight = captionLineHeight(QFontMetrics(captionFont_));
    // A caption line, centred where the thinner bar would be.
    const QRect barLine(g.detail.left(), g.detail.center().y() - captionHeight / 2,
                        g.detail.width(), captionHeight);
    if (removed) {
        painter->setFont(captionFont_);
        painter->setPen(secondary);
        painter->drawText(barLine, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("entfernt"));
    } else if (path.isValid()) {
        painter->setFont(captionFont_);
        painter->setPen(secondary);
        painter->drawText(g.detail, Qt::AlignLeft | Qt::AlignVCenter,
                          QFontMetrics(captionFont_)
                              .elidedText(path.toString(), Qt::ElideLeft, g.detail.width()));
    } else if (index.data(NodeListModel::RefreshingRole).toBool()) {
        painter->setFont(captionFont_);
        painter->setPen(secondary);
        painter->drawText(barLine, Qt::AlignLeft | Qt::AlignVCenter,
                          QStringLiteral("Wird neu eingelesen …"));
    } else {
        painter->setOpacity(kBarOpacity);
        UsageBar::paint(*painter, QRectF(g.detail), index.data(NodeListModel::ShareRole).toDouble(),
                        palette);
        painter->setOpacity(1.0);
    }

    if (!g.change.isEmpty()) {
        // Coloured as the chart colours a change, strongly, unless selected.
        const auto state =
            static_cast<ChangeState>(index.data(NodeListModel::ChangeStateRole).toInt());
        const bool tinted = !selected && state != ChangeState::Unchanged;
        painter->setPen(tinted ? Style::color(ChangeColoring::colorOf(state, 1)) : secondary);
        painter->setFont(sizeFont_);
        painter->drawText(g.change, Qt::AlignRight | Qt::AlignVCenter,
                          index.data(NodeListModel::ChangeRole).toString());
    }
    if (!removed) {
        painter->setPen(primary);
        painter->setFont(sizeFont_);
        painter->drawText(g.size, Qt::AlignRight | Qt::AlignVCenter, g.sizeText);
        painter->setPen(secondary);
        painter->setFont(captionFont_);
        painter->drawText(g.percent, Qt::AlignRight | Qt::AlignTop, g.percentText);
    }
    painter->restore();
}

bool NodeRow::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                        const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() != QEvent::ToolTip) {
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }
    if (index.data(NodeListModel::UnreadableRole).toBool() &&
        geometry(option.rect, index).lock.contains(event->pos())) {
        QToolTip::showText(event->globalPos(), unreadableTip(), view);
        return true;
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}

}  // namespace raumfuchs
