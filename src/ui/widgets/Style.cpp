#include "ui/widgets/Style.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QWidget>
#include <algorithm>
#include <array>

namespace raumfuchs::Style {

namespace {

struct StyleEntry {
    double scale;  // relative to the application font's point size
    QFont::Weight weight;
};

// One table for every text style, in the order of TextStyle. Body is the
// application font itself; the others keep the order of emphasis of a desktop
// type ramp (large title twice the body, captions a little smaller but still
// readable at the usual 9–11 pt Linux defaults).
constexpr std::array<StyleEntry, 9> kStyles{{
    {2.0, QFont::Normal},    // LargeTitle
    {1.4, QFont::Normal},    // Title2
    {1.2, QFont::Normal},    // Title3
    {1.0, QFont::DemiBold},  // Headline
    {0.92, QFont::Normal},   // Subheadline
    {1.0, QFont::Normal},    // Body
    {0.96, QFont::Normal},   // Callout
    {0.86, QFont::Normal},   // Caption
    {0.8, QFont::Normal},    // Caption2
}};

constexpr double kMinimumPointSize = 7.0;

// Opacity of the text colour for each foreground level.
constexpr std::array<double, 4> kLevelOpacity{1.0, 0.62, 0.38, 0.18};

}  // namespace

QFont font(TextStyle style) {
    const StyleEntry& entry = kStyles[static_cast<std::size_t>(style)];
    return font(style, entry.weight);
}

QFont font(TextStyle style, QFont::Weight weight, bool monospacedDigits) {
    const StyleEntry& entry = kStyles[static_cast<std::size_t>(style)];
    QFont result = QApplication::font();
    double base = result.pointSizeF();
    if (base <= 0) {
        base = 10.0;  // the application font was given in pixels
    }
    result.setPointSizeF(std::max(kMinimumPointSize, base * entry.scale));
    result.setWeight(weight);
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    if (monospacedDigits) {
        result.setFeature("tnum", 1);
    }
#else
    // Before Qt 6.7 there is no way to ask for tabular figures; the usual UI
    // fonts (DejaVu, Noto, Cantarell) already set digits at equal widths.
    (void)monospacedDigits;
#endif
    return result;
}

QFont monospaced(TextStyle style) {
    QFont result = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    result.setPointSizeF(font(style).pointSizeF());
    return result;
}

QFont fitted(TextStyle style, const QString& text, double width) {
    QFont result = font(style);
    // Half a point at a time: hinted glyphs narrow only at whole pixel sizes.
    while (QFontMetricsF(result).horizontalAdvance(text) > width &&
           result.pointSizeF() > kMinimumPointSize) {
        result.setPointSizeF(std::max(kMinimumPointSize, result.pointSizeF() - 0.5));
    }
    return result;
}

QColor foreground(const QPalette& palette, Level level) {
    QColor text = palette.color(QPalette::Active, QPalette::WindowText);
    text.setAlphaF(
        static_cast<float>(text.alphaF() * kLevelOpacity[static_cast<std::size_t>(level)]));
    return text;
}

QColor labelColor(const QWidget& label, Level level, const std::optional<QColor>& fixed) {
    if (fixed) {
        return *fixed;
    }
    const QWidget* parent = label.parentWidget();
    return foreground(parent ? parent->palette() : QApplication::palette(), level);
}

QColor color(const Rgb& rgb, double opacity) {
    return QColor::fromRgbF(static_cast<float>(rgb.red), static_cast<float>(rgb.green),
                            static_cast<float>(rgb.blue), static_cast<float>(opacity));
}

QColor color(const Hsb& hsb) {
    return QColor::fromHsvF(static_cast<float>(hsb.hue), static_cast<float>(hsb.saturation),
                            static_cast<float>(hsb.brightness), static_cast<float>(hsb.opacity));
}

QLinearGradient gradient(const QColor& color, const QRectF& rect) {
    QLinearGradient result(rect.topLeft(), rect.bottomLeft());
    result.setColorAt(0, color.lighter(118));
    result.setColorAt(1, color);
    return result;
}

}  // namespace raumfuchs::Style
