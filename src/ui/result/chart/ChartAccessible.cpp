#include "ui/result/chart/ChartAccessible.h"

#include <QWindow>
#include <algorithm>

#include "core/chart/ArcTree.h"
#include "core/text/Format.h"
#include "ui/result/chart/SunburstView.h"
#include "ui/widgets/QtText.h"

namespace raumfuchs {

namespace {

constexpr std::size_t kDisc = ArcTree::kNone;

// "Name, 4,81 GB, 51 %": a node, its size and its share of `folder`, and
// while compared with a baseline, its change (", +1,2 GB seit 01.12.").
QString describe(const FileNode& node, const FileNode& folder, const QString& change) {
    QString text = toQString(node.displayName()) + QStringLiteral(", ") +
                   toQString(Format::bytes(node.size())) + QStringLiteral(", ") +
                   toQString(Format::percent(node.size(), folder ? folder.size() : 0));
    return change.isEmpty() ? text : text + QStringLiteral(", ") + change;
}

// One arc of the chart, or its disc (arc kDisc). Belongs to its chart's
// interface, which deletes it when the arcs change.
class ArcAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
  public:
    ArcAccessible(ChartAccessible& chart, std::size_t arc)
        : chart_(chart), view_(chart.view()), arc_(arc) {}

    std::size_t arc() const { return arc_; }

    bool isValid() const override { return !view_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }

    QAccessibleInterface* parent() const override {
        if (arc_ == kDisc || !view_) {
            return &chart_;
        }
        const std::size_t up = view_->arcTree().parent(arc_);
        return up == kDisc ? static_cast<QAccessibleInterface*>(&chart_) : chart_.part(up);
    }
    int childCount() const override {
        return arc_ == kDisc || !view_ ? 0 : int(view_->arcTree().children(arc_).size());
    }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount()) {
            return nullptr;
        }
        return chart_.part(view_->arcTree().children(arc_)[std::size_t(index)]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const auto* part = dynamic_cast<const ArcAccessible*>(child);
        if (part == nullptr || arc_ == kDisc || !view_) {
            return -1;
        }
        const auto& children = view_->arcTree().children(arc_);
        const auto found = std::find(children.begin(), children.end(), part->arc());
        return found == children.end() ? -1 : int(found - children.begin());
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        if (arc_ == kDisc || !view_) {
            return nullptr;
        }
        // The child on the way from this arc out to the arc under the point.
        const ArcTree& tree = view_->arcTree();
        std::size_t hit = view_->arcAt(view_->mapFromGlobal(QPoint(x, y)));
        while (hit != kDisc && tree.parent(hit) != arc_) {
            hit = tree.parent(hit);
        }
        return hit == kDisc ? nullptr : chart_.part(hit);
    }

    QString text(QAccessible::Text type) const override {
        if (!view_ || !view_->node()) {
            return {};
        }
        const FileNode folder = view_->node();
        if (arc_ == kDisc) {
            const FileNode up = folder.parent();
            if (type == QAccessible::Name) {
                return up ? QStringLiteral("Nach oben zu „%1“").arg(toQString(up.displayName()))
                          : toQString(folder.displayName()) + QStringLiteral(", ") +
                                toQString(Format::bytes(folder.size())) + QStringLiteral(", ") +
                                toQString(Format::files(folder.fileCount()));
            }
            return type == QAccessible::Description ? view_->centerText() : QString();
        }
        const FileNode& node = view_->segments()[arc_].node;
        if (type == QAccessible::Name) {
            return describe(node, folder, view_->changeOf(node));
        }
        if (type == QAccessible::Description) {
            const int ring = int(view_->segments()[arc_].depth) + 1;
            return (node.isDirectory() ? QStringLiteral("Ordner, Ring %1")
                                       : QStringLiteral("Datei, Ring %1"))
                .arg(ring);
        }
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!view_) {
            return {};
        }
        const QRect local = view_->arcBounds(arc_).toAlignedRect();
        return QRect(view_->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override {
        if (arc_ == kDisc) {
            return canGoUp() ? QAccessible::Button : QAccessible::StaticText;
        }
        return QAccessible::ListItem;
    }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!view_) {
            state.invalid = true;
            return state;
        }
        const bool current = view_->currentArc() == arc_ && (arc_ != kDisc || canGoUp());
        state.focusable = arc_ != kDisc || canGoUp();
        state.focused = current && view_->hasFocus();
        state.hotTracked = current && arc_ != kDisc;
        state.invisible = !view_->isVisible();
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override {
        if (!view_) {
            return {};
        }
        if (arc_ == kDisc) {
            return canGoUp() ? QStringList{pressAction()} : QStringList{};
        }
        QStringList names{setFocusAction(), showMenuAction()};
        if (view_->segments()[arc_].node.isDirectory()) {
            names.prepend(pressAction());
        }
        return names;
    }
    void doAction(const QString& name) override {
        if (!actionNames().contains(name)) {
            return;
        }
        if (name == setFocusAction()) {
            view_->setFocus(Qt::OtherFocusReason);
            view_->setCurrentArc(arc_);
        } else if (name == showMenuAction()) {
            view_->openMenu(arc_);
        } else {
            view_->activate(arc_);
        }
    }
    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == pressAction()) {
            return {arc_ == kDisc ? QStringLiteral("Backspace") : QStringLiteral("Return")};
        }
        return name == showMenuAction() ? QStringList{QStringLiteral("Shift+F10")} : QStringList{};
    }

  private:
    bool canGoUp() const { return view_ && view_->node() && view_->node().parent(); }

    ChartAccessible& chart_;
    QPointer<SunburstView> view_;
    std::size_t arc_;
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == QLatin1String(SunburstView::staticMetaObject.className())) {
        if (auto* view = qobject_cast<SunburstView*>(object)) {
            return new ChartAccessible(view);
        }
    }
    return nullptr;
}

}  // namespace

