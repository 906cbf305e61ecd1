#include "ui/start/CardButton.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QPainterPath>

#include "ui/widgets/Style.h"

namespace raumfuchs {

namespace {
constexpr double kCornerRadius = 12;
constexpr double kDisabledOpacity = 0.4;  // not measured; near the tertiary level of text
}  // namespace

CardButton::CardButton(QWidget* parent) : QAbstractButton(parent) {
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
}

void CardButton::adoptContent(QWidget* child) {
    child->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CardButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = Style::foreground(palette(), Style::Level::Quaternary);
    if (!hovering_ && !isDown()) {
        fill.setAlphaF(fill.alphaF() * 0.5f);
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    painter.fillPath(path, fill);
    if (hasFocus()) {
        QColor ring = palette().color(QPalette::Highlight);
        painter.setPen(QPen(ring, 2));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), kCornerRadius - 1,
                                kCornerRadius - 1);
    }
}

void CardButton::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        // Disabled, the card and its content fade as one.
        if (isEnabled()) {
            setGraphicsEffect(nullptr);
        } else {
            auto* faded = new QGraphicsOpacityEffect(this);
            faded->setOpacity(kDisabledOpacity);
            setGraphicsEffect(faded);
        }
    }
}

void CardButton::enterEvent(QEnterEvent* event) {
    hovering_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CardButton::leaveEvent(QEvent* event) {
    hovering_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

}  // namespace raumfuchs
