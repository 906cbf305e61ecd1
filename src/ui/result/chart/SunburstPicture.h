#pragma once

#include <QColor>
#include <QImage>
#include <QPolygonF>
#include <QSize>
#include <cstddef>
#include <vector>

#include "core/chart/RingGeometry.h"

class QPalette;

namespace raumfuchs {

// The picture of a chart without its label, kept for one size and pixel ratio
// as two layers: every arc at full colour, and the same dimmed to 0.55 (made
// from the first by laying the background over it at 0.45, which gives
// exactly the colours of arcs drawn at 0.55 over the background). Arcs are
// filled as their visible shapes (ArcShape) instead of being filled and then
// stroked with the 1-point separator line, which costs several times as much.
//
// The arcs' colours belong to the picture: new ones (setColours) are drawn
// without the arcs being laid out again. Whoever changes anything else it
// shows (the shapes, the palette) clears it.
class SunburstPicture {
  public:
    enum class Layer { Plain, Dimmed };

    // One fill colour per arc, in layout order; clears the picture.
    void setColours(std::vector<QColor> colours);
    const QColor& colour(std::size_t arc) const { return colours_[arc]; }

    // Forgets both layers; the next layer() draws anew.
    void clear();
    // The layer for a chart of `size` at `dpr` whose disc and arcs (`shapes`,
    // one per colour) lie as `g` says, on the palette's window colour; drawn
    // first unless it is kept for that size and pixel ratio.
    const QImage& layer(Layer which, QSize size, qreal dpr, const QPalette& palette,
                        const RingGeometry& g, const std::vector<QPolygonF>& shapes);

  private:
    std::vector<QColor> colours_;
    QImage plain_;
    QImage dimmed_;
};

}  // namespace raumfuchs
