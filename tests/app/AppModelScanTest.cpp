#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/ModelTestSupport.h"

namespace raumfuchs {
namespace {

using test::settle;
using test::waitUntil;

using AppModelScan = test::ModelTest;

TEST_F(AppModelScan, CancelOrAnUnreadableTargetFallsBackToThePreviousResultUnchanged) {
    scratch.file("sub/deeper/file", 40'000);
    scratch.file("b", 50'000);
    std::vector<Phase> phases;
    QObject::connect(&model, &AppModel::phaseChanged, [&] { phases.push_back(model.phase()); });

    // Without a previous tree, cancelling returns to the start screen.
    model.startScan(ScanTarget{scratch.path(), "Ordner", std::nullopt});
    model.cancelScan();
    settle(model);
    EXPECT_EQ(model.phase(), Phase::Start);
    EXPECT_FALSE(model.root());
    test::scanAndWait(model, scratch.path("fehlt"), "fehlt");
    EXPECT_EQ(model.phase(), Phase::Start);
    EXPECT_EQ(model.alertMessage(), QString("„fehlt“ konnte nicht gelesen werden."));
    EXPECT_FALSE(model.root());

    model.setAlertMessage(std::nullopt);
    phases.clear();
    test::scanAndWait(model, scratch.path(), "Ordner");
    EXPECT_EQ(phases, (std::vector<Phase>{Phase::Scanning, Phase::Result}));
    const FileNode root = model.root();
    const FileNode sub = test::childNamed(root, "sub");
    model.navigate(sub);

    scratch.file("sub/new", 80'000);
    model.rescan();
    EXPECT_TRUE(model.current() == sub);  // the old tree stays while scanning
    model.cancelScan();
    settle(model);
    EXPECT_EQ(model.phase(), Phase::Result);
    EXPECT_TRUE(model.root() == root);
    EXPECT_TRUE(model.current() == sub);
    EXPECT_EQ(model.treeRevision(), 1);
    EXPECT_EQ(root.fileCount(), 2);
    EXPECT_FALSE(model.alertMessage());

    test::scanAndWait(model, scratch.path("auch weg"), "auch weg");
    EXPECT_EQ(model.phase(), Phase::Result);
    EXPECT_EQ(model.alertMessage(), QString("„auch weg“ konnte nicht gelesen werden."));
    EXPECT_TRUE(model.root() == root && model.current() == sub);
    EXPECT_EQ(model.treeRevision(), 1);
}

// /usr stands for a large tree that reports progress for a while.
TEST_F(AppModelScan, SupersededScansAreIgnoredAndADestroyedModelLeavesNothingBehind) {
    scratch.file("a", 10'000);
    test::TempTree second;
    second.file("b", 10'000);
    std::vector<std::string> progressPaths;
    QObject::connect(&model, &AppModel::progressChanged,
                     [&] { progressPaths.push_back(model.progress().currentPath); });

    // The first result waits in the queue when the /usr scan takes over, and
    // is ignored on arrival.
    model.startScan(ScanTarget{scratch.path(), "Erster", std::nullopt});
    ASSERT_TRUE(test::handedOver(model));
    model.startScan(ScanTarget{"/usr", "usr", std::nullopt});
    ASSERT_TRUE(waitUntil([&] { return model.progress().currentPath.starts_with("/usr/"); }));
    EXPECT_FALSE(model.root());
    EXPECT_EQ(model.treeRevision(), 0);
    // The /usr scan, cancelled mid-walk, runs on to its next checkpoint: what
    // it still reports is ignored too.
    progressPaths.clear();
    model.startScan(ScanTarget{second.path(), "Zweiter", std::nullopt});
    ASSERT_TRUE(waitUntil([&] { return model.phase() == Phase::Result; }));
    settle(model);

    EXPECT_EQ(model.root().path(), second.path());
    EXPECT_EQ(model.treeRevision(), 1);
    EXPECT_FALSE(model.alertMessage());
    for (const std::string& path : progressPaths) {
        EXPECT_TRUE(path.empty() || path.starts_with(second.path())) << path;
    }

    // A model destroyed with a result queued and a scan running leaves nothing behind.
    std::weak_ptr<FileTree> tree;
    {
        AppModel other(services);
        test::scanAndWait(other, scratch.path(), "Erster");
        tree = other.root().treePtr();
        other.startScan(ScanTarget{scratch.path(), "Erster", std::nullopt});
        ASSERT_TRUE(test::handedOver(other));                      // done and queued
        other.startScan(ScanTarget{"/usr", "usr", std::nullopt});  // still running
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(tree.expired());
}

// Real folders with mode 000, met by an ordinary user: the scan and refresh
// threads start as "nobody".
TEST_F(AppModelScan, FoldersThatCannotBeListedKeepTheirOwnBlocksAndAreCounted) {
    scratch.file("zu/innen", 40'000);
    scratch.file("offen", 4096);
    ASSERT_EQ(chmod(scratch.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(scratch.path("zu").c_str(), 0), 0);
    if (!test::asNobody([&] {
            model.startScan(ScanTarget{scratch.path("zu"), "zu", std::nullopt});
        })) {
        GTEST_SKIP() << "this machine does not let the test act as an ordinary user";
    }
    ASSERT_TRUE(waitUntil([&] { return model.phase() != Phase::Scanning; }));
    settle(model);
    EXPECT_EQ(model.phase(), Phase::Result);
    EXPECT_FALSE(model.alertMessage());
    EXPECT_EQ(model.unreadableCount(), 1);
    ASSERT_TRUE(model.root());
    EXPECT_EQ(model.root().size(), scratch.allocated("zu"));

    // Readable at the scan, unreadable at the refresh.
    ASSERT_EQ(chmod(scratch.path("zu").c_str(), 0755), 0);
    test::scanAndWait(model, scratch.path(), "Ordner");
    ASSERT_EQ(chmod(scratch.path("zu").c_str(), 0), 0);
    const FileNode zu = test::nodeAt(model.root(), "zu");
    ASSERT_TRUE(test::asNobody([&] { model.refreshFolder(zu); }));
    ASSERT_TRUE(waitUntil([&] { return !model.isRefreshing(zu); }));
    settle(model);
    EXPECT_TRUE(zu.isUnreadable());
    EXPECT_EQ(model.root().size(),
              scratch.allocated("") + scratch.allocated("zu") + scratch.allocated("offen"));
    EXPECT_EQ(model.unreadableCount(), 1);
    EXPECT_EQ(model.alertMessage(),
              QStringLiteral("„zu“ lässt sich nicht mehr lesen und zählt nur noch mit der Größe "
                             "des Ordners selbst."));
}

TEST_F(AppModelScan, NavigationTheFolderChooserAndBackToStart) {
    scratch.file("sub/file", 4096);
    test::scanAndWait(model, scratch.path(), "Ordner");
    const FileNode sub = test::childNamed(model.root(), "sub");
    std::vector<bool> animated;
    QObject::connect(&model, &AppModel::currentChanged,
                     [&](bool withSpring) { animated.push_back(withSpring); });
    model.navigate(test::childNamed(sub, "file"));  // not a folder
    model.navigate(model.root());                   // already shown
    model.navigate(sub);
    model.navigate(sub);
    const FileNode other = test::build(test::folder("fremd", 0, {test::folder("x", 0)}));
    model.navigate(other.child(0));  // a folder of another tree
    EXPECT_EQ(animated, std::vector<bool>{true});
    EXPECT_TRUE(model.current() == sub);

    model.chooseFolder();  // cancelled
    EXPECT_EQ(model.phase(), Phase::Result);
    services.chosenFolder = scratch.path("sub");
    model.chooseFolder();
    EXPECT_EQ(model.target(), (ScanTarget{scratch.path("sub"), "sub", std::nullopt}));
    ASSERT_TRUE(waitUntil([&] { return model.phase() == Phase::Result; }));
    EXPECT_EQ(model.root().path(), scratch.path("sub"));
    EXPECT_EQ(animated, (std::vector<bool>{true, false}));

    // Back to the start screen drops the tree and the running scan.
    settle(model);
    std::weak_ptr<FileTree> tree = model.root().treePtr();
    services.volumes = {VolumeInfo{"/media/stick", "Stick", 1000, 10, true, false}};
    model.startScan(ScanTarget{scratch.path(), "Ordner", std::nullopt});
    model.backToStart();
    settle(model);
    EXPECT_EQ(model.phase(), Phase::Start);
    EXPECT_FALSE(model.root() || model.current());
    EXPECT_TRUE(waitUntil([&] { return tree.expired(); }));
    EXPECT_EQ(model.volumes(), services.volumes);
}

}  // namespace
}  // namespace raumfuchs
