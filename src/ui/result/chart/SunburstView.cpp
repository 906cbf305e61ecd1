#include "ui/result/chart/SunburstView.h"

#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QTextLayout>
#include <cmath>
#include <numbers>

#include "app/AppModel.h"
#include "core/text/Format.h"
#include "ui/result/chart/ArcShape.h"
#include "ui/result/node/HoverState.h"
#include "ui/result/node/NodeMenu.h"
#include "ui/widgets/Icons.h"
#include "ui/widgets/QtText.h"
#include "ui/widgets/Style.h"

namespace raumfuchs {

namespace {

constexpr double kDimmedOpacity = 0.55;
constexpr double kHighlightOpacity = 0.25;
constexpr double kDiscOpacity = 0.6;
constexpr double kSeparatorWidth = 1.0;
// Flattening of the arcs' curved edges: a twentieth of a point, below a tenth
// of a pixel even at a device pixel ratio of 2.
constexpr double kCurveTolerance = 0.05;
constexpr double kLabelWidthFactor = 1.7;  // of the disc's radius
constexpr double kLabelSpacing = 3;
constexpr double kFocusRingWidth = 2;

// A name on at most two lines of `width`: wrapped at word boundaries where it
// can be, and what does not fit is elided in the middle of the second line so
// that the end of a file name (its extension) stays visible.
QStringList twoLines(const QString& name, const QFont& font, double width) {
    QTextLayout layout(name, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine first = layout.createLine();
    if (!first.isValid()) {
        layout.endLayout();
        return {name};
    }
    first.setLineWidth(width);
    const int split = first.textStart() + first.textLength();
    layout.endLayout();
    const QString head = name.left(split).trimmed();
    const QString rest = name.mid(split).trimmed();
    if (rest.isEmpty()) {
        return {head};
    }
    return {head, QFontMetricsF(font).elidedText(rest, Qt::ElideMiddle, width)};
}

}  // namespace

SunburstView::SunburstView(AppModel& model, HoverState& hover, QWidget* parent)
    : QWidget(parent), model_(model), hover_(hover), revision_(model.treeRevision()) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel is painted
    setContextMenuPolicy(Qt::DefaultContextMenu);
    setFocusPolicy(Qt::TabFocus);  // a click acts on an arc, it does not focus the chart
    connect(&hover_, &HoverState::changed, this, &SunburstView::onHoverChanged);
    connect(&model_, &AppModel::treeRevisionChanged, this, &SunburstView::onRevisionChanged);
    paintedHover_ = hover_.hovered();
}

void SunburstView::setNode(const FileNode& node) {
    if (node == node_) {
        return;
    }
    node_ = node;
    if (laidOut_) {
        rebuild();
    }
}

RingGeometry SunburstView::ringGeometry() const {
    return RingGeometry::forSize(width(), height());
}

void SunburstView::rebuild() {
    segments_ = node_ ? Segment::build(node_, kRings) : std::vector<Segment>();
    segmentOf_.clear();
    segmentOf_.reserve(segments_.size());
    for (std::size_t i = 0; i < segments_.size(); ++i) {
        segmentOf_.emplace(segments_[i].node.id(), i);
    }
    arcTree_.reset();
    laidOut_ = true;
    ++layoutCount_;
    shapes_.clear();
    shapesSize_ = QSize();
    invalidatePictures();
    update();
    emit arcsChanged();
}

void SunburstView::ensureLaidOut() {
    if (!laidOut_) {
        rebuild();
    }
}

void SunburstView::ensureShapes() {
    if (shapesSize_ == size() && shapes_.size() == segments_.size()) {
        return;
    }
    const RingGeometry g = ringGeometry();
    shapes_.clear();
    shapes_.reserve(segments_.size());
    for (const Segment& s : segments_) {
        shapes_.push_back(arcShape(g, s, kSeparatorWidth / 2, kCurveTolerance));
    }
    shapesSize_ = size();
}

void SunburstView::invalidatePictures() {
    layers_[Plain] = QImage();
    layers_[Dimmed] = QImage();
}

const QImage& SunburstView::layer(Layer which, qreal dpr) {
    QImage& image = layers_[which];
    const QSize pixels = (QSizeF(size()) * dpr).toSize();
    if (!image.isNull() && image.size() == pixels && image.devicePixelRatio() == dpr) {
        return image;
    }
    const QColor background = palette().color(QPalette::Window);
    const RingGeometry g = ringGeometry();
    if (which == Dimmed) {
        // Arcs at 0.55 opacity over the background are the full-colour
        // picture with the background laid over it at 0.45, everywhere but on
        // the disc (the separators and gaps are background already).
        image = layer(Plain, dpr).copy();
        image.setDevicePixelRatio(dpr);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath veil;
        veil.addRect(rect());
        veil.addEllipse(QPointF(g.center.x, g.center.y), g.innerRadius + 0.5, g.innerRadius + 0.5);
        QColor wash = background;
        wash.setAlphaF(static_cast<float>(1 - kDimmedOpacity));
        painter.fillPath(veil, wash);
        return image;
    }
    ensureShapes();
    image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(background);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor disc = Style::foreground(palette(), Style::Level::Quaternary);
    disc.setAlphaF(static_cast<float>(disc.alphaF() * kDiscOpacity));
    painter.setPen(Qt::NoPen);
    painter.setBrush(disc);
    painter.drawEllipse(QPointF(g.center.x, g.center.y), g.innerRadius, g.innerRadius);
    // One small polygon per fill: Qt's antialiasing rasterizer handles many
    // small shapes far faster than a few large paths that hold them all.
    for (std::size_t i = 0; i < segments_.size(); ++i) {
        if (!shapes_[i].isEmpty()) {
            painter.setBrush(Style::color(segments_[i].color));
            painter.drawPolygon(shapes_[i]);
        }
    }
    return image;
}

std::vector<std::size_t> SunburstView::highlightedPath(const FileNode& hovered) const {
    std::vector<std::size_t> result;
    for (FileNode n = hovered; n; n = n.parent()) {
        const auto found = segmentOf_.find(n.id());
        if (found != segmentOf_.end()) {
            result.push_back(found->second);
        }
    }
    return result;
}

QRect SunburstView::pathBounds(const FileNode& hovered) const {
    if (shapes_.size() != segments_.size()) {
        return rect();
    }
    QRectF bounds;
    for (std::size_t i : highlightedPath(hovered)) {
        bounds |= shapes_[i].boundingRect();
    }
    return bounds.toAlignedRect().adjusted(-2, -2, 2, 2);
}

QRect SunburstView::labelBounds() const {
    const RingGeometry g = ringGeometry();
    const double r = g.innerRadius;
    return QRectF(g.center.x - r, g.center.y - r, 2 * r, 2 * r)
        .toAlignedRect()
        .adjusted(-2, -2, 2, 2);
}

void SunburstView::drawHighlight(QPainter& painter, const FileNode& hovered) const {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QColor white(Qt::white);
    white.setAlphaF(static_cast<float>(kHighlightOpacity));
    for (std::size_t i : highlightedPath(hovered)) {
        painter.setBrush(Style::color(segments_[i].color));
        painter.drawPolygon(shapes_[i]);
        if (segments_[i].node == hovered) {
            painter.setBrush(white);
            painter.drawPolygon(shapes_[i]);
        }
    }
}

SunburstView::CenterLabel SunburstView::centerLabel() const {
    const FileNode hovered = hover_.hovered();
    const FileNode shown = hovered ? hovered : node_;
    CenterLabel label;
    if (!shown) {
        return label;
    }
    const RingGeometry g = ringGeometry();
    const double width = kLabelWidthFactor * g.innerRadius;
    label.upIcon = !hovered && node_ && node_.parent();
    label.name =
        twoLines(toQString(shown.displayName()), Style::font(Style::TextStyle::Headline), width);
    label.size = toQString(Format::bytes(shown.size()));
    if (hovered) {
        label.detail = toQString(Format::percent(shown.size(), node_ ? node_.size() : 0)) +
                       QStringLiteral(" von ") +
                       (node_ ? toQString(node_.displayName()) : QString());
    } else {
        label.detail = toQString(Format::files(node_.fileCount()));
    }
    // A small chart shows the text smaller before it cuts it.
    label.detailFont = Style::fitted(Style::TextStyle::Caption, label.detail, width);
    label.detail = QFontMetricsF(label.detailFont).elidedText(label.detail, Qt::ElideRight, width);
    return label;
}

void SunburstView::drawLabel(QPainter& painter) const {
    const CenterLabel label = centerLabel();
    if (label.name.isEmpty()) {
        return;
    }
    const RingGeometry g = ringGeometry();
    const double width = kLabelWidthFactor * g.innerRadius;
    const QPalette& pal = palette();
    const QColor primary = Style::foreground(pal, Style::Level::Primary);
    const QColor secondary = Style::foreground(pal, Style::Level::Secondary);
    const QFont nameFont = Style::font(Style::TextStyle::Headline);
    const QFont sizeFont = Style::font(Style::TextStyle::Title2, QFont::Bold, true);
    const QFont captionFont = label.detailFont;
    const double iconSize = QFontMetricsF(Style::font(Style::TextStyle::Title3)).height();
    const double lineHeight = QFontMetricsF(nameFont).lineSpacing();
    const double sizeHeight = QFontMetricsF(sizeFont).height();
    const double captionHeight = QFontMetricsF(captionFont).height();

    double total = lineHeight * double(label.name.size()) + kLabelSpacing + sizeHeight +
                   kLabelSpacing + captionHeight;
    if (label.upIcon) {
        total += iconSize + kLabelSpacing;
    }
    const double left = g.center.x - width / 2;
    double y = g.center.y - total / 2;
    const auto line = [&](double height, const QString& value) {
        painter.drawText(QRectF(left, y, width, height), Qt::AlignHCenter | Qt::AlignTop, value);
        y += height;
    };

    if (label.upIcon) {
        if (upIcon_.isNull()) {
            upIcon_ = Icons::symbol(QStringLiteral("arrow.up.circle"), secondary);
        }
        upIcon_.paint(&painter, QRectF(g.center.x - iconSize / 2, y, iconSize, iconSize).toRect());
        y += iconSize + kLabelSpacing;
    }
    painter.setPen(primary);
    painter.setFont(nameFont);
    for (const QString& nameLine : label.name) {
        line(lineHeight, nameLine);
    }
    y += kLabelSpacing;
    painter.setFont(sizeFont);
    line(sizeHeight, label.size);
    y += kLabelSpacing;
    painter.setPen(secondary);
    painter.setFont(captionFont);
    line(captionHeight, label.detail);
}

void SunburstView::paintEvent(QPaintEvent* event) {
    ensureLaidOut();
    ensureShapes();
    QPainter painter(this);
    const qreal dpr = painter.device()->devicePixelRatioF();
    const FileNode hovered = hover_.hovered();
    const QImage& base = layer(hovered ? Dimmed : Plain, dpr);
    const QRect area = event->rect();
    const QRectF source(QPointF(area.topLeft()) * dpr, QSizeF(area.size()) * dpr);
    // The picture is opaque and covers the area: copy it rather than blend.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRectF(area), base, source);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (hovered) {
        drawHighlight(painter, hovered);
    }
    drawLabel(painter);
    // The focus ring runs along the edges, which hover repaints never reach.
    const double ringBand = 2 * kFocusRingWidth;
    if (hasFocus() &&
        !QRectF(rect()).adjusted(ringBand, ringBand, -ringBand, -ringBand).contains(area)) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::Highlight), kFocusRingWidth));
        painter.setBrush(Qt::NoBrush);
        const double inset = kFocusRingWidth / 2;
        painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), 8, 8);
    }
}

