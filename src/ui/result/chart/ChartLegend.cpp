#include "ui/result/chart/ChartLegend.h"

#include <QPainter>
#include <QStringList>

#include "app/color/ColorModes.h"
#include "ui/widgets/QtText.h"
#include "ui/widgets/Style.h"

namespace raumfuchs {

namespace {

constexpr int kSwatch = 10;
constexpr int kGap = 6;
constexpr int kLineSpacing = 3;

}  // namespace

ChartLegend::ChartLegend(ColorModes& modes, QWidget* parent) : QWidget(parent), modes_(modes) {
    setObjectName(QStringLiteral("chartLegend"));
    setFont(Style::font(Style::TextStyle::Caption));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(&modes_, &ColorModes::changed, this, &ChartLegend::follow);
    follow();
}

void ChartLegend::follow() {
    const std::shared_ptr<const ArcColoring> coloring = modes_.coloring();
    entries_ = coloring ? coloring->legend() : std::vector<ArcColoring::LegendEntry>();
    QStringList lines;
    for (const ArcColoring::LegendEntry& entry : entries_) {
        lines << toQString(entry.label);
    }
    setAccessibleName(QStringLiteral("Legende"));
    setAccessibleDescription(lines.join(QStringLiteral(", ")));
    setVisible(!entries_.empty());
    resize(sizeHint());
    update();
}

QSize ChartLegend::sizeHint() const {
    const QFontMetrics metrics(font());
    int width = 0;
    for (const ArcColoring::LegendEntry& entry : entries_) {
        width = std::max(width, metrics.horizontalAdvance(toQString(entry.label)));
    }
    const int line = std::max(metrics.height(), kSwatch);
    const int count = static_cast<int>(entries_.size());
    return {kSwatch + kGap + width, count * line + std::max(0, count - 1) * kLineSpacing};
}

void ChartLegend::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics(font());
    const int line = std::max(metrics.height(), kSwatch);
    const QColor text = Style::foreground(palette(), Style::Level::Secondary);
    int y = 0;
    for (const ArcColoring::LegendEntry& entry : entries_) {
        const QRectF swatch(0.5, y + (line - kSwatch) / 2.0 + 0.5, kSwatch - 1, kSwatch - 1);
        painter.setPen(Style::foreground(palette(), Style::Level::Tertiary));
        painter.setBrush(Style::color(entry.color));
        painter.drawRoundedRect(swatch, 2, 2);
        painter.setPen(text);
        painter.drawText(QRect(kSwatch + kGap, y, width() - kSwatch - kGap, line),
                         Qt::AlignVCenter | Qt::AlignLeft, toQString(entry.label));
        y += line + kLineSpacing;
    }
}

}  // namespace raumfuchs
