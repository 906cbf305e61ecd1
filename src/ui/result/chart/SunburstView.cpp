#include "ui/result/chart/SunburstView.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <cmath>

#include "app/AppModel.h"
#include "ui/result/chart/ArcShape.h"
#include "ui/result/chart/CenterLabel.h"
#include "ui/result/node/HoverState.h"
#include "ui/result/node/NodeMenu.h"
#include "ui/widgets/Style.h"

namespace raumfuchs {

namespace {

constexpr double kHighlightOpacity = 0.25;
constexpr double kSeparatorWidth = 1.0;
// Flattening of the arcs' curved edges: a twentieth of a point, below a tenth
// of a pixel even at a device pixel ratio of 2.
constexpr double kCurveTolerance = 0.05;
constexpr double kFocusRingWidth = 2;

}  // namespace

SunburstView::SunburstView(AppModel& model, HoverState& hover, QWidget* parent)
    : QWidget(parent), model_(model), hover_(hover), revision_(model.treeRevision()) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel is painted
    setContextMenuPolicy(Qt::DefaultContextMenu);
    setFocusPolicy(Qt::TabFocus);  // a click acts on an arc, it does not focus the chart
    connect(&hover_, &HoverState::changed, this, &SunburstView::onHoverChanged);
    connect(&model_, &AppModel::treeRevisionChanged, this, &SunburstView::onRevisionChanged);
    const auto recolour = [this] {
        if (laidOut_) {
            applyColours();
        }
    };
    connect(&model_.colorModes(), &ColorModes::changed, this, recolour);
    // A selected kind of file dims the arcs of other kinds.
    connect(&model_.kinds(), &KindsSession::selectionChanged, this, recolour);
    connect(&model_.kinds(), &KindsSession::totalsChanged, this, recolour);
    // The label says the change once there is one.
    connect(&model_.comparison(), &ComparisonSession::changed, this,
            [this] { update(CenterLabel::bounds(ringGeometry())); });
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
    applyColours();
    emit arcsChanged();
}

void SunburstView::applyColours() {
    const std::shared_ptr<const ArcColoring> coloring = model_.colorModes().coloring();
    std::vector<QColor> colours;
    colours.reserve(segments_.size());
    const KindsSession& kinds = model_.kinds();
    for (const Segment& s : segments_) {
        QColor colour = Style::color(coloring ? coloring->color(s) : s.color);
        if (kinds.selected()) {
            colour.setAlphaF(static_cast<float>(colour.alphaF() * kinds.emphasis(s)));
        }
        colours.push_back(colour);
    }
    picture_.setColours(std::move(colours));
    update();
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

void SunburstView::drawHighlight(QPainter& painter, const FileNode& hovered) const {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QColor white(Qt::white);
    white.setAlphaF(static_cast<float>(kHighlightOpacity));
    for (std::size_t i : highlightedPath(hovered)) {
        painter.setBrush(picture_.colour(i));
        painter.drawPolygon(shapes_[i]);
        if (segments_[i].node == hovered) {
            painter.setBrush(white);
            painter.drawPolygon(shapes_[i]);
        }
    }
}

CenterLabel SunburstView::centerLabel() const {
    const FileNode& hovered = hover_.hovered();
    return CenterLabel::describe(node_, hovered, ringGeometry(),
                                 changeOf(hovered ? hovered : node_));
}

void SunburstView::paintEvent(QPaintEvent* event) {
    ensureLaidOut();
    ensureShapes();
    QPainter painter(this);
    const qreal dpr = painter.device()->devicePixelRatioF();
    const FileNode hovered = hover_.hovered();
    const QImage& base =
        picture_.layer(hovered ? SunburstPicture::Layer::Dimmed : SunburstPicture::Layer::Plain,
                       size(), dpr, palette(), ringGeometry(), shapes_);
    const QRect area = event->rect();
    const QRectF source(QPointF(area.topLeft()) * dpr, QSizeF(area.size()) * dpr);
    // The picture is opaque and covers the area: copy it rather than blend.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRectF(area), base, source);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (hovered) {
        drawHighlight(painter, hovered);
    }
    const CenterLabel label = centerLabel();
    if (label.upIcon && upArrow_.isNull()) {
        upArrow_ = CenterLabel::arrowFor(palette());
    }
    label.draw(painter, ringGeometry(), palette(), upArrow_);
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
    picture_.clear();
}

void SunburstView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ensureLaidOut();
}

void SunburstView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange ||
        event->type() == QEvent::FontChange) {
        upArrow_ = QIcon();
        picture_.clear();
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
        update(pathBounds(paintedHover_) | pathBounds(now) | CenterLabel::bounds(ringGeometry()));
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

QString SunburstView::changeOf(const FileNode& node) const {
    return model_.comparison().changeSince(node);
}

QString SunburstView::centerText() const {
    return centerLabel().oneLine();
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
