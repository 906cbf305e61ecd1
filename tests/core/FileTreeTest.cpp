#include "core/FileTree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    EXPECT_EQ(root.largestFiles(SIZE_MAX).front().displayName(), "big1");
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

TEST(FileTreeTest, PathsJoinWithOneSlashAndKeepLongNames) {
    const FileNode slashRoot = build(folder("Macintosh HD", 0, {folder("Users", 0)}), "/");
    EXPECT_EQ(slashRoot.path(), "/");
    EXPECT_EQ(childNamed(slashRoot, "Users").path(), "/Users");
    const std::string longName(600, 'x');  // longer than any length byte holds
    const FileNode ann =
        build(folder("ann", 0, {folder("Documents", 0, {file("a b", 1), file(longName, 2)})}),
              "/Users/ann");
    EXPECT_EQ(test::nodeAt(ann, "Documents/a b").path(), "/Users/ann/Documents/a b");
    EXPECT_EQ(test::nodeAt(ann, "Documents/" + longName).path(),
              "/Users/ann/Documents/" + longName);
}

TEST(FileTreeTest, DetachCorrectsAncestorsAndLeavesAValidHandle) {
    FileNode root =
        build(folder("root", 10,
                     {folder("a", 1, {folder("inner", 1, {file("big", 500)}), file("x", 50)}),
                      folder("b", 1, {file("y", 300)})}),
              "/r");
    FileNode a = childNamed(root, "a");
    const FileNode inner = childNamed(a, "inner");
    const FileNode big = childNamed(inner, "big");
    ASSERT_EQ(root.child(0), a);  // 552 before 301

    root.tree().detach(inner.index());
    EXPECT_EQ(a.size(), 51);
    EXPECT_EQ(a.fileCount(), 1);
    EXPECT_EQ(a.childCount(), 1u);
    EXPECT_EQ(root.size(), 10 + 51 + 301);
    EXPECT_EQ(root.fileCount(), 2);
    EXPECT_EQ(root.child(0).displayName(), "b") << "the smaller ancestor moved down";
    EXPECT_FALSE(inner.parent());
    EXPECT_EQ(big.path(), "inner/big");  // a cut-out node's paths start at its bare name
    EXPECT_EQ(inner.size(), 501);

    root = a = FileNode();  // the handles keep the whole storage alive
    EXPECT_EQ(big.size(), 500);
    EXPECT_EQ(big.parent(), inner);
}

TEST(FileTreeTest, DeepChainsNeedNoRecursion) {
    auto tree = std::make_shared<FileTree>("/deep", "deep");
    std::vector<FileTree::Index> chain{tree->addDirectory(FileTree::kNone, "deep", 0)};
    std::string expected = "/deep";
    for (int i = 0; i < 100000; ++i) {
        chain.push_back(tree->addDirectory(chain.back(), "d", 4096));
        expected += "/d";
    }
    chain.push_back(tree->addFile(chain.back(), "leaf", 7));
    for (std::size_t i = chain.size() - 1; i > 0; --i) {
        tree->setChildren(chain[i - 1], {chain[i]});
        tree->addToTotals(chain[i - 1], tree->size(chain[i]), tree->fileCount(chain[i]));
    }
    FileNode root = tree->root();
    tree.reset();
    EXPECT_EQ(root.fileCount(), 1);
    EXPECT_EQ(root.size(), 100000 * 4096 + 7);
    const auto largest = root.largestFiles(3);
    ASSERT_EQ(largest.size(), 1u);
    EXPECT_EQ(largest[0].path(), expected + "/leaf");
    root = FileNode();  // releasing it is one step, whatever the depth
}

}  // namespace
}  // namespace raumfuchs