void SunburstView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    invalidatePictures();
}

void SunburstView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ensureLaidOut();
}

void SunburstView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange ||
        event->type() == QEvent::FontChange) {
        upIcon_ = QIcon();
        invalidatePictures();
        update();
    }
}

void SunburstView::onRevisionChanged() {
    if (model_.treeRevision() == revision_) {
        return;
    }
    revision_ = model_.treeRevision();
    if (laidOut_) {
        rebuild();
        // A node that went to the trash has no arc any more; the keyboard (or
        // a resting pointer) is then on the disc, not on a node that is gone.
        const FileNode& hovered = hover_.hovered();
        if (hovered && !(hovered == node_) && currentArc() == ArcTree::kNone) {
            hover_.setHovered(FileNode());
        }
    }
}

void SunburstView::onHoverChanged() {
    emit currentArcChanged();
    const FileNode now = hover_.hovered();
    if (bool(now) != bool(paintedHover_) || shapes_.size() != segments_.size() ||
        shapesSize_ != size()) {
        // Dimming switches on or off (or the shapes are stale): the whole
        // chart, but not the background around it.
        const RingGeometry g = ringGeometry();
        const double r = g.outerRadius() + 2;
        update(QRectF(g.center.x - r, g.center.y - r, 2 * r, 2 * r).toAlignedRect());
    } else {
        update(pathBounds(paintedHover_) | pathBounds(now) | labelBounds());
    }
    paintedHover_ = now;
}

