#pragma once

#include <QApplication>
#include <QByteArray>
#include <QElapsedTimer>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

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

// Runs the event loop until `done` holds or `timeoutMs` passed; true if it held.
// With `deliver` false, queued events wait meanwhile.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 30000,
                      bool deliver = true) {
    ensureApp();
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        if (deliver) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Environment variables set for as long as the object lives.
class ScopedEnv {
  public:
    void set(const char* name, const std::string& value) {
        saved_.emplace_back(name, qgetenv(name), qEnvironmentVariableIsSet(name));
        qputenv(name, QByteArray::fromStdString(value));
    }
    ~ScopedEnv() {
        for (const auto& [name, value, wasSet] : saved_) {
            wasSet ? qputenv(name, value) : qunsetenv(name);
        }
    }

  private:
    std::vector<std::tuple<const char*, QByteArray, bool>> saved_;
};

}  // namespace raumfuchs::test
