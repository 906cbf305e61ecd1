#pragma once

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <optional>
#include <string>

#include "app/AppModel.h"
#include "app/ModelTestSupport.h"
#include "support/FakeDesktopServices.h"

namespace raumfuchs::test {

// A scanned temporary tree:
//   big/             a.bin 64 KiB, b.bin 32 KiB, deep/level2/level3/leaf.txt 4 KiB
//   empty/           nothing
//   nofiles/sub/     folders only
//   file.txt         16 KiB
// Sizes differ enough that the stored order is big, file.txt, then the rest.
class ScannedTree {
  public:
    explicit ScannedTree(std::optional<std::int64_t> volumeExtra = std::nullopt) {
        scratch.file("big/a.bin", 64 * 1024);
        scratch.file("big/b.bin", 32 * 1024);
        scratch.file("big/deep/level2/level3/leaf.txt", 4096);
        scratch.folder("empty");
        scratch.folder("nofiles/sub");
        scratch.file("file.txt", 16 * 1024);
        scan(volumeExtra);
    }

    // Scans again; with `volumeExtra` as a whole volume whose used bytes are
    // the tree's size plus that amount.
    void scan(std::optional<std::int64_t> volumeExtra) {
        std::optional<std::int64_t> used;
        if (volumeExtra) {
            model.startScan(ScanTarget{scratch.path(), QStringLiteral("Vorab"), std::nullopt});
            ASSERT_TRUE(waitUntil([&] { return model.phase() == Phase::Result; }));
            settle(model);
            used = model.root().size() + *volumeExtra;
        }
        model.startScan(ScanTarget{scratch.path(), QStringLiteral("Testbaum"), used});
        ASSERT_TRUE(waitUntil([&] { return model.phase() != Phase::Scanning; }));
        settle(model);
        ASSERT_EQ(model.phase(), Phase::Result);
    }

    FileNode at(const std::string& relative) const {
        return model.node(scratch.path() + "/" + relative);
    }

    FakeDesktopServices services;
    AppModel model{services};
    Scratch scratch;
};

// Shows `widget` and lets the event loop lay it out and paint it.
inline void showAndSettle(QWidget& widget) {
    widget.show();
    waitUntil([&] { return widget.isVisible(); }, 2000);
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

inline void pressKey(QWidget& widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &release);
}

// The events of a double-click with the left button at `position`.
inline void doubleClick(QWidget& widget, QPoint position) {
    const QPointF local(position);
    const QPointF global(widget.mapToGlobal(position));
    const auto send = [&](QEvent::Type type, Qt::MouseButtons buttons) {
        QMouseEvent event(type, local, global, Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(&widget, &event);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
    send(QEvent::MouseButtonDblClick, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
}

// While alive, threads started by this thread see the file system as an
// ordinary user, so that folders with mode 000 are unreadable to them even in
// a test run as root (the file-system uid is per thread and inherited).
class OrdinaryUserThreads {
  public:
    OrdinaryUserThreads() {
        if (geteuid() == 0) {
            setfsuid(65534);
            active_ = true;
        }
    }
    ~OrdinaryUserThreads() {
        if (active_) {
            setfsuid(0);
        }
    }
    OrdinaryUserThreads(const OrdinaryUserThreads&) = delete;
    OrdinaryUserThreads& operator=(const OrdinaryUserThreads&) = delete;

  private:
    bool active_ = false;
};

}  // namespace raumfuchs::test
