#include "core/compare/TreeComparison.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "core/ncdu/NcduImport.h"
#include "core/scan/DiskScanner.h"
#include "core/scan/FolderRescan.h"
#include "support/HandTree.h"
#include "support/TempTree.h"

namespace raumfuchs {
namespace {

using Index = FileTree::Index;
using test::TempTree;

FileNode scan(const std::string& path) {
    std::optional<ScanResult> result = DiskScanner::scan(path, "Jetzt", CancelToken(), {});
    return result ? result->root : FileNode();
}

// A name with its kind: what an entry is matched by.
using Entry = std::pair<std::string, bool>;

Entry entryOf(const FileTree& tree, Index node) {
    return {std::string(tree.nameBytes(node)), tree.isDirectory(node)};
}

// The child of `folder` with this name and kind, found by a plain search.
Index childLike(const FileTree& tree, Index folder, const Entry& entry) {
    for (std::size_t i = 0; i < tree.childCount(folder); ++i) {
        if (entryOf(tree, tree.child(folder, i)) == entry) {
            return tree.child(folder, i);
        }
    }
    return FileTree::kNone;
}

// Checks every node of the current tree against the baseline entry at the
// same path (names and kinds down from the roots): its change is the
// difference of the two trees' figures, and each folder lists as removed
// exactly the baseline entries whose name and kind none of its children has,
// in the baseline's order.
void expectChangesByPath(const TreeComparison& comparison) {
    const FileTree& now = comparison.current();
    const FileTree& before = comparison.baseline();
    std::vector<std::pair<Index, Index>> stack{{0, 0}};
    std::size_t visited = 0;
    while (!stack.empty()) {
        const auto [node, old] = stack.back();
        stack.pop_back();
        ++visited;
        const std::string where = now.path(node);
        ASSERT_EQ(comparison.baselineMatch(node), old) << where;
        const std::int64_t bytes = old == FileTree::kNone ? 0 : before.size(old);
        const std::int64_t files = old == FileTree::kNone ? 0 : before.fileCount(old);
        EXPECT_EQ(comparison.deltaBytes(node), now.size(node) - bytes) << where;
        EXPECT_EQ(comparison.deltaFiles(node), now.fileCount(node) - files) << where;
        const ChangeState expected = old == FileTree::kNone   ? ChangeState::New
                                     : now.size(node) > bytes ? ChangeState::Grown
                                     : now.size(node) < bytes ? ChangeState::Shrunk
                                                              : ChangeState::Unchanged;
        EXPECT_EQ(comparison.state(node), expected) << where;

        std::set<Entry> present;
        for (std::size_t i = 0; i < now.childCount(node); ++i) {
            const Index child = now.child(node, i);
            const Entry entry = entryOf(now, child);
            present.insert(entry);
            stack.emplace_back(
                child, old == FileTree::kNone ? FileTree::kNone : childLike(before, old, entry));
        }
        std::vector<Index> gone;
        for (std::size_t i = 0; old != FileTree::kNone && i < before.childCount(old); ++i) {
            if (!present.contains(entryOf(before, before.child(old, i)))) {
                gone.push_back(before.child(old, i));
            }
        }
        EXPECT_EQ(comparison.removedEntries(node), gone) << where;
    }
    std::size_t attached = 0;
    for (Index i = 0; i < now.nodeCount(); ++i) {
        attached += now.isAttached(i) ? 1 : 0;
    }
    EXPECT_EQ(visited, attached);
}

void grow(const std::string& path, std::size_t bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app) << std::string(bytes, 'y');
}

// The first state of the changing tree: a folder of 300 entries (matched
// through its hash table), names with invalid UTF-8, a file and a folder to
// grow, shrink, remove or replace.
void firstState(const TempTree& dir) {
    dir.file("bleibt/a", 10'000);
    dir.file("waechst/f", 5000);
    dir.file("schrumpft/f", 80'000);
    dir.file("weg/x", 20'000);
    dir.file("weg/sub/y", 7000);
    dir.file("dateien/entfernt", 30'000);
    dir.file("dateien/bleibt", 1000);
    dir.file("wechsel/inhalt", 9000);
    dir.file("quelle/daten", 20'000);
    dir.folder("ziel");
    dir.file("kaputt-\xff\xfe/g", 3000);
    for (int i = 0; i < 300; ++i) {
        dir.file("viele/n" + std::to_string(i), i % 3 == 0 ? 5000 : 0);
    }
}

// Files grown, shrunk and removed, a folder removed and one new, a folder
// replaced by a file of its name, a hard link in a sibling folder.
void change(TempTree& dir) {
    grow(dir.path("waechst/f"), 200'000);
    std::filesystem::resize_file(dir.path("schrumpft/f"), 100);
    std::filesystem::remove_all(dir.path("weg"));
    std::filesystem::remove(dir.path("dateien/entfernt"));
    std::filesystem::remove_all(dir.path("wechsel"));
    dir.file("wechsel", 4000);
    dir.file("neu/tief/z", 50'000);
    dir.hardLink("quelle/daten", "ziel/link");
    for (int i = 0; i < 300; i += 7) {
        std::filesystem::remove(dir.path("viele/n" + std::to_string(i)));
    }
    for (int i = 0; i < 40; ++i) {
        dir.file("viele/m" + std::to_string(i), 100);
    }
    grow(dir.path("viele/n1"), 70'000);
}

TEST(TreeComparisonTest, EveryNodeChangesByTheDifferenceOfTwoScansAndOfNcdusExport) {
    TempTree dir;
    firstState(dir);
    const TempTree out;
    const std::string exported = out.path("first.ncdu");
    const bool withNcdu = !test::commandOutput("command -v ncdu").empty();
    if (withNcdu) {
        ASSERT_EQ(test::commandOutput("ncdu -0 -x -o '" + exported + "' '" + dir.path() + "' 2>&1"),
                  "");
    }
    const FileNode first = scan(dir.path());
    ASSERT_TRUE(first);
    change(dir);
    const FileNode now = scan(dir.path());
    ASSERT_TRUE(now);

    std::vector<FileNode> baselines{first};
    if (withNcdu) {
        std::variant<ImportedScan, std::string> imported = importNcdu(exported, CancelToken(), {});
        ASSERT_TRUE(std::holds_alternative<ImportedScan>(imported))
            << std::get<std::string>(imported);
        baselines.push_back(std::get<ImportedScan>(imported).result.root);
    }
    for (const FileNode& baseline : baselines) {
        SCOPED_TRACE(baseline == first ? "against the first scan" : "against ncdu's export");
        const TreeComparison comparison(now.treePtr(), baseline.treePtr());
        expectChangesByPath(comparison);
        EXPECT_EQ(comparison.deltaBytes(0), now.size() - baseline.size());
        EXPECT_EQ(comparison.deltaFiles(0), now.fileCount() - baseline.fileCount());

        // The root's changes, largest first; the unchanged folders stay out.
        const std::vector<TreeComparison::Change> top = comparison.changes(0, 100);
        std::vector<std::pair<std::string, ChangeState>> got;
        for (std::size_t i = 0; i < top.size(); ++i) {
            const TreeComparison::Change& c = top[i];
            got.emplace_back(std::string(c.name), c.state);
            EXPECT_EQ(c.delta, c.after - c.before) << c.name;
            EXPECT_TRUE(i == 0 || std::abs(top[i - 1].delta) >= std::abs(c.delta)) << c.name;
            if (c.state == ChangeState::Removed) {
                EXPECT_EQ(c.before, baseline.tree().size(c.baselineNode)) << c.name;
            } else {
                EXPECT_EQ(c.after, now.tree().size(c.node)) << c.name;
            }
        }
        std::sort(got.begin(), got.end());
        using enum ChangeState;
        std::vector<std::pair<std::string, ChangeState>> expected{
            {"dateien", Shrunk}, {"neu", New},     {"schrumpft", Shrunk}, {"viele", Grown},
            {"waechst", Grown},  {"wechsel", New}, {"wechsel", Removed},  {"weg", Removed}};
        // The hard link's bytes are carried by whichever link the walk met
        // first, so one of its two folders grows from it.
        for (const char* side : {"quelle", "ziel"}) {
            const Index node = test::childNamed(now, side).index();
            if (comparison.state(node) != Unchanged) {
                expected.emplace_back(side, comparison.state(node));
            }
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(got, expected);
        ASSERT_EQ(comparison.changes(0, 2).size(), 2u);
        EXPECT_EQ(comparison.changes(0, 2)[0].name, top[0].name);
    }
    if (!withNcdu) {
        GTEST_SKIP() << "ncdu is not installed (scripts/setup.sh installs it): compared with the "
                        "first scan only";
    }
}

void refresh(const FileNode& root, const TempTree& dir, const std::string& relative) {
    const FileNode folder = test::nodeAt(root, relative);
    ASSERT_TRUE(folder) << relative;
    std::optional<FolderRescan> rescan =
        FolderRescan::run(root.tree(), folder.index(), folder.path(), dir.path(),
                          root.tree().generation(), CancelToken());
    ASSERT_TRUE(rescan) << relative;
    root.tree().splice(folder.index(), rescan->fresh.get(), rescan->resizes);
}

TEST(TreeComparisonTest, ARefreshedFolderMatchedAgainAndATrashedNodeChangeByTheirPaths) {
    TempTree dir;
    firstState(dir);
    const FileNode baseline = scan(dir.path());
    const FileNode now = scan(dir.path());
    ASSERT_TRUE(baseline && now);
    TreeComparison comparison(now.treePtr(), baseline.treePtr());
    EXPECT_EQ(comparison.changes(0, 100).size(), 0u);

    // A folder read again holds new entries under new indices.
    change(dir);
    refresh(now, dir, "viele");
    const Index viele = test::childNamed(now, "viele").index();
    comparison.rematch(viele);
    expectChangesByPath(comparison);
    EXPECT_EQ(comparison.state(test::nodeAt(now, "viele/n1").index()), ChangeState::Grown);
    EXPECT_EQ(comparison.removedEntries(viele).size(), 43u);

    // The root read again, and a folder read again that has become a file.
    refresh(now, dir, "");
    comparison.rematch(0);
    expectChangesByPath(comparison);
    std::filesystem::remove_all(dir.path("bleibt"));
    dir.file("bleibt", 100);
    refresh(now, dir, "bleibt");
    const Index bleibt = test::childNamed(now, "bleibt").index();
    comparison.rematch(bleibt);
    expectChangesByPath(comparison);
    EXPECT_EQ(comparison.state(bleibt), ChangeState::New);

    // A trashed file and a trashed folder need nothing: their matches read as
    // removed from their parents.
    const Index file = test::nodeAt(now, "dateien/bleibt").index();
    now.tree().detach(file);
    now.tree().detach(test::childNamed(now, "schrumpft").index());
    expectChangesByPath(comparison);
    const Index dateien = test::childNamed(now, "dateien").index();
    EXPECT_EQ(comparison.removedEntries(dateien).size(), 2u);
    EXPECT_EQ(comparison.deltaFiles(dateien), -2);
}

TEST(TreeComparisonTest, RootsMatchWhateverTheirNamesAndEachBaselineEntryIsTakenOnce) {
    using test::file;
    using test::folder;
    // An export may hold a name twice in one folder: three "f" now, two before.
    const FileNode before = test::build(
        folder("/srv/alt", 4096, {file("f", 4096), file("f", 8192), file("x", 100)}), "/srv/alt");
    const FileNode now = test::build(
        folder("Server", 0, {file("f", 4096), file("f", 4096), file("f", 4096), folder("x", 0)}),
        "/mnt/neu");
    const TreeComparison comparison(now.treePtr(), before.treePtr());
    EXPECT_EQ(comparison.baselineMatch(0), 0u);
    EXPECT_EQ(comparison.deltaBytes(0), now.size() - before.size());
    // In the order of the folders: the first takes the larger one, the second
    // the other, the third is new; the folder "x" does not match the file "x".
    std::vector<ChangeState> states;
    for (const FileNode& child : now.children()) {
        states.push_back(comparison.state(child.index()));
    }
    using enum ChangeState;
    EXPECT_EQ(states, (std::vector<ChangeState>{Shrunk, Unchanged, New, New}));
    const std::vector<Index> removed = comparison.removedEntries(0);
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_EQ(before.tree().nameBytes(removed[0]), "x");
}

}  // namespace
}  // namespace raumfuchs
