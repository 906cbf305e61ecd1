// The launch wiring: "--scan PATH" starts a scan once the window first shows.
#include <gtest/gtest.h>

#include "app/ModelTestSupport.h"
#include "ui/RaumfuchsApp.h"

namespace raumfuchs {
namespace {

TEST(RaumfuchsAppTest, LaunchScanStartsOnFirstShowWithTheFirstPath) {
    test::ensureApp();
    {
        RaumfuchsApp app({"raumfuchs", "--scan"});  // no path: the start screen stays
        app.show();
        test::waitUntil([] { return false; }, 100);
        EXPECT_EQ(app.model().phase(), Phase::Start);
    }
    test::TempTree scratch;
    scratch.file("Projekte/a.bin", 8192);
    RaumfuchsApp app({"raumfuchs", "-v", "--scan", scratch.path("Projekte"), "--scan", "/usr"});
    QCoreApplication::processEvents();
    EXPECT_EQ(app.model().phase(), Phase::Start);  // not before the window is shown
    app.show();
    ASSERT_TRUE(test::waitUntil([&] { return app.model().phase() == Phase::Result; }));
    EXPECT_EQ(app.model().target(), (ScanTarget{scratch.path("Projekte"), "Projekte", {}}));
    EXPECT_EQ(app.model().root().fileCount(), 1);
    test::settle(app.model());
}

}  // namespace
}  // namespace raumfuchs
