#include "core/scan/FolderRescan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <utility>

#include "core/scan/DiskScanner.h"
#include "support/HandTree.h"
#include "support/InjectingFileSystem.h"
#include "support/TempTree.h"
#include "support/TreeCompare.h"

namespace raumfuchs {
namespace {

using test::TempTree;

FileNode scan(const std::string& path, const ScanSetup& setup = {}) {
    const CancelToken token;
    std::optional<ScanResult> result = DiskScanner::scanWith(path, "Wurzel", token, {}, setup);
    return result ? result->root : FileNode();
}

// Refreshes `relative` in place the way the model does and compares the whole
// tree with a fresh scan (sizes too, unless told otherwise); returns the rescan.
FolderRescan refresh(const FileNode& root, const TempTree& dir, const std::string& relative,
                     const ScanSetup& setup = {}, bool sizes = true) {
    const FileNode folder = test::nodeAt(root, relative);
    EXPECT_TRUE(folder) << relative;
    const CancelToken token;
    std::optional<FolderRescan> rescan =
        FolderRescan::run(root.tree(), folder.index(), folder.path(), dir.path(),
                          root.tree().generation(), token, setup);
    EXPECT_TRUE(rescan) << relative;
    root.tree().splice(folder.index(), rescan->fresh.get(), rescan->resizes);
    EXPECT_EQ(test::treeDifference(scan(dir.path(), setup), root, {.byName = true, .sizes = sizes}),
              "");
    return *rescan;
}

void grow(const std::string& path, std::size_t bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app) << std::string(bytes, 'y');
}

TEST(FolderRescanTest, AFolderReadAgainEqualsAFreshScanAfterEveryKindOfChange) {
    TempTree dir;
    dir.file("a/x", 1000);
    dir.file("a/y", 50'000);
    dir.file("a/sub/z", 3000);
    dir.file("a/sub/deep/w", 9000);
    dir.file("a/alt/k", 100);
    dir.file("a/weg/f", 40'000);
    dir.file("a/zu/g", 30'000);
    dir.file("b/big", 220'000);
    dir.file("c", 20'000);
    test::InjectingFileSystem fs;
    const ScanSetup setup{.fileSystem = &fs};
    const FileNode root = scan(dir.path(), setup);
    ASSERT_TRUE(root);
    const FileNode a = test::nodeAt(root, "a");
    ASSERT_EQ(root.child(0).nameBytes(), "b");

    // Added, grown and removed files, and a folder replaced by a new one.
    dir.file("a/neu", 8000);
    grow(dir.path("a/x"), 400'000);
    std::filesystem::remove(dir.path("a/y"));
    std::filesystem::remove_all(dir.path("a/sub"));
    dir.file("a/sub/q", 70'000);
    dir.folder("a/sub/leer");
    const std::uint64_t before = root.tree().generation();
    const FolderRescan rescan = refresh(root, dir, "a", setup);
    EXPECT_GT(root.tree().generation(), before);
    EXPECT_EQ(rescan.unreadableCount, 0);
    // The folder keeps its identity and moved before its grown-past sibling.
    EXPECT_TRUE(root.child(0) == a);
    EXPECT_FALSE(root.tree().isAttached(FileTree::Index(a.index() + 1)));

    // Again, one level down, and then the root itself.
    dir.file("a/sub/leer/r", 30'000);
    refresh(root, dir, "a/sub/leer", setup);
    std::filesystem::remove_all(dir.path("b"));
    refresh(root, dir, "", setup);

    // A vanished folder goes; an unreadable one keeps its own blocks.
    std::filesystem::remove_all(dir.path("a/weg"));
    const FileNode gone = test::nodeAt(root, "a/weg");
    EXPECT_FALSE(refresh(root, dir, "a/weg", setup).fresh);
    EXPECT_FALSE(root.tree().isAttached(gone.index()));
    fs.unopenable.insert("zu");
    const FolderRescan locked = refresh(root, dir, "a/zu", setup);
    EXPECT_EQ(locked.unreadableCount, 1);
    EXPECT_EQ(locked.unreadableBefore, 0);
    EXPECT_TRUE(test::nodeAt(root, "a/zu").isUnreadable());
    EXPECT_EQ(test::nodeAt(root, "a/zu").size(), dir.allocated("a/zu"));

    // A change of the tree since the path was taken makes the rescan give up.
    const CancelToken token;
    const std::uint64_t generation = root.tree().generation();
    root.tree().detach(test::nodeAt(root, "a/x").index());
    EXPECT_FALSE(FolderRescan::run(root.tree(), test::nodeAt(root, "a").index(), dir.path("a"),
                                   dir.path(), generation, token));
}

// Files linked across the refreshed folder's edge, whichever link the walk met
// first: each side is refreshed after each change, so both the case where the
// bytes sit inside and where they sit outside are met.
TEST(FolderRescanTest, HardLinksAcrossTheFolderEdgeStayCountedOnce) {
    TempTree dir;
    dir.folder("innen");
    for (const auto& [name, bytes] :
         {std::pair{"keep", 5000}, std::pair{"gone", 7000}, std::pair{"grows", 4000}}) {
        dir.file(std::string("aussen/") + name, bytes);
        dir.hardLink(std::string("aussen/") + name, std::string("innen/") + name);
    }
    dir.file("innen/own", 6000);
    dir.hardLink("innen/own", "innen/own2");
    const FileNode root = scan(dir.path());
    ASSERT_TRUE(root);
    // Refreshes one side; the sizes of single links may differ from a fresh scan.
    const auto refreshed = [&](const char* side, const char* step) {
        SCOPED_TRACE(step);
        refresh(root, dir, side, {}, false);
        EXPECT_EQ(root.size(), scan(dir.path()).size());
        // Each file's bytes sit on exactly one of its links.
        for (const std::string name : {"keep", "gone", "grows"}) {
            std::int64_t carried = 0;
            std::int64_t allocated = 0;
            for (const std::string folder : {"aussen/", "innen/"}) {
                if (const FileNode link = test::nodeAt(root, folder + name)) {
                    carried += link.size();
                    allocated = dir.allocated(folder + name);
                }
            }
            EXPECT_EQ(carried, allocated) << name;
        }
        EXPECT_EQ(test::nodeAt(root, "innen/own").size() + test::nodeAt(root, "innen/own2").size(),
                  dir.allocated("innen/own"));
    };
    for (const char* side : {"innen", "aussen"}) {
        refreshed(side, "unchanged");
    }
    std::filesystem::remove(dir.path("innen/gone"));
    grow(dir.path("innen/grows"), 300'000);
    refreshed("innen", "a link removed and a linked file grown, refreshed inside");
    grow(dir.path("aussen/keep"), 200'000);
    refreshed("aussen", "grown, refreshed outside");
    refreshed("innen", "and inside");
    std::filesystem::remove(dir.path("aussen/grows"));
    refreshed("aussen", "the other link removed");
}

}  // namespace
}  // namespace raumfuchs
