#pragma once

#include <QIcon>
#include <QPolygonF>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "core/chart/ArcTree.h"
#include "core/chart/RingGeometry.h"
#include "core/chart/Segment.h"
#include "core/tree/FileTree.h"
#include "ui/result/chart/CenterLabel.h"
#include "ui/result/chart/SunburstPicture.h"

namespace raumfuchs {

class AppModel;
class HoverState;

// The sunburst chart of one folder: the folder as a disc with a label in the
// middle, its contents as five rings of arcs around it. Hovering an arc writes
// the shared HoverState (owned by the result screen, read by the side panel)
// and highlights the arc and its ancestors; a click on a folder arc zooms in, a
// click on the disc goes up, a secondary click opens the node menu.
//
// The arcs are laid out only on first show, when the model's tree revision
// changes and when setNode() gives another folder; hovering, resizing and
// painting use the cached list.
//
// Painting: the chart without its label is a SunburstPicture, kept per size
// and pixel ratio, plain and dimmed. While a node is hovered, the dimmed
// picture is shown and only the arcs of the hovered path are drawn again on
// top, the hovered one lightened by white at 0.25; a move from one arc to
// another repaints just those arcs and the CenterLabel.
//
// Keyboard: the chart takes focus and shows a ring around itself meanwhile.
// The arrow keys move the hovered node from arc to arc (ArcTree), so the
// keyboard's arc is drawn, labelled and shared exactly as the pointer's; Enter
// does what a click on it does, Backspace goes up, Shift+F10 and the menu key
// open its node menu. Assistive technology reads the chart through
// ChartAccessible, which the chart itself knows nothing of.
//
// Transitions: the chart paints every pixel of its rectangle itself (window
// background included) and lays itself out on its first paint if it was never
// shown, so QWidget::grab() of a chart (even one that is not yet on screen)
// gives a self-contained picture. A host that animates a change of folder
// grabs the old and the new chart and cross-fades and scales the two pixmaps.
class SunburstView : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kRings = 5;

    SunburstView(AppModel& model, HoverState& hover, QWidget* parent = nullptr);

    // The folder to show (the model's current node). Another folder lays out
    // the chart anew once it is (or has been) on screen.
    void setNode(const FileNode& node);
    const FileNode& node() const { return node_; }

    // The cached arcs, in layout order, and the geometry for the current size.
    const std::vector<Segment>& segments() const { return segments_; }
    RingGeometry ringGeometry() const;
    // What the disc says: about the hovered node, or about the shown folder
    // when nothing is hovered.
    CenterLabel centerLabel() const;

    // The centre label as one line: "big, 96 KB, 51 % von Testbaum".
    QString centerText() const;
    // While the tree is compared with a baseline, the change of `node`
    // ("+2,1 GB seit 01.12."); else empty.
    QString changeOf(const FileNode& node) const;

    // The arcs as a tree, laid out first if they never were.
    const ArcTree& arcTree();
    // The arc of the hovered node, or ArcTree::kNone (the disc) when it has
    // none in this chart.
    std::size_t currentArc() const;
    // Hovers the node of `arc`; none for the disc.
    void setCurrentArc(std::size_t arc);
    // The arc under `position`, or ArcTree::kNone.
    std::size_t arcAt(QPointF position);
    // Where `arc` (or the disc) lies, in the chart's coordinates.
    QRectF arcBounds(std::size_t arc);
    // What the keyboard's Enter does: zooms into the folder of `arc`, or goes
    // up for the disc, leaving the folder it came from current there.
    void activate(std::size_t arc);
    // The node menu for `arc` at its middle; none for the disc.
    void openMenu(std::size_t arc);

    // How often the arcs were laid out, for tests of the rebuild rules.
    int layoutCount() const { return layoutCount_; }

    QSize sizeHint() const override { return {560, 560}; }
    QSize minimumSizeHint() const override { return {120, 120}; }

  signals:
    // New arcs were laid out: indices into the old list mean nothing now.
    void arcsChanged();
    // The hovered node changed, and with it currentArc() and the centre label.
    void currentArcChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void rebuild();
    // The arcs' colours from the model's colour mode, the layout kept.
    void applyColours();
    void ensureLaidOut();
    void ensureShapes();
    void onHoverChanged();
    void onRevisionChanged();
    void pointerAt(QPointF position, QPoint globalPosition);
    void setCursorShape(Qt::CursorShape shape);

    // Segments (indices) of `node` and its ancestors that have an arc.
    std::vector<std::size_t> highlightedPath(const FileNode& hovered) const;
    QRect pathBounds(const FileNode& hovered) const;
    void drawHighlight(QPainter& painter, const FileNode& hovered) const;

    AppModel& model_;
    HoverState& hover_;
    FileNode node_;
    std::int64_t revision_ = 0;  // tree revision the arcs were laid out for
    bool laidOut_ = false;
    int layoutCount_ = 0;

    std::vector<Segment> segments_;
    std::unordered_map<NodeId, std::size_t> segmentOf_;  // node → index in segments_
    std::optional<ArcTree> arcTree_;                     // made on first use
    // Visible shapes of the arcs (ArcShape) for shapesSize_; rebuilt on
    // resize and with new arcs.
    std::vector<QPolygonF> shapes_;
    QSize shapesSize_;
    SunburstPicture picture_;

    FileNode paintedHover_;  // the hovered node the picture on screen shows
    bool pressed_ = false;
    QIcon upArrow_;  // the centre label's, tinted for the current palette
};

}  // namespace raumfuchs
