#include "ui/widgets/Icons.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QPixmapCache>
#include <array>
#include <string_view>

namespace raumfuchs::Icons {

namespace {

// Symbol names of the interface → freedesktop icon names, first match wins.
// Symbolic (one-colour) icons come first so that tinting keeps their shape.
// A symbol without names is always drawn: the themes have no icon of its
// shape (Adwaita's help icons are an "i" and a diamond, its "go-up" is the
// bare chevron that "chevron.up" shows).
struct Mapping {
    std::string_view symbol;
    std::array<const char*, 3> themeNames;
};

constexpr std::array<Mapping, 23> kMappings{{
    {"folder", {"folder-symbolic", "folder", nullptr}},
    {"doc", {"text-x-generic-symbolic", "text-x-generic", nullptr}},
    {"folder.badge.plus", {"folder-new-symbolic", "folder-new", nullptr}},
    {"house", {"user-home-symbolic", "user-home", "go-home"}},
    {"arrow.down.circle", {"folder-download-symbolic", "folder-download", "go-down"}},
    {"square.grid.2x2", {"view-grid-symbolic", nullptr, nullptr}},
    {"arrow.clockwise", {"view-refresh-symbolic", "view-refresh", nullptr}},
    {"arrow.triangle.2.circlepath",
     {"emblem-synchronizing-symbolic", "emblem-synchronizing", nullptr}},
    {"internaldrive", {"drive-harddisk-symbolic", "drive-harddisk", nullptr}},
    {"internaldrive.fill", {"drive-harddisk-symbolic", "drive-harddisk", nullptr}},
    {"externaldrive", {"drive-removable-media-symbolic", "drive-removable-media", nullptr}},
    {"externaldrive.fill", {"drive-removable-media-symbolic", "drive-removable-media", nullptr}},
    {"chevron.right", {"go-next-symbolic", "go-next", nullptr}},
    {"chevron.up", {"go-up-symbolic", "go-up", nullptr}},
    {"lock", {"changes-prevent-symbolic", "system-lock-screen-symbolic", "changes-prevent"}},
    {"lock.fill", {"changes-prevent-symbolic", "system-lock-screen-symbolic", "changes-prevent"}},
    {"lock.shield", {"security-high-symbolic", "security-high", nullptr}},
    {"clock",
     {"document-open-recent-symbolic", "appointment-soon-symbolic", "document-open-recent"}},
    {"questionmark.circle", {nullptr, nullptr, nullptr}},
    {"trash", {"user-trash-symbolic", "user-trash", nullptr}},
    {"trash.fill", {"user-trash-full-symbolic", "user-trash-full", "user-trash"}},
    {"arrow.up.circle", {nullptr, nullptr, nullptr}},
    {"network", {"network-server-symbolic", "network-server", "network-wired"}},
}};

QIcon themeIcon(const QString& symbol) {
    const QByteArray key = symbol.toUtf8();
    for (const Mapping& mapping : kMappings) {
        if (mapping.symbol !=
            std::string_view(key.constData(), static_cast<std::size_t>(key.size()))) {
            continue;
        }
        for (const char* name : mapping.themeNames) {
            if (name != nullptr && QIcon::hasThemeIcon(QString::fromLatin1(name))) {
                return QIcon::fromTheme(QString::fromLatin1(name));
            }
        }
    }
    return {};
}

// The drawn symbols, on a 24 × 24 grid scaled to the target rectangle. They
// are simple outlines so that they read well at 14–30 points in any tint.
void drawSymbol(QPainter& p, const QString& name, const QColor& color) {
    const bool filled = name.endsWith(QLatin1String(".fill"));
    QPen pen(color, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(filled ? QBrush(color) : Qt::NoBrush);

    auto circleArrow = [&](bool up) {
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(12, 12), 9, 9);
        const double dir = up ? -1 : 1;
        p.drawLine(QPointF(12, 12 - 4.5 * dir), QPointF(12, 12 + 4.5 * dir));
        p.drawPolyline(QPolygonF({QPointF(8, 12 + 0.5 * dir), QPointF(12, 12 + 4.5 * dir),
                                  QPointF(16, 12 + 0.5 * dir)}));
    };
    auto folderShape = [&]() {
        QPainterPath path;
        path.moveTo(3, 7);
        path.lineTo(3, 5);
        path.lineTo(9, 5);
        path.lineTo(11, 7);
        path.lineTo(21, 7);
        path.lineTo(21, 19);
        path.lineTo(3, 19);
        path.closeSubpath();
        p.drawPath(path);
    };
    auto drive = [&](bool external) {
        const QRectF body = external ? QRectF(5, 3, 14, 18) : QRectF(3, 7, 18, 10);
        p.drawRoundedRect(body, 2.5, 2.5);
        // Filled drives get their slot and light cut out, so they read on any background.
        if (filled) {
            p.setCompositionMode(QPainter::CompositionMode_Clear);
        }
        p.setPen(QPen(color, 1.8, Qt::SolidLine, Qt::RoundCap));
        if (external) {
            p.drawLine(QPointF(9, 17), QPointF(15, 17));
        } else {
            p.drawPoint(QPointF(17, 12));
            p.drawLine(QPointF(6.5, 12), QPointF(12, 12));
        }
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    };
    auto lockShape = [&]() {
        p.drawRoundedRect(QRectF(5, 11, 14, 10), 2, 2);
        p.setBrush(Qt::NoBrush);
        QPainterPath shackle;
        shackle.moveTo(8, 11);
        shackle.lineTo(8, 8);
        shackle.arcTo(QRectF(8, 4, 8, 8), 180, -180);
        shackle.lineTo(16, 11);
        p.drawPath(shackle);
    };
    auto trashShape = [&]() {
        p.drawLine(QPointF(4, 6), QPointF(20, 6));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(
            QPolygonF({QPointF(9, 6), QPointF(9, 3.5), QPointF(15, 3.5), QPointF(15, 6)}));
        p.setBrush(filled ? QBrush(color) : Qt::NoBrush);
        QPainterPath can;
        can.moveTo(6, 6);
        can.lineTo(7, 21);
        can.lineTo(17, 21);
        can.lineTo(18, 6);
        p.drawPath(can);
        if (!filled) {
            p.drawLine(QPointF(10, 10), QPointF(10, 17));
            p.drawLine(QPointF(14, 10), QPointF(14, 17));
        }
    };

    if (name == QLatin1String("folder")) {
        folderShape();
    } else if (name == QLatin1String("doc")) {
        p.drawPolygon(QPolygonF(
            {QPointF(5, 3), QPointF(14, 3), QPointF(19, 8), QPointF(19, 21), QPointF(5, 21)}));
        p.drawPolyline(QPolygonF({QPointF(14, 3), QPointF(14, 8), QPointF(19, 8)}));
    } else if (name == QLatin1String("folder.badge.plus")) {
        folderShape();
        p.drawLine(QPointF(12, 10), QPointF(12, 16));
        p.drawLine(QPointF(9, 13), QPointF(15, 13));
    } else if (name == QLatin1String("house")) {
        p.drawPolyline(QPolygonF({QPointF(3, 11.5), QPointF(12, 3.5), QPointF(21, 11.5)}));
        p.drawPolyline(QPolygonF(
            {QPointF(5.5, 9.5), QPointF(5.5, 20), QPointF(18.5, 20), QPointF(18.5, 9.5)}));
        p.drawRect(QRectF(10, 14, 4, 6));
    } else if (name == QLatin1String("arrow.down.circle")) {
        circleArrow(false);
    } else if (name == QLatin1String("arrow.up.circle")) {
        circleArrow(true);
    } else if (name == QLatin1String("square.grid.2x2")) {
        for (double x : {3.5, 13.5}) {
            for (double y : {3.5, 13.5}) {
                p.drawRoundedRect(QRectF(x, y, 7, 7), 1.5, 1.5);
            }
        }
    } else if (name == QLatin1String("arrow.clockwise")) {
        QPainterPath arc;
        arc.arcMoveTo(QRectF(4, 4, 16, 16), 60);
        arc.arcTo(QRectF(4, 4, 16, 16), 60, 300);
        p.drawPath(arc);
        p.drawPolyline(QPolygonF({QPointF(15, 3), QPointF(16.5, 6.5), QPointF(13, 8)}));
    } else if (name == QLatin1String("arrow.triangle.2.circlepath")) {
        // Two half circles chasing each other, each with its arrowhead.
        for (const double start : {20.0, 200.0}) {
            QPainterPath arc;
            arc.arcMoveTo(QRectF(4, 4, 16, 16), start);
            arc.arcTo(QRectF(4, 4, 16, 16), start, 140);
            p.drawPath(arc);
        }
        p.drawPolyline(QPolygonF({QPointF(5, 6), QPointF(7.5, 8.5), QPointF(10.5, 7)}));
        p.drawPolyline(QPolygonF({QPointF(19, 18), QPointF(16.5, 15.5), QPointF(13.5, 17)}));
    } else if (name.startsWith(QLatin1String("internaldrive"))) {
        drive(false);
    } else if (name.startsWith(QLatin1String("externaldrive"))) {
        drive(true);
    } else if (name == QLatin1String("chevron.right")) {
        p.drawPolyline(QPolygonF({QPointF(9, 5), QPointF(16, 12), QPointF(9, 19)}));
    } else if (name == QLatin1String("chevron.up")) {
        p.drawPolyline(QPolygonF({QPointF(5, 15), QPointF(12, 8), QPointF(19, 15)}));
    } else if (name == QLatin1String("lock") || name == QLatin1String("lock.fill")) {
        lockShape();
    } else if (name == QLatin1String("lock.shield")) {
        QPainterPath shield;
        shield.moveTo(12, 2.5);
        shield.lineTo(20, 5.5);
        shield.cubicTo(20, 13, 17, 18.5, 12, 21.5);
        shield.cubicTo(7, 18.5, 4, 13, 4, 5.5);
        shield.closeSubpath();
        p.drawPath(shield);
        p.setBrush(color);
        p.drawRoundedRect(QRectF(9, 11, 6, 5), 1, 1);
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(10, 8, 4, 5), 0, 180 * 16);
    } else if (name == QLatin1String("clock")) {
        p.drawEllipse(QPointF(12, 12), 9, 9);
        p.drawPolyline(QPolygonF({QPointF(12, 6.5), QPointF(12, 12), QPointF(16, 14)}));
    } else if (name == QLatin1String("questionmark.circle")) {
        p.drawEllipse(QPointF(12, 12), 9, 9);
        QPainterPath hook;
        hook.arcMoveTo(QRectF(9, 6.5, 6, 6), 160);
        hook.arcTo(QRectF(9, 6.5, 6, 6), 160, -250);
        hook.lineTo(12, 14);
        p.drawPath(hook);
        p.drawPoint(QPointF(12, 17.2));
    } else if (name.startsWith(QLatin1String("trash"))) {
        trashShape();
    } else {
        // Unknown symbol: a plain ring so the place is never empty.
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(12, 12), 8, 8);
    }
}

