#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <memory>
#include <vector>

#include "core/chart/ArcColoring.h"

namespace raumfuchs {

enum class ColorMode { Standard, Kind, Age, Change };

// How the chart colours its arcs: with the layout's own hue families
// (Standard), or in one of the modes a feature offers while it has what the
// mode needs. The model owns one; features offer and withdraw their
// colourings, the chart pane shows the choice and the chart takes the
// colouring of the chosen mode. Main thread only.
class ColorModes : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    // The offered modes in the order the choice lists them, Standard first.
    std::vector<ColorMode> available() const;
    ColorMode current() const { return current_; }
    // Makes `mode` the current one; ignored for a mode not offered.
    void choose(ColorMode mode);
    // The colouring of the current mode; null for Standard.
    std::shared_ptr<const ArcColoring> coloring() const;
    // Offers `mode` with `coloring` (again, when what it shows changed), or
    // withdraws it with null: the choice falls back to Standard when its mode
    // goes.
    void offer(ColorMode mode, std::shared_ptr<const ArcColoring> coloring);

    // The mode's name in the choice: "Standard", "Dateityp", "Alter", "Veränderung".
    static QString name(ColorMode mode);

  signals:
    // The offered modes, the current one or its colouring changed.
    void changed();

  private:
    static constexpr std::size_t kModes = 4;
    std::array<std::shared_ptr<const ArcColoring>, kModes> colorings_;
    ColorMode current_ = ColorMode::Standard;
};

}  // namespace raumfuchs
