#pragma once

#include <QColor>
#include <QLabel>
#include <optional>

#include "ui/widgets/Style.h"

namespace raumfuchs {

// A label in one of the interface's text styles and foreground levels. The
// colour is derived from the inherited palette and follows palette changes
// (light and dark). With an elide mode the text stays on one line and loses
// characters at the chosen place when space runs short.
class TextLabel : public QLabel {
    Q_OBJECT
  public:
    explicit TextLabel(const QString& text = {}, Style::TextStyle style = Style::TextStyle::Body,
                       QWidget* parent = nullptr);

    void setTextStyle(Style::TextStyle style, QFont::Weight weight = QFont::Normal,
                      bool monospacedDigits = false);
    void setLevel(Style::Level level);
    // A colour that does not depend on the palette (text on the dark header).
    void setFixedColor(const QColor& color);
    void setElideMode(Qt::TextElideMode mode);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void applyColor();

    Style::Level level_ = Style::Level::Primary;
    std::optional<QColor> fixedColor_;
    Qt::TextElideMode elideMode_ = Qt::ElideNone;
    bool applying_ = false;
};

}  // namespace raumfuchs
