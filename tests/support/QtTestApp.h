#pragma once

#include <QApplication>

namespace raumfuchs::test {

// Creates the one QApplication of a test program on first use and keeps it to
// the end of the process. Qt tests call it before touching widgets, fonts or
// the clipboard. Without QT_QPA_PLATFORM set, the offscreen platform is chosen
// so the tests need no display.
inline QApplication& ensureApp() {
    static int argc = 1;
    static char name[] = "raumfuchs-tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        return new QApplication(argc, argv);  // intentionally never destroyed
    }();
    return *app;
}

}  // namespace raumfuchs::test
