#include "ui/widgets/TextLabel.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>

namespace raumfuchs {

TextLabel::TextLabel(const QString& text, Style::TextStyle style, QWidget* parent)
    : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);  // names and paths are shown verbatim, never as markup
    setFont(Style::font(style));
    applyColor();
}

void TextLabel::setTextStyle(Style::TextStyle style, QFont::Weight weight, bool monospacedDigits) {
    setFont(Style::font(style, weight, monospacedDigits));
}

void TextLabel::setLevel(Style::Level level) {
    level_ = level;
    fixedColor_.reset();
    applyColor();
}

void TextLabel::setFixedColor(const QColor& color) {
    fixedColor_ = color;
    applyColor();
}

void TextLabel::setElideMode(Qt::TextElideMode mode) {
    elideMode_ = mode;
    if (mode != Qt::ElideNone) {
        setWordWrap(false);
        setSizePolicy(QSizePolicy::Ignored, sizePolicy().verticalPolicy());
    }
    updateGeometry();
    update();
}

QSize TextLabel::sizeHint() const {
    QSize hint = QLabel::sizeHint();
    // An elided label never asks for more than it may have, so that layouts
    // centre it by the width it really gets.
    hint.setWidth(std::min(hint.width(), maximumWidth()));
    return hint;
}

QSize TextLabel::minimumSizeHint() const {
    QSize hint = QLabel::minimumSizeHint();
    if (elideMode_ != Qt::ElideNone) {
        hint.setWidth(fontMetrics().horizontalAdvance(QStringLiteral("…")) * 3);
    }
    return hint;
}

void TextLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange) {
        applyColor();
    }
}

void TextLabel::paintEvent(QPaintEvent* event) {
    if (elideMode_ == Qt::ElideNone) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), elideMode_, area.width());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(area, static_cast<int>(alignment()) | Qt::TextSingleLine, shown);
}

void TextLabel::applyColor() {
    if (applying_) {
        return;
    }
    applying_ = true;
    const QColor color = Style::labelColor(*this, level_, fixedColor_);
    QPalette own = palette();
    own.setColor(QPalette::WindowText, color);
    own.setColor(QPalette::Text, color);
    setPalette(own);
    applying_ = false;
}

}  // namespace raumfuchs
