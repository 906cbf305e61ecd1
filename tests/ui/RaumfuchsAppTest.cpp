// The launch wiring: "--scan PATH" starts a scan once the window first shows.
#include <gtest/gtest.h>

#include "app/ModelTestSupport.h"
#include "ui/RaumfuchsApp.h"

namespace raumfuchs {
namespace {

using test::Scratch;
using test::waitUntil;

TEST(RaumfuchsAppTest, LaunchScanStartsOnFirstShowWithTheFirstPath) {
    test::ensureApp();
    Scratch scratch;
    scratch.file("Projekte/a.bin", 8192);
    RaumfuchsApp app({"raumfuchs", "-v", "--scan", scratch.path("Projekte"), "--scan", "/usr"});
    QCoreApplication::processEvents();
    EXPECT_EQ(app.model().phase(), Phase::Start);  // not before the window is shown

    app.show();
    ASSERT_TRUE(waitUntil([&] { return app.model().target().has_value(); }));
    EXPECT_EQ(app.model().target()->path, scratch.path("Projekte"));
    EXPECT_EQ(app.model().target()->displayName, QStringLiteral("Projekte"));
    EXPECT_FALSE(app.model().target()->volumeUsed.has_value());
    ASSERT_TRUE(waitUntil([&] { return app.model().phase() == Phase::Result; }));
    EXPECT_EQ(app.model().root().fileCount(), 1);
    test::settle(app.model());
}

TEST(RaumfuchsAppTest, ScanOptionWithoutPathKeepsTheStartScreen) {
    test::ensureApp();
    RaumfuchsApp app({"raumfuchs", "--scan"});
    app.show();
    for (int pass = 0; pass < 5; ++pass) {  // lets the first-show task run
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(app.model().phase(), Phase::Start);
    EXPECT_FALSE(app.model().target().has_value());
}

}  // namespace
}  // namespace raumfuchs
