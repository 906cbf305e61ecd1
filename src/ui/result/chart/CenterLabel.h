#pragma once

#include <QFont>
#include <QRect>
#include <QStringList>

#include "core/chart/RingGeometry.h"
#include "core/tree/FileTree.h"

class QIcon;
class QPainter;
class QPalette;

namespace raumfuchs {

// What the disc in the middle of a chart says: about the hovered node, or
// about the shown folder when nothing is hovered. Its texts are fitted to the
// disc: the name on at most two lines, the caption smaller in a small chart
// before it is cut.
struct CenterLabel {
    bool upIcon = false;  // "arrow.up.circle": a click on the disc goes up
    QStringList name;     // at most two lines; none without a folder
    QString size;
    QString detail;    // "25 % von Bilder" or "12.345 Dateien"
    QString change;    // against a baseline: "+2,1 GB seit 01.12."; else empty
    QFont detailFont;  // the caption's, smaller in a small chart

    // The label of the chart of `folder` laid out as `g`, with `hovered` (may
    // be none) under the pointer or the keyboard; `change` is that of the node
    // described, when the tree is compared with a baseline.
    static CenterLabel describe(const FileNode& folder, const FileNode& hovered,
                                const RingGeometry& g, const QString& change = {});
    // The label as one line: "big, 96 KB, 51 % von Testbaum".
    QString oneLine() const;
    // Draws the label centred on the disc of `g`, with `arrow` (from
    // arrowFor()) above the name when the disc goes up.
    void draw(QPainter& painter, const RingGeometry& g, const QPalette& palette,
              const QIcon& arrow) const;
    // What draw() may paint over.
    static QRect bounds(const RingGeometry& g);
    // The arrow tinted for `palette`; worth keeping until the palette changes.
    static QIcon arrowFor(const QPalette& palette);
};

}  // namespace raumfuchs
