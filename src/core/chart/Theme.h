#pragma once

#include <array>

namespace raumfuchs {

// A colour as hue, saturation, brightness and opacity, each 0…1.
struct Hsb {
    double hue = 0;
    double saturation = 0;
    double brightness = 0;
    double opacity = 1;
    friend bool operator==(const Hsb&, const Hsb&) = default;
};

// An sRGB colour, components 0…1.
struct Rgb {
    double red = 0;
    double green = 0;
    double blue = 0;
};

namespace Theme {

inline constexpr Rgb accent{0.26, 0.52, 0.96};
inline constexpr Rgb night{0.04, 0.09, 0.21};
inline constexpr Rgb nightLight{0.07, 0.17, 0.38};

// Hue families of the chart, one per top-level item, repeating after ten.
inline constexpr std::array<double, 10> hues{0.6,  0.52, 0.7,  0.13, 0.46,
                                             0.78, 0.56, 0.88, 0.65, 0.4};

}  // namespace Theme
}  // namespace raumfuchs