void SunburstView::setCursorShape(Qt::CursorShape shape) {
    if (cursor().shape() != shape) {
        setCursor(shape);
    }
}

void SunburstView::pointerAt(QPointF position, QPoint globalPosition) {
    ensureLaidOut();
    const RingGeometry g = ringGeometry();
    const ChartPoint p{position.x(), position.y()};
    const Segment* hit = hitTest(p, g, segments_);
    const FileNode node = hit ? hit->node : FileNode();
    // The move Qt reports when this chart replaces the clicked one under a
    // resting pointer is no move: the clicked folder stays hovered.
    if (!hover_.isHeldAt(globalPosition)) {
        hover_.release();
        if (!(node == hover_.hovered())) {
            hover_.setHovered(node);
        }
    }
    if (hit) {
        const bool zoomable = hit->node.isDirectory() && hit->node.childCount() > 0;
        setCursorShape(zoomable ? Qt::PointingHandCursor : Qt::ArrowCursor);
    } else if (g.isOnDisc(p) && node_ && node_.parent()) {
        setCursorShape(Qt::PointingHandCursor);
    } else {
        setCursorShape(Qt::ArrowCursor);
    }
}

void SunburstView::mouseMoveEvent(QMouseEvent* event) {
    pointerAt(event->position(), event->globalPosition().toPoint());
}

