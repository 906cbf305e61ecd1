#include "ui/widgets/SymbolLabel.h"

#include <QEvent>

#include "ui/widgets/Icons.h"

namespace raumfuchs {

SymbolLabel::SymbolLabel(const QString& symbol, int size, QWidget* parent)
    : QLabel(parent), symbol_(symbol), size_(size) {
    setAlignment(Qt::AlignCenter);
    setMinimumSize(size, size);
    render();
}

void SymbolLabel::setSymbol(const QString& symbol) {
    symbol_ = symbol;
    render();
}

void SymbolLabel::setLevel(Style::Level level) {
    level_ = level;
    fixedColor_.reset();
    render();
}

void SymbolLabel::setFixedColor(const QColor& color) {
    fixedColor_ = color;
    render();
}

void SymbolLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange) {
        render();
    }
}

void SymbolLabel::render() {
    const QColor color = Style::labelColor(*this, level_, fixedColor_);
    const qreal ratio = devicePixelRatioF();
    setPixmap(Icons::symbol(symbol_, color).pixmap(QSize(size_, size_), ratio));
}

}  // namespace raumfuchs
