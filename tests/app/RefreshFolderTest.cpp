#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/AppModel.h"
#include "app/ModelTestSupport.h"
#include "support/TreeCompare.h"

namespace raumfuchs {
namespace {

using test::nodeAt;

// Trashing really removes the item, so that a fresh scan can be compared.
class RemovingDesktopServices : public FakeDesktopServices {
  public:
    bool moveToTrash(const DesktopItem& item) override {
        return FakeDesktopServices::moveToTrash(item) && std::filesystem::remove_all(item.path) > 0;
    }
};

FileNode freshScan(const std::string& path) {
    const CancelToken token;
    const auto result = DiskScanner::scan(path, "Ordner", token, {});
    return result ? result->root : FileNode();
}

struct RefreshFolder : ::testing::Test {
    bool appReady = (test::ensureApp(), true);
    test::TempTree dir;
    RemovingDesktopServices services;
    AppModel model{services};

    void refreshAndWait(const std::string& relative) {
        const FileNode folder = nodeAt(model.root(), relative);
        ASSERT_TRUE(folder) << relative;
        model.refreshFolder(folder);
        ASSERT_TRUE(model.isRefreshing(folder));
        ASSERT_TRUE(test::waitUntil([&] { return !model.isRefreshing(folder); }));
        test::settle(model);
    }
};

TEST_F(RefreshFolder, KeepsTheShownFolderOrItsNearestAncestorAndTellsOfVanishedFolders) {
    dir.file("a/b/c/f", 1000);
    dir.file("a/g", 2000);
    dir.file("h", 300'000);
    test::scanAndWait(model, dir.path(), "Ordner");
    const FileNode oldC = nodeAt(model.root(), "a/b/c");
    model.navigate(oldC);
    const std::int64_t revision = model.treeRevision();
    int refreshing = 0;
    QObject::connect(&model, &AppModel::refreshingChanged, [&] { ++refreshing; });

    dir.file("a/b/c/neu", 500'000);
    std::filesystem::remove(dir.path("a/g"));
    const FileNode oldF = nodeAt(oldC, "f");
    model.requestTrash({oldF});
    ASSERT_TRUE(model.isConfirmingTrash());
    refreshAndWait("a");
    // What was waiting for the trash went with the old content, and its
    // handle no longer leads to a path that could be moved.
    EXPECT_TRUE(model.pendingTrash().empty());
    EXPECT_FALSE(model.isConfirmingTrash());
    model.requestTrash({oldF});
    model.confirmTrash();
    EXPECT_TRUE(services.trashed.empty());
    EXPECT_TRUE(model.alertMessage());
    model.setAlertMessage(std::nullopt);
    EXPECT_EQ(refreshing, 2);                       // started, ended
    EXPECT_EQ(model.treeRevision(), revision + 2);  // the refresh and the trash attempt
    EXPECT_EQ(model.current().path(), dir.path("a/b/c"));
    EXPECT_FALSE(model.current() == oldC);
    EXPECT_EQ(model.root().child(0).nameBytes(), "a");
    test::expectMatchesScan(model.root(), freshScan(dir.path()));

    std::filesystem::remove_all(dir.path("a/b"));
    refreshAndWait("a");
    EXPECT_EQ(model.current().path(), dir.path("a"));

    std::filesystem::remove_all(dir.path("a"));
    refreshAndWait("a");
    EXPECT_TRUE(model.current() == model.root());
    EXPECT_EQ(model.alertMessage(),
              QStringLiteral("„a“ gibt es nicht mehr und wurde aus der Übersicht entfernt."));
    test::expectMatchesScan(model.root(), freshScan(dir.path()));
}

// A real folder with mode 000, read by the refresh thread under the
// file-system identity of "nobody" (a new thread inherits it).
TEST_F(RefreshFolder, AFolderThatTurnedUnreadableKeepsItsOwnBlocksAndIsCounted) {
    dir.file("zu/innen", 40'000);
    dir.file("offen", 4096);
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    test::scanAndWait(model, dir.path(), "Ordner");
    ASSERT_EQ(chmod(dir.path("zu").c_str(), 0), 0);
    const FileNode zu = nodeAt(model.root(), "zu");
    const uid_t user = geteuid() == 0 ? 65534 : geteuid();
    const auto previous = static_cast<uid_t>(syscall(SYS_setfsuid, user));
    const bool dropped = static_cast<uid_t>(syscall(SYS_setfsuid, -1)) == user;
    if (dropped) {
        model.refreshFolder(zu);
    }
    syscall(SYS_setfsuid, previous);
    if (!dropped) {
        GTEST_SKIP() << "this machine does not let the test act as an ordinary user";
    }
    ASSERT_TRUE(test::waitUntil([&] { return !model.isRefreshing(zu); }));
    test::settle(model);
    EXPECT_TRUE(zu.isUnreadable());
    EXPECT_EQ(zu.childCount(), 0u);
    EXPECT_EQ(zu.size(), dir.allocated("zu"));
    EXPECT_EQ(model.root().size(),
              dir.allocated("") + dir.allocated("zu") + dir.allocated("offen"));
    EXPECT_EQ(model.unreadableCount(), 1);
    EXPECT_EQ(model.alertMessage(),
              QStringLiteral("„zu“ lässt sich nicht mehr lesen und zählt nur noch mit der Größe "
                             "des Ordners selbst."));
}

// Runs under ThreadSanitizer in CI: a background reader walks the tree the
// whole time, as the largest-files list does.
TEST_F(RefreshFolder, RacingATrashOrCancelledByAScanLeavesAConsistentTree) {
    for (int i = 0; i < 3000; ++i) {
        dir.file("viel/d" + std::to_string(i % 30) + "/f" + std::to_string(i), i % 7 * 1000);
    }
    dir.file("viel/opfer", 90'000);
    dir.file("anderes/x", 1000);
    test::scanAndWait(model, dir.path(), "Ordner");
    const std::shared_ptr<FileTree> tree = model.root().treePtr();
    std::atomic<bool> stop = false;
    std::atomic<int> walks = 0;
    std::thread reader([&] {
        std::vector<FileTree::Index> out;
        while (!stop) {
            walks += tree->largestFilesConcurrently(0, 50, out) ? 1 : 0;
        }
    });

    // Trashed while the refresh of its folder runs; a second refresh of the
    // same folder replaces the first. Only one result goes in.
    const FileNode viel = nodeAt(model.root(), "viel");
    const std::int64_t revision = model.treeRevision();
    model.refreshFolder(viel);
    model.refreshFolder(viel);
    model.requestTrash({nodeAt(viel, "opfer")});
    model.confirmTrash();
    ASSERT_TRUE(test::waitUntil([&] { return !model.isRefreshing(viel); }));
    test::settle(model);
    EXPECT_EQ(model.treeRevision(), revision + 2);  // the trash and one refresh
    test::expectMatchesScan(model.root(), freshScan(dir.path()));

    // A new scan cancels the refresh: the old tree stays as it was.
    dir.file("viel/spaet", 70'000);
    const std::uint64_t generation = tree->generation();
    model.refreshFolder(viel);
    model.startScan(ScanTarget{dir.path("anderes"), "anderes", std::nullopt});
    EXPECT_FALSE(model.isRefreshing(viel));
    ASSERT_TRUE(test::waitUntil([&] { return model.phase() == Phase::Result; }));
    test::settle(model);
    stop = true;
    reader.join();
    EXPECT_GT(walks, 0);
    EXPECT_EQ(tree->generation(), generation);
    EXPECT_FALSE(nodeAt(viel, "spaet"));
    EXPECT_EQ(model.root().path(), dir.path("anderes"));
}

}  // namespace
}  // namespace raumfuchs