void SunburstView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (hover_.isHeld() && !isVisible()) {
        return;  // replaced by the clicked folder's chart, not left by the pointer
    }
    hover_.release();
    if (hover_.hovered()) {
        hover_.setHovered(FileNode());
    }
    setCursorShape(Qt::ArrowCursor);
}

void SunburstView::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void SunburstView::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double click counts as one click: its first press already acted.
    pressed_ = false;
    event->accept();
}

void SunburstView::mouseReleaseEvent(QMouseEvent* event) {
    if (!pressed_ || event->button() != Qt::LeftButton) {
        return;
    }
    pressed_ = false;
    if (!rect().contains(event->position().toPoint())) {
        return;  // released outside: no click
    }
    ensureLaidOut();
    const RingGeometry g = ringGeometry();
    const ChartPoint p{event->position().x(), event->position().y()};
    if (const Segment* hit = hitTest(p, g, segments_)) {
        if (hit->node.isDirectory()) {
            const FileNode target = hit->node;  // navigate() may replace segments_
            hover_.holdAt(event->globalPosition().toPoint());
            model_.navigate(target);
        }
        return;
    }
    if (g.isOnDisc(p)) {
        const FileNode parent = model_.current() ? model_.current().parent() : FileNode();
        if (parent) {
            hover_.holdAt(event->globalPosition().toPoint());
            model_.navigate(parent);
        }
    }
}

