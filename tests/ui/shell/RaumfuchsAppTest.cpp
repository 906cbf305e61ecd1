// The launch wiring: "--scan PATH" starts a scan once the window first shows.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/ModelTestSupport.h"
#include "app/launch/LaunchArguments.h"
#include "app/launch/LaunchTarget.h"
#include "ui/shell/RaumfuchsApp.h"

namespace raumfuchs {
namespace {

// Starts the program as main() does with `arguments` (program path first),
// in a folder that holds "-reverse/a.bin", and waits for the launch scan. 0
// when the scan waited for the window to show, its target is that folder,
// verbatim, and the window is mirrored exactly when `mirrored`; else 1, with
// what was seen on stderr.
int launchAndCheck(std::vector<std::string> arguments, bool mirrored) {
    int code = 1;
    {
        test::TempTree dir;
        dir.file("-reverse/a.bin", 8192);
        std::filesystem::current_path(dir.path());
        const std::string expected = std::filesystem::current_path().native() + "/-reverse";
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        const int argc = static_cast<int>(argv.size());
        argv.push_back(nullptr);
        std::vector<char*> toolkitArgv = LaunchArguments::toolkitArguments(argc, argv.data());
        int toolkitArgc = static_cast<int>(toolkitArgv.size()) - 1;
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        QApplication application(toolkitArgc, toolkitArgv.data());
        RaumfuchsApp::configure(application);
        RaumfuchsApp app(argumentBytes(argc, argv.data()));
        QCoreApplication::processEvents();
        const bool waited = app.model().phase() == Phase::Start;
        app.show();
        QElapsedTimer timer;
        timer.start();
        while (app.model().phase() != Phase::Result && timer.elapsed() < 30000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        const bool rightToLeft = QGuiApplication::layoutDirection() == Qt::RightToLeft;
        const std::string target = app.model().target() ? app.model().target()->path : "";
        std::fprintf(
            stderr, "gewartet %d, gespiegelt %d, Ziel %s, Dateien %lld\n", waited, rightToLeft,
            target.c_str(),
            static_cast<long long>(app.model().root() ? app.model().root().fileCount() : -1));
        const bool scanned = app.model().root() && app.model().root().fileCount() == 1;
        code = waited && rightToLeft == mirrored && target == expected && scanned ? 0 : 1;
        std::filesystem::current_path("/");
    }
    return code;
}

// One QApplication per process: each launch runs in a process of its own.
TEST(RaumfuchsAppDeathTest, ThePathAfterScanIsNoToolkitOption) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::_Exit(launchAndCheck({"raumfuchs", "--scan", "-reverse"}, false)),
                testing::ExitedWithCode(0), "");
    // Toolkit options elsewhere on the line still count.
    EXPECT_EXIT(std::_Exit(launchAndCheck({"raumfuchs", "-reverse", "--scan", "-reverse"}, true)),
                testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace raumfuchs
