#include "core/tree/FileTree.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/tree/ConcurrentDetach.h"
#include "support/HandTree.h"

namespace raumfuchs {
namespace {

using test::build;
using test::childNamed;
using test::file;
using test::folder;
using Names = std::vector<std::string>;

Names names(const std::vector<FileNode>& nodes) {
    Names result;
    for (const FileNode& n : nodes) {
        result.push_back(n.displayName());
    }
    return result;
}

TEST(FileTreeTest, LargestFilesEdgeCases) {
    std::vector<test::HandNode> mixed{file("big1", 300), file("big2", 200), file("big3", 100)};
    std::vector<test::HandNode> equal;
    for (int i = 0; i < 10; ++i) {
        mixed.push_back(file("z" + std::to_string(i), 0));
        equal.push_back(file("f" + std::to_string(i), 5));
    }
    const FileNode root = build(folder(
        "root", 4096, {folder("mixed", 0, mixed), folder("empty", 4096), file("single", 50)}));
    EXPECT_TRUE(childNamed(root, "single").largestFiles(5).empty());
    EXPECT_TRUE(childNamed(root, "empty").largestFiles(5).empty());
    EXPECT_TRUE(root.largestFiles(0).empty());
    // Fewer larger files than the limit: zero-size files fill up in discovery order.
    EXPECT_EQ(names(childNamed(root, "mixed").largestFiles(5)),
              (Names{"big1", "big2", "big3", "z0", "z1"}));
    EXPECT_EQ(root.largestFiles(SIZE_MAX).size(), 14u);
    // Ties go to the file met first (the folder pushed last is visited first),
    // also when compaction drops most of them.
    const FileNode ties = build(folder("root", 0,
                                       {folder("dirA", 0, {file("a", 100)}),
                                        folder("dirB", 0, {file("b", 100)}), file("top", 200)}));
    EXPECT_EQ(names(ties.largestFiles(2)), (Names{"top", "b"}));
    EXPECT_EQ(names(build(folder("root", 0, equal)).largestFiles(3)), (Names{"f0", "f1", "f2"}));

    // An unreadable file counts as a zero-size file, an unreadable folder never appears.
    auto tree = std::make_shared<FileTree>("/p", "root");
    const auto r = tree->addDirectory(FileTree::kNone, "root", 0);
    tree->setChildren(
        r, {tree->addPlaceholder(r, "lost", false), tree->addPlaceholder(r, "closed", true)});
    EXPECT_EQ(names(tree->root().largestFiles(5)), Names{"lost"});
}

TEST(FileTreeTest, DetachCorrectsAncestorsAndLeavesAValidHandle) {
    const std::string longName(600, 'x');  // longer than a length byte holds
    FileNode root =
        build(folder("root", 10,
                     {folder("a", 1, {folder("inner", 1, {file("big", 500)}), file("x", 50)}),
                      folder("b", 1, {file("y", 300), file(longName, 0)})}),
              "/r");
    EXPECT_EQ(test::nodeAt(root, "b/" + longName).path(), "/r/b/" + longName);
    FileNode a = childNamed(root, "a");
    const FileNode inner = childNamed(a, "inner");
    const FileNode big = childNamed(inner, "big");
    ASSERT_EQ(root.child(0), a);  // 552 before 301

    root.tree().detach(inner.index());
    EXPECT_EQ(a.size(), 51);
    EXPECT_EQ(root.size(), 10 + 51 + 301);
    EXPECT_EQ(root.fileCount(), 3);
    EXPECT_EQ(root.child(0).displayName(), "b") << "the smaller ancestor moved down";
    EXPECT_EQ(big.path(), "inner/big");  // a cut-out node's paths start at its bare name
    EXPECT_EQ(inner.size(), 501);

    root = a = FileNode();  // the handles keep the whole storage alive
    EXPECT_EQ(big.size(), 500);
    EXPECT_EQ(big.parent(), inner);
}

// Names of every length, over several chunks of name storage, and sizes on
// both sides of 4 GiB come back as they went in, also after files change size.
TEST(FileTreeTest, KeepsNamesOfEveryLengthAndSizesAboveFourGibibytes) {
    auto tree = std::make_shared<FileTree>("/p", "root");
    const FileTree::Index root = tree->addDirectory(FileTree::kNone, "root", 0);
    const FileTree::Index folder = tree->addDirectory(root, "folder", 4096);
    const std::vector<std::int64_t> sizes{
        0, 4096, 0xFFFF'FFFEll, 0xFFFF'FFFFll, 1ll << 32, 5'000'000'000'000ll};
    std::vector<std::string> expectedNames;
    std::vector<FileTree::Index> files;
    std::int64_t total = 0;
    for (std::size_t i = 0; i < 6000; ++i) {
        const std::size_t length = i % 50 == 0 ? 252 + i / 50 % 5 : 1 + i * 37 % 700;
        expectedNames.push_back(std::string(length, static_cast<char>('a' + i % 26)));
        files.push_back(tree->addFile(folder, expectedNames.back(), sizes[i % sizes.size()]));
        total += sizes[i % sizes.size()];
    }
    tree->setChildren(folder, files);
    tree->addToTotals(folder, total, static_cast<std::int64_t>(files.size()));
    tree->setChildren(root, {folder});
    tree->addToTotals(root, tree->size(folder), tree->fileCount(folder));
    ASSERT_GT(tree->memoryBytes(), 2u << 20) << "the names fill more than one chunk";
    for (std::size_t i = 0; i < files.size(); ++i) {
        ASSERT_EQ(tree->nameBytes(files[i]), expectedNames[i]) << i;
        ASSERT_EQ(tree->size(files[i]), sizes[i % sizes.size()]) << i;
    }
    EXPECT_EQ(tree->size(root), 4096 + total);

    // The largest file shrinks below 4 GiB, a small one grows beyond.
    tree->resizeFiles({{files[5], 7}, {files[1], 3ll << 32}});
    EXPECT_EQ(tree->size(files[5]), 7);
    EXPECT_EQ(tree->size(files[1]), 3ll << 32);
    EXPECT_EQ(tree->size(root), 4096 + total - sizes[5] + 7 - 4096 + (3ll << 32));
}

// Walks on other threads while the owning thread cuts folders out: a walk
// either gives up or returns the list of the tree as it was at its generation.
TEST(FileTreeTest, ConcurrentReadsDuringDetachSeeOneStateOrGiveUp) {
    std::vector<test::HandNode> top;
    for (int d = 0; d < 60; ++d) {
        std::vector<test::HandNode> files;
        for (int f = 0; f < 300; ++f) {
            files.push_back(file("f" + std::to_string(f), ((d * 7919 + f * 104729) % 5000) * 512));
        }
        top.push_back(folder("d" + std::to_string(d), 0, std::move(files)));
    }
    const FileNode root = build(folder("wide", 0, std::move(top)));
    const FileTree& tree = root.tree();
    test::expectWalksSeeOneStateOrGiveUp(
        root,
        [&]() -> std::optional<std::vector<FileTree::Index>> {
            std::vector<FileTree::Index> out;
            if (!tree.largestFilesConcurrently(root.index(), 50, out)) {
                return std::nullopt;
            }
            return out;
        },
        [&] { return tree.largestFiles(root.index(), 50); });
}

}  // namespace
}  // namespace raumfuchs
