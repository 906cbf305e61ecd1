#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "app/ModelTestSupport.h"
#include "support/TreeCompare.h"

namespace raumfuchs {
namespace {

using test::freshScan;
using test::nodeAt;

struct RefreshFolder : test::ModelTestOver<test::RemovingDesktopServices> {
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
    scratch.file("a/b/c/f", 1000);
    scratch.file("a/g", 2000);
    scratch.file("h", 300'000);
    test::scanAndWait(model, scratch.path(), "Ordner");
    const FileNode oldC = nodeAt(model.root(), "a/b/c");
    model.navigate(oldC);
    const std::int64_t revision = model.treeRevision();
    int refreshing = 0;
    QObject::connect(&model, &AppModel::refreshingChanged, [&] { ++refreshing; });

    scratch.file("a/b/c/neu", 500'000);
    std::filesystem::remove(scratch.path("a/g"));
    const FileNode oldF = nodeAt(oldC, "f");
    model.requestTrash({oldF});
    ASSERT_TRUE(model.isConfirmingTrash());
    refreshAndWait("a");
    // What was waiting for the trash went with the old content, and its
    // handle no longer leads to a path that could be moved.
    EXPECT_TRUE(model.pendingTrash().empty());
    EXPECT_FALSE(model.isConfirmingTrash());
    test::trash(model, {oldF});
    EXPECT_TRUE(services.trashed.empty());
    EXPECT_TRUE(model.alertMessage());
    model.setAlertMessage(std::nullopt);
    EXPECT_EQ(refreshing, 2);                       // started, ended
    EXPECT_EQ(model.treeRevision(), revision + 2);  // the refresh and the trash attempt
    EXPECT_EQ(model.current().path(), scratch.path("a/b/c"));
    EXPECT_FALSE(model.current() == oldC);
    EXPECT_EQ(test::treeDifference(freshScan(scratch.path()), model.root(), {.byName = true}), "");

    std::filesystem::remove_all(scratch.path("a"));
    refreshAndWait("a");
    EXPECT_TRUE(model.current() == model.root());
    EXPECT_EQ(model.alertMessage(),
              QStringLiteral("„a“ gibt es nicht mehr und wurde aus der Übersicht entfernt."));
    EXPECT_EQ(test::treeDifference(freshScan(scratch.path()), model.root(), {.byName = true}), "");

    // The scanned folder itself removed: back to the start screen, which the
    // alert shows over.
    std::filesystem::remove_all(scratch.path());
    refreshAndWait("");
    EXPECT_EQ(model.phase(), Phase::Start);
    EXPECT_FALSE(model.root());
    EXPECT_EQ(model.alertMessage(), QStringLiteral("„Ordner“ gibt es nicht mehr."));
}

// Runs under ThreadSanitizer in CI: a background reader walks the tree the
// whole time, as the largest-files list does.
TEST_F(RefreshFolder, RacingATrashOrCancelledByAScanLeavesAConsistentTree) {
    for (int i = 0; i < 3000; ++i) {
        scratch.file("viel/d" + std::to_string(i % 30) + "/f" + std::to_string(i), i % 7 * 1000);
    }
    scratch.file("viel/opfer", 90'000);
    scratch.file("anderes/x", 1000);
    test::scanAndWait(model, scratch.path(), "Ordner");
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
    test::trash(model, {nodeAt(viel, "opfer")});
    ASSERT_TRUE(test::waitUntil([&] { return !model.isRefreshing(viel); }));
    test::settle(model);
    EXPECT_EQ(model.treeRevision(), revision + 2);  // the trash and one refresh
    EXPECT_EQ(test::treeDifference(freshScan(scratch.path()), model.root(), {.byName = true}), "");

    // A new scan cancels the refresh: the old tree stays as it was.
    scratch.file("viel/spaet", 70'000);
    const std::uint64_t generation = tree->generation();
    model.refreshFolder(viel);
    model.startScan(ScanTarget{scratch.path("anderes"), "anderes", std::nullopt});
    EXPECT_FALSE(model.isRefreshing(viel));
    test::finishScan(model);
    stop = true;
    reader.join();
    EXPECT_GT(walks, 0);
    EXPECT_EQ(tree->generation(), generation);
    EXPECT_FALSE(nodeAt(viel, "spaet"));
    EXPECT_EQ(model.root().path(), scratch.path("anderes"));
}

}  // namespace
}  // namespace raumfuchs
