#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/ModelTestSupport.h"
#include "support/ScopedMount.h"
#include "support/TreeCompare.h"

namespace raumfuchs {
namespace {

using test::freshScan;
using test::nodeAt;

using LiveFollow = test::ModelTestOver<test::RemovingDesktopServices>;

TEST_F(LiveFollow, ChangesOnDiskGoIntoTheShownScanWhichKeepsItsFolderUntilTheScanRootGoes) {
    model.setFollowingEnabled(true);
    scratch.file("a/b/f", 1000);
    scratch.file("a/g", 2000);
    scratch.file("h", 300'000);
    test::scanAndWait(model, scratch.path(), "Ordner");
    ASSERT_TRUE(test::following(model));
    const FileNode b = nodeAt(model.root(), "a/b");
    model.navigate(b);
    const std::int64_t revision = model.treeRevision();

    scratch.file("a/b/neu", 500'000);
    std::filesystem::remove(scratch.path("a/g"));
    ASSERT_TRUE(test::liveQuiet(model));
    EXPECT_EQ(test::treeDifference(freshScan(scratch.path()), model.root(), {.byName = true}), "");
    EXPECT_GT(model.treeRevision(), revision);
    EXPECT_TRUE(model.current() == b) << "the shown folder is kept by identity";
    EXPECT_EQ(model.root().child(0).nameBytes(), "a") << "a grew past h";

    // The shown folder removed: its nearest folder still there is shown.
    std::filesystem::remove_all(scratch.path("a/b"));
    ASSERT_TRUE(test::liveQuiet(model));
    EXPECT_EQ(model.current().path(), scratch.path("a"));
    EXPECT_EQ(test::treeDifference(freshScan(scratch.path()), model.root(), {.byName = true}), "");

    // Changes meeting a running refresh and a trash: each change goes in
    // once, whichever comes first.
    scratch.file("a/r1", 30'000);
    model.refreshFolder(model.current());
    scratch.file("a/r2", 40'000);
    test::trash(model, {nodeAt(model.root(), "h")});
    ASSERT_TRUE(test::waitUntil([&] { return model.refreshingFolders().empty(); }));
    ASSERT_TRUE(test::liveQuiet(model));
    EXPECT_EQ(test::treeDifference(freshScan(scratch.path()), model.root(), {.byName = true}), "");

    // Switched off, nothing goes in; switched on, the shown folder is read
    // again, since what changed meanwhile is not known.
    model.setFollowingEnabled(false);
    EXPECT_EQ(model.liveStatus().state, LiveStatus::State::Off);
    scratch.file("a/später", 70'000);
    model.setFollowingEnabled(true);
    ASSERT_TRUE(test::waitUntil([&] { return !model.isRefreshing(model.current()); }));
    test::settle(model);
    EXPECT_TRUE(nodeAt(model.root(), "a/später"));

    // The scanned folder gone: the result stays, no longer followed.
    const std::int64_t size = model.root().size();
    std::filesystem::remove_all(scratch.path());
    ASSERT_TRUE(
        test::waitUntil([&] { return model.liveStatus().state == LiveStatus::State::Lost; }));
    EXPECT_TRUE(model.alertMessage());
    EXPECT_EQ(model.root().size(), size);
    EXPECT_EQ(model.phase(), Phase::Result);
}

// A lazy unmount leaves no folder removed and names no folder of the tree;
// fanotify tells nothing of it, inotify only on the folders it watches.
TEST_F(LiveFollow, TheScannedFileSystemUnmountedLeavesTheResultAsItWasNoLongerFollowed) {
    model.setFollowingEnabled(true);
    const auto unset = [](const char* name) { ::unsetenv(name); };
    const std::unique_ptr<const char, decltype(unset)> restore("RAUMFUCHS_WATCH", unset);
    for (const char* way : {"fanotify", "inotify"}) {
        SCOPED_TRACE(way);
        ::setenv("RAUMFUCHS_WATCH", way, 1);
        test::ScopedMount mount = test::ScopedMount::tmpfs(scratch.path());
        if (!mount.mounted()) {
            GTEST_SKIP() << mount.failed();
        }
        scratch.file("t/a/f", 5000);
        test::scanAndWait(model, scratch.path("t"), "Ordner");
        ASSERT_TRUE(test::following(model));
        model.setAlertMessage(std::nullopt);
        const std::int64_t size = model.root().size();
        ASSERT_EQ(::umount2(scratch.path().c_str(), MNT_DETACH), 0);
        EXPECT_TRUE(
            test::waitUntil([&] { return model.liveStatus().state == LiveStatus::State::Lost; }));
        EXPECT_TRUE(model.alertMessage());
        EXPECT_EQ(model.root().size(), size);
        EXPECT_EQ(model.phase(), Phase::Result);
    }
}

}  // namespace
}  // namespace raumfuchs
