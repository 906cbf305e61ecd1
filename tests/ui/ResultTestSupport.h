#pragma once

#include <QAbstractItemModel>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <cmath>
#include <functional>
#include <optional>
#include <string>

#include "app/ModelTestSupport.h"
#include "core/text/Format.h"
#include "ui/result/chart/SunburstView.h"

namespace raumfuchs::test {

// Sizes and shares as the program writes them.
inline QString bytes(std::int64_t count) {
    return QString::fromStdString(Format::bytes(count));
}
inline QString percent(std::int64_t part, std::int64_t whole) {
    return QString::fromStdString(Format::percent(part, whole));
}

// The first child of type T below `parent` whose text is `text`, or null.
template <typename T>
T* withText(const QObject& parent, const QString& text) {
    for (T* child : parent.findChildren<T*>()) {
        if (child->text() == text) {
            return child;
        }
    }
    return nullptr;
}

// A scanned temporary tree, stored in the order big, file.txt, nofiles, empty:
//   big/        a.bin 64 KiB, b.bin 32 KiB, deep/level2/level3/leaf.txt 4 KiB
//   empty/      nothing
//   nofiles/sub/
//   file.txt    16 KiB
struct ScannedTree {
    ScannedTree() {
        scratch.file("big/a.bin", 64 * 1024);
        scratch.file("big/b.bin", 32 * 1024);
        scratch.file("big/deep/level2/level3/leaf.txt", 4096);
        scratch.folder("empty");
        scratch.folder("nofiles/sub");
        scratch.file("file.txt", 16 * 1024);
        scan();
    }

    // Scans again; with `volumeExtra` as a whole volume whose used bytes are
    // the tree's size plus that amount.
    void scan(std::optional<std::int64_t> volumeExtra = std::nullopt) {
        std::optional<std::int64_t> used;
        if (volumeExtra) {
            scanAndWait(model, scratch.path(), QStringLiteral("Vorab"));
            used = model.root().size() + *volumeExtra;
        }
        model.startScan(ScanTarget{scratch.path(), QStringLiteral("Testbaum"), used});
        finishScan(model);
        ASSERT_EQ(model.phase(), Phase::Result);
    }

    FileNode at(const std::string& relative) const {
        return model.node(scratch.path() + "/" + relative);
    }

    bool appReady = (ensureApp(), true);  // the model's background hand-offs need the application
    FakeDesktopServices services;
    AppModel model{services};
    TempTree scratch;
};

// Shows `widget` and lets the event loop lay it out and paint it.
inline void showAndSettle(QWidget& widget) {
    widget.show();
    waitUntil([&] { return widget.isVisible(); }, 2000);
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

inline void pressKey(QWidget& widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(&widget, &press);
}

// The texts of `items` (buttons, labels), in order.
template <typename Items>
QStringList textsOf(const Items& items) {
    QStringList texts;
    for (const auto* item : items) {
        texts << item->text();
    }
    return texts;
}

// The texts of `role` down the first column of `model`.
inline QStringList rowTexts(const QAbstractItemModel& model, int role = Qt::DisplayRole) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row) {
        texts << model.index(row, 0).data(role).toString();
    }
    return texts;
}

// The node's name, "-" for none.
inline std::string nameOf(const FileNode& node) {
    return node ? node.displayName() : "-";
}

// A left-button mouse event of `type` at `position`, sent straight to `widget`.
inline void mouse(QWidget& widget, QEvent::Type type, QPointF position) {
    const bool down = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    QMouseEvent event(type, position, widget.mapToGlobal(position),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

inline void click(QWidget& widget, QPointF position) {
    mouse(widget, QEvent::MouseButtonPress, position);
    mouse(widget, QEvent::MouseButtonRelease, position);
}

inline void doubleClick(QWidget& widget, QPointF position) {
    for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                            QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        mouse(widget, type, position);
    }
}

// Asks `widget` for its context menu as the mouse at `position` or the menu key does.
inline void contextMenu(QWidget& widget, QContextMenuEvent::Reason reason, QPoint position = {}) {
    QContextMenuEvent event(reason, position, widget.mapToGlobal(position));
    QCoreApplication::sendEvent(&widget, &event);
}

// The arc of the node named `name` on `chart`, laid out first.
inline Segment arcOf(SunburstView& chart, const std::string& name) {
    chart.grab();
    for (const Segment& s : chart.segments()) {
        if (s.node.displayName() == name) {
            return s;
        }
    }
    ADD_FAILURE() << "no arc " << name;
    return {};
}

// Halfway through the ring of the arc of `name`, `shift` of its span off its middle.
inline QPointF arcPoint(SunburstView& chart, const std::string& name, double shift = 0) {
    const Segment s = arcOf(chart, name);
    const RingGeometry g = chart.ringGeometry();
    const double r = g.innerRadius + (double(s.depth) + 0.5) * g.ringWidth;
    const double a = (s.start + s.end) / 2 + shift * (s.end - s.start);
    return {g.center.x + r * std::sin(a), g.center.y - r * std::cos(a)};
}

// The entries ("" for a separator) of the menu that pops up while `act` runs,
// empty if none does; the entry `trigger` is chosen, then the menu closed.
inline QStringList menuDuring(const std::function<void()>& act, const QString& trigger = {}) {
    QStringList entries;
    QTimer::singleShot(0, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions()) {
                entries << (action->isSeparator() ? QString() : action->text());
                if (!trigger.isEmpty() && action->text() == trigger) {
                    action->trigger();
                }
            }
            menu->close();
        }
    });
    act();
    QCoreApplication::processEvents();
    return entries;
}

}  // namespace raumfuchs::test
