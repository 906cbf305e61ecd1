// The model keeps each finished scan in its history: not while switched off,
// not a cancelled scan nor an import, and a state folder that refuses the write leaves the result
// on screen and says so once.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/ModelTestSupport.h"
#include "support/ScopedMount.h"

namespace raumfuchs {
namespace {

struct FullStateServices : FakeDesktopServices {
    FullStateServices() {
        state.folder("state");
        history = state.path("state/history");
    }
    test::TempTree state;
};

TEST(HistoryKeepingTest, AFullStateFolderKeepsTheResultAndSaysSoOnce) {
    test::ensureApp();
    FullStateServices services;
    const test::ScopedMount full = test::ScopedMount::tmpfs(services.state.path("state"));
    if (!full.mounted()) {
        GTEST_SKIP() << full.failed();
    }
    test::commandOutput("dd if=/dev/zero of='" + services.state.path("state/filler") +
                        "' bs=4096 2>/dev/null");
    AppModel model{services};
    test::TempTree scratch;
    scratch.file("a", 40960);
    test::scanAndWait(model, scratch.path(), QStringLiteral("Ordner"));
    ASSERT_EQ(model.phase(), Phase::Result);
    EXPECT_EQ(model.root().size(), test::freshScan(scratch.path()).size());
    ASSERT_TRUE(model.alertMessage());
    EXPECT_TRUE(model.alertMessage()->contains("kein Platz mehr auf dem Datenträger"))
        << model.alertMessage()->toStdString();
    model.setAlertMessage(std::nullopt);
    test::scanAndWait(model, scratch.path(), QStringLiteral("Ordner"));
    EXPECT_FALSE(model.alertMessage());  // the same failure again stays quiet
    EXPECT_TRUE(model.history().entries(scratch.path()).empty());

    std::filesystem::remove(services.state.path("state/filler"));
    test::scanAndWait(model, scratch.path(), QStringLiteral("Ordner"));
    EXPECT_FALSE(model.alertMessage());
    ASSERT_EQ(model.history().entries(scratch.path()).size(), 1u);
    EXPECT_EQ(model.history().entries(scratch.path())[0].bytes, model.root().size());
    // The shown tree's own scan is no baseline to choose.
    EXPECT_TRUE(model.history().entries(scratch.path(), model.root()).empty());

    model.history().setEnabled(false);
    test::scanAndWait(model, scratch.path(), QStringLiteral("Ordner"));
    EXPECT_EQ(model.history().entries(scratch.path()).size(), 1u);
    model.history().setEnabled(true);
    // A cancelled scan is not kept.
    scratch.file("b", 4096);
    model.startScan(ScanTarget{scratch.path(), QStringLiteral("Ordner"), std::nullopt});
    model.cancelScan();
    test::settle(model);
    EXPECT_EQ(model.history().entries(scratch.path()).size(), 1u);
    model.startScan(ScanTarget{model.history().entries(scratch.path())[0].file,
                               QStringLiteral("Export"), std::nullopt, true});
    ASSERT_TRUE(
        test::waitUntil([&] { return model.phase() == Phase::Result && model.isImported(); }));
    test::settle(model);
    EXPECT_EQ(model.history().entries(scratch.path()).size(), 1u);  // an import is not kept

    // A scan of another machine is kept under where it ran. The stand-in for
    // ssh runs the command meant for the other side here, where ncdu is.
    const std::string ssh = scratch.path("ssh");
    std::ofstream(ssh) << "#!/bin/sh\nfor last; do :; done\nexec sh -c \"$last\"\n";
    std::filesystem::permissions(ssh, std::filesystem::perms::owner_all);
    model.streamLaunchers().ssh = {ssh};
    model.startScan(
        ScanTarget{scratch.path(), {}, std::nullopt, false, RemoteAddress{"root", "server", 0}});
    test::finishScan(model);
    ASSERT_TRUE(model.exportOrigin() && model.exportOrigin()->remote);
    ASSERT_TRUE(test::waitUntil([&] { return model.history().inFlight() == 0; }));
    QCoreApplication::processEvents();
    const std::string origin = "root@server:" + scratch.path();
    EXPECT_EQ(model.historyKey(), origin);
    ASSERT_EQ(model.history().entries(origin).size(), 1u);
    EXPECT_EQ(model.history().entries(origin)[0].bytes, model.root().size());
    EXPECT_EQ(model.history().entries(scratch.path()).size(), 1u);
}

}  // namespace
}  // namespace raumfuchs