// Paints either the theme's icon or the drawn symbol, optionally recoloured.
class SymbolEngine : public QIconEngine {
  public:
    SymbolEngine(QString name, QIcon themed, QColor tint)
        : name_(std::move(name)), themed_(std::move(themed)), tint_(tint) {}

    QIconEngine* clone() const override { return new SymbolEngine(name_, themed_, tint_); }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap image = render(rect.size(), dpr, mode, state);
        painter->drawPixmap(rect, image);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return render(size, 1.0, mode, state);
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }

  private:
    QPixmap render(const QSize& size, qreal dpr, QIcon::Mode mode, QIcon::State state) const {
        const QSize pixels = size * dpr;
        QPixmap image(pixels);
        image.fill(Qt::transparent);
        if (pixels.isEmpty()) {
            return image;
        }
        QColor color = tint_.isValid()
                           ? tint_
                           : QApplication::palette().color(QPalette::Active, QPalette::WindowText);
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            if (!themed_.isNull()) {
                p.drawPixmap(0, 0, themed_.pixmap(pixels, QIcon::Normal, state));
                // Symbolic theme icons are one-colour shapes: give them the
                // tint or the palette's text colour so they follow dark mode.
                if (tint_.isValid() || themed_.name().endsWith(QLatin1String("-symbolic"))) {
                    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
                    p.fillRect(image.rect(), color);
                }
            } else {
                const double side = std::min(pixels.width(), pixels.height());
                p.translate((pixels.width() - side) / 2.0, (pixels.height() - side) / 2.0);
                p.scale(side / 24.0, side / 24.0);
                drawSymbol(p, name_, color);
            }
            if (mode == QIcon::Disabled) {
                p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
                p.fillRect(image.rect(), QColor(0, 0, 0, 90));
            }
        }
        image.setDevicePixelRatio(dpr);
        return image;
    }

    QString name_;
    QIcon themed_;
    QColor tint_;
};

}  // namespace

QIcon symbol(const QString& name, const QColor& tint) {
    return QIcon(new SymbolEngine(name, themeIcon(name), tint));
}

}  // namespace raumfuchs::Icons
