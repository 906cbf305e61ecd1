#pragma once

#include <QCoreApplication>
#include <QTimer>
#include <functional>

// Runs the event loop until `done` holds, sleeping between events as the
// window's loop does. (processEvents() with a time limit returns at once when
// nothing is pending, and a loop of it keeps a core busy beside the work
// being measured.) A timer wakes the wait for conditions no event announces.
inline void runUntil(const std::function<bool()>& done) {
    QTimer wake;
    wake.start(50);
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}
