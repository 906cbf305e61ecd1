#include "ui/ScanSpinner.h"

#include <QPainter>
#include <QVariantAnimation>

#include "core/Theme.h"
#include "ui/Style.h"

namespace raumfuchs {

namespace {

constexpr double kDiameter = 140;  // of the track's centre line
constexpr double kOuterWidth = 14;
constexpr double kInnerInset = 22;
constexpr double kInnerWidth = 8;
constexpr double kOuterShare = 0.28;
constexpr double kInnerShare = 0.18;
constexpr int kTurnMilliseconds = 1600;
constexpr Hsb kInnerColor{0.52, 0.57, 0.87, 1};

// Strokes the first `share` of the circle in `box`, starting at three o'clock
// and running clockwise, after turning the painter by `turns` full turns
// (positive = clockwise). The gradient turns with the arc.
void strokeArc(QPainter& painter, const QRectF& box, double share, double turns,
               const QColor& color, double width) {
    painter.save();
    painter.translate(box.center());
    painter.rotate(turns * 360.0);
    painter.translate(-box.center());
    QPen pen(QBrush(Style::gradient(color, box)), width, Qt::SolidLine, Qt::RoundCap,
             Qt::MiterJoin);
    pen.setMiterLimit(10);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // Qt counts angles counter-clockwise in 1/16 degree; a negative span runs clockwise.
    painter.drawArc(box, 0, -static_cast<int>(share * 360.0 * 16.0));
    painter.restore();
}

}  // namespace

ScanSpinner::ScanSpinner(QWidget* parent) : QWidget(parent), turn_(new QVariantAnimation(this)) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    turn_->setStartValue(0.0);
    turn_->setEndValue(1.0);
    turn_->setDuration(kTurnMilliseconds);
    turn_->setLoopCount(-1);
    turn_->setEasingCurve(QEasingCurve::Linear);
    connect(turn_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        phase_ = value.toDouble();
        update();
    });
}

void ScanSpinner::start() {
    if (turn_->state() != QAbstractAnimation::Running) {
        turn_->start();
    }
}

QSize ScanSpinner::sizeHint() const {
    // The strokes are centred on the circle, so half the outer width lies outside it.
    const int side = static_cast<int>(kDiameter + kOuterWidth);
    return {side, side};
}

void ScanSpinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF outer(QPointF(width() / 2.0 - kDiameter / 2, height() / 2.0 - kDiameter / 2),
                       QSizeF(kDiameter, kDiameter));

    QPen track(Style::foreground(palette(), Style::Level::Quaternary), kOuterWidth, Qt::SolidLine,
               Qt::FlatCap);
    painter.setPen(track);
    painter.drawEllipse(outer);

    strokeArc(painter, outer, kOuterShare, phase_, Style::color(Theme::accent), kOuterWidth);
    const QRectF inner = outer.adjusted(kInnerInset, kInnerInset, -kInnerInset, -kInnerInset);
    strokeArc(painter, inner, kInnerShare, -phase_, Style::color(kInnerColor), kInnerWidth);
}

}  // namespace raumfuchs
