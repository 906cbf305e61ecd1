#pragma once

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <optional>
#include <span>

#include "core/chart/Theme.h"

namespace raumfuchs {

// Grey, for entries whose kind or age is not known.
inline constexpr Hsb kUnknownShade{0.6, 0.02, 0.85, 1};

// A folder's colour from its files' bytes per class (kind or age): the colour
// of the class that holds most of them, down to 30 % of its saturation the
// less of the bytes it holds (not measured). Nothing when there are no bytes,
// or when most of them are in a class without a colour (ages not known).
inline std::optional<Hsb> mixShade(std::span<const std::int64_t> bytes,
                                   std::span<const Hsb> colors) {
    constexpr double kPalest = 0.3;
    const std::int64_t all = std::accumulate(bytes.begin(), bytes.end(), std::int64_t{0});
    const auto most = std::max_element(bytes.begin(), bytes.end());
    const auto index = static_cast<std::size_t>(most - bytes.begin());
    if (all <= 0 || index >= colors.size()) {
        return std::nullopt;
    }
    Hsb c = colors[index];
    c.saturation *= kPalest + (1 - kPalest) * static_cast<double>(*most) / static_cast<double>(all);
    return c;
}

}  // namespace raumfuchs
