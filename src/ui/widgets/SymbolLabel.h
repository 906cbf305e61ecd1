#pragma once

#include <QLabel>
#include <optional>

#include "ui/widgets/Style.h"

namespace raumfuchs {

// A symbol icon at a fixed size, coloured in a foreground level or a fixed
// colour, redrawn when the palette changes.
class SymbolLabel : public QLabel {
    Q_OBJECT
  public:
    SymbolLabel(const QString& symbol, int size, QWidget* parent = nullptr);

    void setSymbol(const QString& symbol);
    void setLevel(Style::Level level);
    void setFixedColor(const QColor& color);
    const QString& symbol() const { return symbol_; }

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void render();

    QString symbol_;
    int size_;
    Style::Level level_ = Style::Level::Primary;
    std::optional<QColor> fixedColor_;
};

}  // namespace raumfuchs