void SunburstView::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        openMenu(currentArc());  // the menu key
        return;
    }
    const FileNode hovered = hover_.hovered();
    if (!hovered) {
        return;  // nothing under the pointer: no entries, so no menu
    }
    const auto menu = NodeMenu::create(model_, {hovered}, this);
    menu->exec(event->globalPos());
}

QString SunburstView::centerText() const {
    const CenterLabel label = centerLabel();
    return QStringList{label.name.join(QLatin1Char(' ')), label.size, label.detail}.join(
        QStringLiteral(", "));
}

const ArcTree& SunburstView::arcTree() {
    ensureLaidOut();
    if (!arcTree_) {
        arcTree_.emplace(segments_);
    }
    return *arcTree_;
}

std::size_t SunburstView::currentArc() const {
    const FileNode& hovered = hover_.hovered();
    const auto found = hovered ? segmentOf_.find(hovered.id()) : segmentOf_.end();
    return found == segmentOf_.end() ? ArcTree::kNone : found->second;
}

void SunburstView::setCurrentArc(std::size_t arc) {
    hover_.release();
    hover_.setHovered(arc < segments_.size() ? segments_[arc].node : FileNode());
}

std::size_t SunburstView::arcAt(QPointF position) {
    ensureLaidOut();
    const Segment* hit = hitTest({position.x(), position.y()}, ringGeometry(), segments_);
    return hit ? std::size_t(hit - segments_.data()) : ArcTree::kNone;
}

QRectF SunburstView::arcBounds(std::size_t arc) {
    ensureLaidOut();
    ensureShapes();
    if (arc < shapes_.size()) {
        return shapes_[arc].boundingRect();
    }
    const RingGeometry g = ringGeometry();
    return {g.center.x - g.innerRadius, g.center.y - g.innerRadius, 2 * g.innerRadius,
            2 * g.innerRadius};
}

void SunburstView::activate(std::size_t arc) {
    ensureLaidOut();
    if (arc < segments_.size()) {
        const FileNode target = segments_[arc].node;
        if (target.isDirectory()) {
            hover_.release();
            hover_.setHovered(FileNode());  // the new chart starts on its disc
            model_.navigate(target);
        }
        return;
    }
    const FileNode from = node_;
    if (const FileNode up = from ? from.parent() : FileNode()) {
        hover_.release();
        model_.navigate(up);
        hover_.setHovered(from);  // an arc of the folder's chart now
    }
}

void SunburstView::openMenu(std::size_t arc) {
    ensureLaidOut();
    if (arc >= segments_.size()) {
        return;  // the disc has no menu
    }
    const FileNode node = segments_[arc].node;
    const Segment& s = segments_[arc];
    const RingGeometry g = ringGeometry();
    const double r = (g.arcInnerRadius(s.depth) + g.arcOuterRadius(s.depth)) / 2;
    const double a = (s.start + s.end) / 2;
    const QPointF middle(g.center.x + r * std::sin(a), g.center.y - r * std::cos(a));
    const auto menu = NodeMenu::create(model_, {node}, this);
    menu->exec(mapToGlobal(middle.toPoint()));
}

void SunburstView::keyPressEvent(QKeyEvent* event) {
    ensureLaidOut();
    const ArcTree& tree = arcTree();
    const std::size_t arc = currentArc();
    const bool shifted = event->modifiers() & Qt::ShiftModifier;
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
            setCurrentArc(tree.along(arc, event->key() == Qt::Key_Right));
            break;
        case Qt::Key_Up:
            setCurrentArc(tree.outwards(arc));
            break;
        case Qt::Key_Down:
            setCurrentArc(tree.inwards(arc));
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            activate(arc);
            break;
        case Qt::Key_Backspace:
            activate(ArcTree::kNone);
            break;
        case Qt::Key_F10:
            if (!shifted) {
                QWidget::keyPressEvent(event);
                return;
            }
            openMenu(arc);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void SunburstView::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void SunburstView::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

}  // namespace raumfuchs
