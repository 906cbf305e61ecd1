#include "ui/widgets/UsageBar.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "core/chart/Theme.h"
#include "ui/widgets/Style.h"

namespace raumfuchs {

namespace {

constexpr double kStubWidth = 4.0;
constexpr double kWarnShare = 0.75;
constexpr double kFullShare = 0.9;
constexpr Hsb kRoomyGreen{0.36, 0.55, 0.75, 1};

void fillCapsule(QPainter& painter, const QRectF& rect, const QBrush& brush) {
    const double radius = std::min(rect.height(), rect.width()) / 2.0;
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    painter.fillPath(path, brush);
}

}  // namespace

UsageBar::UsageBar(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(8);
}

void UsageBar::setFraction(double fraction) {
    if (fraction == fraction_) {
        return;
    }
    fraction_ = fraction;
    update();
}

QColor UsageBar::fillColor(double fraction) {
    if (fraction < kWarnShare) {
        return Style::color(kRoomyGreen);
    }
    if (fraction < kFullShare) {
        return Style::color(Theme::accent);
    }
    return QColor::fromRgbF(1.0f, 0.23f, 0.19f);  // the desktop's usual alert red
}

double UsageBar::fillWidth(double fraction, double width) {
    // A NaN share (0/0) is treated as empty rather than poisoning the geometry.
    const double share = std::isnan(fraction) ? 0.0 : fraction;
    const double filled = share < 1.0 ? share * width : width;
    return std::max(kStubWidth, filled);
}

void UsageBar::paint(QPainter& painter, const QRectF& rect, double fraction,
                     const QPalette& palette) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    fillCapsule(painter, rect, Style::foreground(palette, Style::Level::Quaternary));
    const QRectF fill(rect.left(), rect.top(), fillWidth(fraction, rect.width()), rect.height());
    fillCapsule(painter, fill, Style::gradient(fillColor(fraction), fill));
    painter.restore();
}

void UsageBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, QRectF(rect()), fraction_, palette());
}

}  // namespace raumfuchs