ChartAccessible::ChartAccessible(SunburstView* view) : QAccessibleWidget(view, QAccessible::Chart) {
    arcsChanged_ = QObject::connect(view, &SunburstView::arcsChanged, view, [this] {
        dropParts();
        if (QAccessible::isActive()) {
            QAccessibleEvent renamed(this, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&renamed);
            QAccessibleEvent reordered(this, QAccessible::ObjectReorder);
            QAccessible::updateAccessibility(&reordered);
        }
    });
    currentArcChanged_ = QObject::connect(view, &SunburstView::currentArcChanged, view, [this] {
        if (QAccessible::isActive() && this->view()->isVisible()) {
            announceCurrentArc();
        }
    });
}

ChartAccessible::~ChartAccessible() {
    QObject::disconnect(arcsChanged_);
    QObject::disconnect(currentArcChanged_);
    dropParts();
}

void ChartAccessible::install() {
    static const bool installed = (QAccessible::installFactory(&factory), true);
    (void)installed;
}

void ChartAccessible::announceCurrentArc() {
    QAccessibleEvent described(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&described);
    if (view()->hasFocus()) {
        QAccessibleEvent focus(part(view()->currentArc()), QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

SunburstView* ChartAccessible::view() const {
    return static_cast<SunburstView*>(widget());
}

void ChartAccessible::dropParts() {
    for (const auto& [arc, id] : parts_) {
        QAccessible::deleteAccessibleInterface(id);
    }
    parts_.clear();
}

QAccessibleInterface* ChartAccessible::part(std::size_t arc) const {
    const auto found = parts_.find(arc);
    if (found != parts_.end()) {
        return QAccessible::accessibleInterface(found->second);
    }
    auto* made = new ArcAccessible(*const_cast<ChartAccessible*>(this), arc);
    parts_.emplace(arc, QAccessible::registerAccessibleInterface(made));
    return made;
}

QString ChartAccessible::text(QAccessible::Text type) const {
    const FileNode& folder = view()->node();
    if (!folder) {
        return QAccessibleWidget::text(type);
    }
    switch (type) {
        case QAccessible::Name:
            return toQString(folder.displayName()) + QStringLiteral(", ") +
                   toQString(Format::bytes(folder.size()));
        case QAccessible::Description:
            return view()->centerText();
        default:
            return QAccessibleWidget::text(type);
    }
}

QAccessible::Role ChartAccessible::role() const {
    return QAccessible::Chart;
}

int ChartAccessible::childCount() const {
    return 1 + int(view()->arcTree().children(kDisc).size());
}

QAccessibleInterface* ChartAccessible::child(int index) const {
    if (index == 0) {
        return part(kDisc);
    }
    const auto& top = view()->arcTree().children(kDisc);
    return index > 0 && std::size_t(index) <= top.size() ? part(top[std::size_t(index - 1)])
                                                         : nullptr;
}

int ChartAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const auto* part = dynamic_cast<const ArcAccessible*>(child);
    if (part == nullptr) {
        return -1;
    }
    if (part->arc() == kDisc) {
        return 0;
    }
    const auto& top = view()->arcTree().children(kDisc);
    const auto found = std::find(top.begin(), top.end(), part->arc());
    return found == top.end() ? -1 : 1 + int(found - top.begin());
}

QAccessibleInterface* ChartAccessible::childAt(int x, int y) const {
    const QPoint local = view()->mapFromGlobal(QPoint(x, y));
    if (!view()->rect().contains(local)) {
        return nullptr;
    }
    const ArcTree& tree = view()->arcTree();
    std::size_t hit = view()->arcAt(local);
    if (hit == kDisc) {
        const ChartPoint p{double(local.x()), double(local.y())};
        return view()->ringGeometry().isOnDisc(p) ? part(kDisc) : nullptr;
    }
    while (tree.parent(hit) != kDisc) {
        hit = tree.parent(hit);
    }
    return part(hit);
}

QAccessibleInterface* ChartAccessible::focusChild() const {
    return view()->hasFocus() ? part(view()->currentArc()) : nullptr;
}

}  // namespace raumfuchs
