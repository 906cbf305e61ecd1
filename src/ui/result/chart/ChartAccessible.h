#pragma once

#include <QAccessibleWidget>
#include <QMetaObject>
#include <cstddef>
#include <unordered_map>

namespace raumfuchs {

class SunburstView;

// What assistive technology sees of a chart: an object with the chart role,
// named by the shown folder and its size and described by what the disc says.
// Its children are the disc (a button that goes up, where it can) and the arcs
// of ring 0; every arc holds the arcs of its child nodes, so an arc's ring is
// its level in this tree. An arc is named "Name, 4,81 GB, 51 %" (its share of
// the shown folder) and offers zooming in (folders) and its node menu.
//
// The parts are made when something asks for them and kept, registered with
// QAccessible, until the chart lays out new arcs or goes. Nothing of this
// exists while no assistive technology asks.
class ChartAccessible : public QAccessibleWidget {
  public:
    explicit ChartAccessible(SunburstView* view);
    ~ChartAccessible() override;

    // Registers the factory that gives every SunburstView this interface;
    // whoever makes charts calls it first.
    static void install();

    SunburstView* view() const;
    // The part for `arc` (ArcTree::kNone: the disc).
    QAccessibleInterface* part(std::size_t arc) const;

    QString text(QAccessible::Text type) const override;
    QAccessible::Role role() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

  private:
    void dropParts();
    // Tells assistive technology that the chart's current arc changed: a
    // focus change while the chart has focus, and the new description.
    void announceCurrentArc();

    mutable std::unordered_map<std::size_t, QAccessible::Id> parts_;
    QMetaObject::Connection arcsChanged_;
    QMetaObject::Connection currentArcChanged_;
};

}  // namespace raumfuchs
