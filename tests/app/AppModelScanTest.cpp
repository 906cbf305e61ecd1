#include <gtest/gtest.h>

#include "app/AppModel.h"
#include "app/ModelTestSupport.h"
#include "support/FakeDesktopServices.h"
#include "support/HandTree.h"

namespace raumfuchs {
namespace {

using test::Scratch;
using test::settle;
using test::waitUntil;

TEST(AppModelScan, AResultBecomesRootAndCurrent) {
    test::ensureApp();
    Scratch dir;
    dir.file("a/big", 200'000);
    dir.file("a/small", 5'000);
    dir.file("b", 50'000);
    FakeDesktopServices services;
    AppModel model(services);
    std::vector<Phase> phases;
    QObject::connect(&model, &AppModel::phaseChanged, [&] { phases.push_back(model.phase()); });
    model.startScan(ScanTarget{dir.path(), "Ordner", std::nullopt});
    EXPECT_EQ(model.progress().files, 0);
    ASSERT_TRUE(waitUntil([&] { return model.phase() == Phase::Result; }));

    EXPECT_EQ(phases, (std::vector<Phase>{Phase::Scanning, Phase::Result}));
    EXPECT_EQ(model.root().path(), dir.path());
    EXPECT_EQ(model.root().nameBytes(), "Ordner");
    EXPECT_TRUE(model.current() == model.root());
    EXPECT_EQ(model.treeRevision(), 1);
    EXPECT_EQ(model.root().fileCount(), 3);
    EXPECT_FALSE(model.alertMessage());
}

// /usr stands for a large tree that reports progress for a while.
TEST(AppModelScan, ASupersededScansLateProgressAndResultAreIgnored) {
    test::ensureApp();
    Scratch first;
    first.file("a", 10'000);
    Scratch second;
    second.file("b", 10'000);
    FakeDesktopServices services;
    AppModel model(services);
    std::vector<std::string> progressPaths;
    QObject::connect(&model, &AppModel::progressChanged,
                     [&] { progressPaths.push_back(model.progress().currentPath); });

    // Each scan runs (the small one to its end) without anything delivered:
    // whatever they queued arrives after the last scan has taken over.
    model.startScan(ScanTarget{first.path(), "Erster", std::nullopt});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    model.startScan(ScanTarget{"/usr", "usr", std::nullopt});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    model.startScan(ScanTarget{second.path(), "Zweiter", std::nullopt});
    ASSERT_TRUE(waitUntil([&] { return model.phase() == Phase::Result; }));
    settle(model);

    EXPECT_EQ(model.root().path(), second.path());
    EXPECT_EQ(model.treeRevision(), 1);  // the first result was never applied
    EXPECT_FALSE(model.alertMessage());  // nor the cancelled one's failure
    for (const std::string& path : progressPaths) {
        EXPECT_TRUE(path.empty() || path.starts_with(second.path())) << path;
    }
}

TEST(AppModelScan, CancellingFallsBackToThePreviousResultUnchanged) {
    test::ensureApp();
    Scratch dir;
    dir.file("sub/deeper/file", 40'000);
    FakeDesktopServices services;
    AppModel model(services);

    // Without a previous tree, cancelling returns to the start screen.
    model.startScan(ScanTarget{dir.path(), "Ordner", std::nullopt});
    model.cancelScan();
    EXPECT_EQ(model.phase(), Phase::Start);
    settle(model);
    EXPECT_EQ(model.phase(), Phase::Start);
    EXPECT_FALSE(model.root());
    EXPECT_FALSE(model.alertMessage());

    test::scanAndWait(model, dir.path(), "Ordner");
    const FileNode root = model.root();
    const FileNode sub = test::child(root, "sub");
    model.navigate(sub);
    const std::int64_t revision = model.treeRevision();

    dir.file("sub/new", 80'000);
    model.rescan();
    EXPECT_EQ(model.phase(), Phase::Scanning);
    EXPECT_TRUE(model.current() == sub);  // the old tree stays while scanning
    model.cancelScan();
    EXPECT_EQ(model.phase(), Phase::Result);
    settle(model);
    EXPECT_EQ(model.phase(), Phase::Result);
    EXPECT_TRUE(model.root() == root);
    EXPECT_TRUE(model.current() == sub);
    EXPECT_EQ(model.treeRevision(), revision);
    EXPECT_EQ(root.fileCount(), 1);
    EXPECT_FALSE(model.alertMessage());
}

TEST(AppModelScan, AnUnreadableTargetAlertsAndFallsBack) {
    test::ensureApp();
    Scratch dir;
    dir.file("x", 4096);
    FakeDesktopServices services;
    AppModel model(services);

    test::scanAndWait(model, dir.path("fehlt"), "fehlt");
    EXPECT_EQ(model.phase(), Phase::Start);
    EXPECT_EQ(model.alertMessage(), QString("„fehlt“ konnte nicht gelesen werden."));
    EXPECT_FALSE(model.root());
    EXPECT_EQ(model.treeRevision(), 0);

    model.setAlertMessage(std::nullopt);
    test::scanAndWait(model, dir.path(), "Ordner");
    const FileNode root = model.root();
    test::scanAndWait(model, dir.path("auch weg"), "auch weg");
    EXPECT_EQ(model.phase(), Phase::Result);
    EXPECT_EQ(model.alertMessage(), QString("„auch weg“ konnte nicht gelesen werden."));
    EXPECT_TRUE(model.root() == root);
    EXPECT_TRUE(model.current() == root);
    EXPECT_EQ(model.treeRevision(), 1);
    EXPECT_EQ(model.target()->displayName, "auch weg");
}

TEST(AppModelScan, BackToStartDropsTheTreeAndTheRunningScan) {
    test::ensureApp();
    Scratch dir;
    dir.file("x", 4096);
    FakeDesktopServices services;
    AppModel model(services);
    test::scanAndWait(model, dir.path(), "Ordner");
    std::weak_ptr<FileTree> tree = model.root().treePtr();

    services.volumes = {VolumeInfo{"/media/stick", "Stick", 1000, 10, true, false}};
    model.startScan(ScanTarget{dir.path(), "Ordner", std::nullopt});
    model.backToStart();
    EXPECT_EQ(model.phase(), Phase::Start);
    settle(model);
    EXPECT_EQ(model.phase(), Phase::Start);
    EXPECT_FALSE(model.root());
    EXPECT_FALSE(model.current());
    EXPECT_TRUE(waitUntil([&] { return tree.expired(); }));  // released with the root
    EXPECT_EQ(model.volumes(), services.volumes);
    EXPECT_FALSE(model.alertMessage());
}

TEST(AppModelScan, AModelDestroyedDuringScansLeavesNothingBehind) {
    test::ensureApp();
    Scratch dir;
    dir.file("a", 10'000);
    FakeDesktopServices services;
    std::weak_ptr<FileTree> tree;
    {
        AppModel model(services);
        test::scanAndWait(model, dir.path(), "Ordner");
        tree = model.root().treePtr();
        model.startScan(ScanTarget{dir.path(), "Ordner", std::nullopt});  // done and queued
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        model.startScan(ScanTarget{"/usr", "usr", std::nullopt});  // still running
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    QCoreApplication::processEvents();  // what they queued goes nowhere
    EXPECT_TRUE(tree.expired());        // no worker outlives the model
}

TEST(AppModelScan, NavigationAndTheFolderChooser) {
    test::ensureApp();
    Scratch dir;
    dir.file("sub/file", 4096);
    FakeDesktopServices services;
    AppModel model(services);
    test::scanAndWait(model, dir.path(), "Ordner");
    const FileNode sub = test::child(model.root(), "sub");
    const FileNode file = test::child(sub, "file");

    std::vector<bool> animated;
    QObject::connect(&model, &AppModel::currentChanged,
                     [&](bool withSpring) { animated.push_back(withSpring); });
    model.navigate(file);
    model.navigate(model.root());
    EXPECT_TRUE(animated.empty());
    model.navigate(sub);
    model.navigate(sub);
    EXPECT_EQ(animated, std::vector<bool>{true});
    EXPECT_TRUE(model.current() == sub);

    // A folder of another tree is not a folder of the shown one.
    const FileNode other = test::build(test::folder("fremd", 0, {test::folder("x", 0)}));
    model.navigate(other.child(0));
    EXPECT_TRUE(model.current() == sub);

    model.chooseFolder();  // cancelled
    EXPECT_EQ(services.chooseFolderCalls, 1);
    EXPECT_EQ(model.phase(), Phase::Result);
    services.chosenFolder = dir.path("sub");
    model.chooseFolder();
    EXPECT_EQ(model.phase(), Phase::Scanning);
    EXPECT_EQ(model.target(), (ScanTarget{dir.path("sub"), "sub", std::nullopt}));
    ASSERT_TRUE(waitUntil([&] { return model.phase() == Phase::Result; }));
    EXPECT_EQ(model.root().path(), dir.path("sub"));
    EXPECT_EQ(animated, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace raumfuchs
