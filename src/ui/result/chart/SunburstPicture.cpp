#include "ui/result/chart/SunburstPicture.h"

#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include "ui/widgets/Style.h"

namespace raumfuchs {

namespace {

constexpr double kDimmedOpacity = 0.55;
constexpr double kDiscOpacity = 0.6;

}  // namespace

void SunburstPicture::setColours(std::vector<QColor> colours) {
    colours_ = std::move(colours);
    clear();
}

void SunburstPicture::clear() {
    plain_ = QImage();
    dimmed_ = QImage();
}

const QImage& SunburstPicture::layer(Layer which, QSize size, qreal dpr, const QPalette& palette,
                                     const RingGeometry& g, const std::vector<QPolygonF>& shapes) {
    QImage& image = which == Layer::Plain ? plain_ : dimmed_;
    const QSize pixels = (QSizeF(size) * dpr).toSize();
    if (!image.isNull() && image.size() == pixels && image.devicePixelRatio() == dpr) {
        return image;
    }
    const QColor background = palette.color(QPalette::Window);
    if (which == Layer::Dimmed) {
        // Arcs at 0.55 opacity over the background are the full-colour
        // picture with the background laid over it at 0.45, everywhere but on
        // the disc (the separators and gaps are background already).
        image = layer(Layer::Plain, size, dpr, palette, g, shapes).copy();
        image.setDevicePixelRatio(dpr);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath veil;
        veil.addRect(QRectF(QPointF(0, 0), QSizeF(size)));
        veil.addEllipse(QPointF(g.center.x, g.center.y), g.innerRadius + 0.5, g.innerRadius + 0.5);
        QColor wash = background;
        wash.setAlphaF(static_cast<float>(1 - kDimmedOpacity));
        painter.fillPath(veil, wash);
        return image;
    }
    image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(background);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor disc = Style::foreground(palette, Style::Level::Quaternary);
    disc.setAlphaF(static_cast<float>(disc.alphaF() * kDiscOpacity));
    painter.setPen(Qt::NoPen);
    painter.setBrush(disc);
    painter.drawEllipse(QPointF(g.center.x, g.center.y), g.innerRadius, g.innerRadius);
    // One small polygon per fill: Qt's antialiasing rasterizer handles many
    // small shapes far faster than a few large paths that hold them all.
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        if (!shapes[i].isEmpty()) {
            painter.setBrush(colours_[i]);
            painter.drawPolygon(shapes[i]);
        }
    }
    return image;
}

}  // namespace raumfuchs
