#include "ui/result/chart/CenterLabel.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPalette>
#include <QTextLayout>

#include "core/text/Format.h"
#include "ui/widgets/Icons.h"
#include "ui/widgets/QtText.h"
#include "ui/widgets/Style.h"

namespace raumfuchs {

namespace {

constexpr double kLabelWidthFactor = 1.7;  // of the disc's radius
constexpr double kLabelSpacing = 3;

double labelWidth(const RingGeometry& g) {
    return kLabelWidthFactor * g.innerRadius;
}

// A name on at most two lines of `width`: wrapped at word boundaries where it
// can be, and what does not fit is elided in the middle of the second line so
// that the end of a file name (its extension) stays visible.
QStringList twoLines(const QString& name, const QFont& font, double width) {
    QTextLayout layout(name, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine first = layout.createLine();
    if (!first.isValid()) {
        layout.endLayout();
        return {name};
    }
    first.setLineWidth(width);
    const int split = first.textStart() + first.textLength();
    layout.endLayout();
    const QString head = name.left(split).trimmed();
    const QString rest = name.mid(split).trimmed();
    if (rest.isEmpty()) {
        return {head};
    }
    return {head, QFontMetricsF(font).elidedText(rest, Qt::ElideMiddle, width)};
}

}  // namespace

CenterLabel CenterLabel::describe(const FileNode& folder, const FileNode& hovered,
                                  const RingGeometry& g, const QString& change) {
    const FileNode shown = hovered ? hovered : folder;
    CenterLabel label;
    if (!shown) {
        return label;
    }
    const double width = labelWidth(g);
    label.upIcon = !hovered && folder && folder.parent();
    label.name =
        twoLines(toQString(shown.displayName()), Style::font(Style::TextStyle::Headline), width);
    label.size = toQString(Format::bytes(shown.size()));
    if (hovered) {
        label.detail = toQString(Format::percent(shown.size(), folder ? folder.size() : 0)) +
                       QStringLiteral(" von ") +
                       (folder ? toQString(folder.displayName()) : QString());
    } else {
        label.detail = toQString(Format::files(folder.fileCount()));
    }
    // A small chart shows the text smaller before it cuts it.
    label.detailFont = Style::fitted(Style::TextStyle::Caption, label.detail, width);
    label.detail = QFontMetricsF(label.detailFont).elidedText(label.detail, Qt::ElideRight, width);
    label.change = QFontMetricsF(label.detailFont).elidedText(change, Qt::ElideRight, width);
    return label;
}

QString CenterLabel::oneLine() const {
    QStringList parts{name.join(QLatin1Char(' ')), size, detail};
    if (!change.isEmpty()) {
        parts << change;
    }
    return parts.join(QStringLiteral(", "));
}

void CenterLabel::draw(QPainter& painter, const RingGeometry& g, const QPalette& palette,
                       const QIcon& arrow) const {
    if (name.isEmpty()) {
        return;
    }
    const double width = labelWidth(g);
    const QColor primary = Style::foreground(palette, Style::Level::Primary);
    const QColor secondary = Style::foreground(palette, Style::Level::Secondary);
    const QFont nameFont = Style::font(Style::TextStyle::Headline);
    const QFont sizeFont = Style::font(Style::TextStyle::Title2, QFont::Bold, true);
    const double iconSize = QFontMetricsF(Style::font(Style::TextStyle::Title3)).height();
    const double lineHeight = QFontMetricsF(nameFont).lineSpacing();
    const double sizeHeight = QFontMetricsF(sizeFont).height();
    const double captionHeight = QFontMetricsF(detailFont).height();

    double total = lineHeight * double(name.size()) + kLabelSpacing + sizeHeight + kLabelSpacing +
                   captionHeight;
    if (!change.isEmpty()) {
        total += captionHeight;
    }
    if (upIcon) {
        total += iconSize + kLabelSpacing;
    }
    const double left = g.center.x - width / 2;
    double y = g.center.y - total / 2;
    const auto line = [&](double height, const QString& value) {
        painter.drawText(QRectF(left, y, width, height), Qt::AlignHCenter | Qt::AlignTop, value);
        y += height;
    };

    if (upIcon) {
        arrow.paint(&painter, QRectF(g.center.x - iconSize / 2, y, iconSize, iconSize).toRect());
        y += iconSize + kLabelSpacing;
    }
    painter.setPen(primary);
    painter.setFont(nameFont);
    for (const QString& nameLine : name) {
        line(lineHeight, nameLine);
    }
    y += kLabelSpacing;
    painter.setFont(sizeFont);
    line(sizeHeight, size);
    y += kLabelSpacing;
    painter.setPen(secondary);
    painter.setFont(detailFont);
    line(captionHeight, detail);
    if (!change.isEmpty()) {
        line(captionHeight, change);
    }
}

QRect CenterLabel::bounds(const RingGeometry& g) {
    const double r = g.innerRadius;
    return QRectF(g.center.x - r, g.center.y - r, 2 * r, 2 * r)
        .toAlignedRect()
        .adjusted(-2, -2, 2, 2);
}

QIcon CenterLabel::arrowFor(const QPalette& palette) {
    return Icons::symbol(QStringLiteral("arrow.up.circle"),
                         Style::foreground(palette, Style::Level::Secondary));
}

}  // namespace raumfuchs
