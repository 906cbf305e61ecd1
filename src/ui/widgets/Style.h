#pragma once

#include <QColor>
#include <QFont>
#include <QLinearGradient>
#include <QPalette>
#include <optional>

#include "core/chart/Theme.h"

class QWidget;

namespace raumfuchs::Style {

// The text styles of the interface, from largest to smallest. Sizes and weights
// are derived from the application font in one table (Style.cpp).
enum class TextStyle {
    LargeTitle,
    Title2,
    Title3,
    Headline,
    Subheadline,
    Body,
    Callout,
    Caption,
    Caption2
};

QFont font(TextStyle style);
// The same style with a weight (e.g. QFont::DemiBold) and, for counters and
// sizes, digits of equal width.
QFont font(TextStyle style, QFont::Weight weight, bool monospacedDigits = false);
// The style's font, made smaller until `text` is at most `width` wide, but not
// below the smallest size of the table.
QFont fitted(TextStyle style, const QString& text, double width);

// The style's size in the system's fixed-pitch font (paths being scanned).
QFont monospaced(TextStyle style);

// Foreground levels: the palette's text colour at falling opacity.
enum class Level { Primary, Secondary, Tertiary, Quaternary };
QColor foreground(const QPalette& palette, Level level);
// A label's colour: `fixed`, or `level` of the palette its parent shows. Not of
// its own palette, which holds the colour already once set, so that it never
// feeds back into the next derivation.
QColor labelColor(const QWidget& label, Level level, const std::optional<QColor>& fixed);

QColor color(const Rgb& rgb, double opacity = 1.0);
QColor color(const Hsb& hsb);

// The standard one-colour gradient: the colour a little lighter at the top of
// `rect`, the colour itself at the bottom.
QLinearGradient gradient(const QColor& color, const QRectF& rect);

}  // namespace raumfuchs::Style
