#include "ui/widgets/Spinner.h"

#include <QPainter>
#include <QVariantAnimation>

#include "core/chart/Theme.h"
#include "ui/widgets/Style.h"

namespace raumfuchs {

namespace {

// Strokes the first `share` of the circle in `box`, starting at three o'clock
// and running clockwise, after turning the painter by `turns` full turns
// (positive = clockwise). A gradient turns with the arc.
void strokeArc(QPainter& painter, const QRectF& box, double share, double turns,
               const QBrush& brush, double width) {
    painter.save();
    painter.translate(box.center());
    painter.rotate(turns * 360.0);
    painter.translate(-box.center());
    QPen pen(brush, width, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // Qt counts angles counter-clockwise in 1/16 degree; a negative span runs clockwise.
    painter.drawArc(box, 0, -static_cast<int>(share * 360.0 * 16.0));
    painter.restore();
}

}  // namespace

Spinner::Look Spinner::scanning() {
    // The strokes are centred on the circle, so half the outer width lies outside it.
    constexpr double kDiameter = 140;
    constexpr double kOuterWidth = 14;
    return Look{static_cast<int>(kDiameter + kOuterWidth),
                kDiameter,
                kOuterWidth,
                0,
                1600,
                {Arc{0, kOuterWidth, 0.28, 1, Style::color(Theme::accent)},
                 Arc{22, 8, 0.18, -1, Style::color(Hsb{0.52, 0.57, 0.87, 1})}}};
}

Spinner::Look Spinner::small() {
    return Look{28, 22, 3, -0.25, 1000, {Arc{0, 3, 100.0 / 360.0, 1, std::nullopt}}};
}

Spinner::Spinner(Look look, QWidget* parent)
    : QWidget(parent), look_(std::move(look)), turn_(new QVariantAnimation(this)) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(look_.side, look_.side);
    turn_->setStartValue(0.0);
    turn_->setEndValue(1.0);
    turn_->setDuration(look_.turnMilliseconds);
    turn_->setLoopCount(-1);
    turn_->setEasingCurve(QEasingCurve::Linear);
    connect(turn_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        phase_ = value.toDouble();
        update();
    });
}

QSize Spinner::sizeHint() const {
    return {look_.side, look_.side};
}

void Spinner::showEvent(QShowEvent*) {
    if (turn_->state() == QAbstractAnimation::Paused) {
        turn_->resume();
    } else {
        turn_->start();
    }
}

void Spinner::hideEvent(QHideEvent*) {
    turn_->pause();
}

void Spinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track(
        QPointF(width() / 2.0 - look_.diameter / 2, height() / 2.0 - look_.diameter / 2),
        QSizeF(look_.diameter, look_.diameter));
    painter.setPen(QPen(Style::foreground(palette(), Style::Level::Quaternary), look_.trackWidth,
                        Qt::SolidLine, Qt::FlatCap));
    painter.drawEllipse(track);

    for (const Arc& arc : look_.arcs) {
        const QRectF box = track.adjusted(arc.inset, arc.inset, -arc.inset, -arc.inset);
        const QBrush brush = arc.tint
                                 ? QBrush(Style::gradient(*arc.tint, box))
                                 : QBrush(Style::foreground(palette(), Style::Level::Secondary));
        strokeArc(painter, box, arc.share, look_.startTurns + arc.direction * phase_, brush,
                  arc.width);
    }
}

}  // namespace raumfuchs
