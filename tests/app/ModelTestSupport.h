#pragma once

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "app/AppModel.h"
#include "support/FakeDesktopServices.h"
#include "support/HandTree.h"
#include "support/QtTestApp.h"
#include "support/TempTree.h"

namespace raumfuchs::test {

// Runs the event loop until `done` holds or `timeoutMs` passed; true if it held.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 30000) {
    ensureApp();
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Waits until every scan thread has handed over its result, delivering nothing
// to the model meanwhile: what they queued stays queued.
inline bool handedOver(const AppModel& model, int timeoutMs = 30000) {
    QElapsedTimer timer;
    timer.start();
    while (model.scansInFlight() > 0) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Waits until no scan thread is left, then delivers what they queued.
inline void settle(AppModel& model) {
    ASSERT_TRUE(waitUntil([&] { return model.scansInFlight() == 0; }));
    QCoreApplication::processEvents();
}

inline void scanAndWait(AppModel& model, const std::string& path, const QString& name) {
    model.startScan(ScanTarget{path, name, std::nullopt});
    ASSERT_TRUE(waitUntil([&] { return model.phase() != Phase::Scanning; }));
    settle(model);
}

// A model over the desktop double, with a scratch folder for its scans.
struct ModelTest : ::testing::Test {
    bool appReady = (ensureApp(), true);  // the members below need the application
    TempTree scratch;
    FakeDesktopServices services;
    AppModel model{services};
};

}  // namespace raumfuchs::test
