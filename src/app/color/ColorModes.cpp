#include "app/color/ColorModes.h"

namespace raumfuchs {

namespace {

std::size_t slot(ColorMode mode) {
    return static_cast<std::size_t>(mode);
}

}  // namespace

std::vector<ColorMode> ColorModes::available() const {
    std::vector<ColorMode> modes{ColorMode::Standard};
    for (ColorMode mode : {ColorMode::Kind, ColorMode::Age, ColorMode::Change}) {
        if (colorings_[slot(mode)]) {
            modes.push_back(mode);
        }
    }
    return modes;
}

void ColorModes::choose(ColorMode mode) {
    if (mode == current_ || (mode != ColorMode::Standard && !colorings_[slot(mode)])) {
        return;
    }
    current_ = mode;
    emit changed();
}

std::shared_ptr<const ArcColoring> ColorModes::coloring() const {
    return colorings_[slot(current_)];
}

void ColorModes::offer(ColorMode mode, std::shared_ptr<const ArcColoring> coloring) {
    if (mode == ColorMode::Standard || colorings_[slot(mode)] == coloring) {
        return;
    }
    colorings_[slot(mode)] = std::move(coloring);
    if (mode == current_ && !colorings_[slot(mode)]) {
        current_ = ColorMode::Standard;
    }
    emit changed();
}

QString ColorModes::name(ColorMode mode) {
    switch (mode) {
        case ColorMode::Standard:
            return QStringLiteral("Standard");
        case ColorMode::Kind:
            return QStringLiteral("Dateityp");
        case ColorMode::Age:
            return QStringLiteral("Alter");
        case ColorMode::Change:
            return QStringLiteral("Veränderung");
    }
    return {};
}

}  // namespace raumfuchs
