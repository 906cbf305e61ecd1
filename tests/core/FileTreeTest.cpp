#include "core/FileTree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/HandTree.h"

namespace raumfuchs {
namespace {

using test::build;
using test::childNamed;
using test::file;
using test::folder;

std::vector<std::string> names(const std::vector<FileNode>& nodes) {
    std::vector<std::string> result;
    for (const FileNode& n : nodes) {
        result.push_back(n.displayName());
    }
    return result;
}

TEST(FileTreeTest, LargestFilesEdgeCases) {
    std::vector<test::HandNode> mixed{file("big1", 300), file("big2", 200), file("big3", 100)};
    for (int i = 0; i < 10; ++i) {
        mixed.push_back(file("z" + std::to_string(i), 0));
    }
    const FileNode root = build(folder(
        "root", 4096, {folder("mixed", 0, mixed), folder("empty", 4096), file("single", 50)}));
    const FileNode mixedNode = childNamed(root, "mixed");
    EXPECT_TRUE(childNamed(root, "single").largestFiles(5).empty());
    EXPECT_TRUE(childNamed(root, "empty").largestFiles(5).empty());
    EXPECT_TRUE(root.largestFiles(0).empty());
    // Fewer larger files than the limit: zero-size files fill up in discovery order.
    EXPECT_EQ(names(mixedNode.largestFiles(5)),
              (std::vector<std::string>{"big1", "big2", "big3", "z0", "z1"}));
    // A limit beyond every count returns all files, largest first.
    EXPECT_EQ(root.largestFiles(SIZE_MAX).size(), 14u);
    EXPECT_EQ(root.largestFiles(SIZE_MAX).front().displayName(), "big1");

    // Ties for the last place go to the file met first; the folder pushed last
    // is visited first.
    const FileNode ties = build(folder("root", 0,
                                       {folder("dirA", 0, {file("a", 100)}),
                                        folder("dirB", 0, {file("b", 100)}), file("top", 200)}));
    EXPECT_EQ(names(ties.largestFiles(2)), (std::vector<std::string>{"top", "b"}));
    // Eight equal files and a limit of 3: compaction keeps the first three.
    std::vector<test::HandNode> equal;
    for (int i = 0; i < 8; ++i) {
        equal.push_back(file("f" + std::to_string(i), 5));
    }
    EXPECT_EQ(names(build(folder("root", 0, equal)).largestFiles(3)),
              (std::vector<std::string>{"f0", "f1", "f2"}));

    // Unreadable placeholders: a file-like one counts as a zero-size file, an
    // unreadable folder never appears.
    auto tree = std::make_shared<FileTree>("/p", "root");
    const auto r = tree->addDirectory(FileTree::kNone, "root", 0);
    const auto lost = tree->addPlaceholder(r, "lost", false);
    const auto closed = tree->addPlaceholder(r, "closed", true);
    tree->setChildren(r, {lost, closed});
    const auto found = tree->root().largestFiles(5);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].nameBytes(), "lost");
    EXPECT_EQ(found[0].fileCount(), 0);
    EXPECT_TRUE(tree->node(closed).isUnreadable());
    EXPECT_TRUE(tree->node(closed).isDirectory());
}

TEST(FileTreeTest, PathsJoinWithOneSlashAndKeepLongNames) {
    const FileNode slashRoot = build(folder("Macintosh HD", 0, {folder("Users", 0)}), "/");
    EXPECT_EQ(childNamed(slashRoot, "Users").path(), "/Users");
    EXPECT_EQ(slashRoot.path(), "/");
    const FileNode ann =
        build(folder("ann", 0, {folder("Documents", 0, {file("a b", 1)})}), "/Users/ann");
    EXPECT_EQ(childNamed(childNamed(ann, "Documents"), "a b").path(), "/Users/ann/Documents/a b");
    EXPECT_EQ(ann.nameBytes(), "ann");

    // Names longer than 255 bytes (some file systems allow 255 UTF-16 units).
    const std::string longName(600, 'x');
    const FileNode withLong = build(folder("r", 0, {file(longName, 1), file("short", 2)}), "/r");
    EXPECT_EQ(childNamed(withLong, longName).path(), "/r/" + longName);
    EXPECT_EQ(childNamed(withLong, "short").nameBytes(), "short");
}

TEST(FileTreeTest, DetachCorrectsAncestorsAndLeavesAValidHandle) {
    FileNode root =
        build(folder("root", 10,
                     {folder("a", 1, {folder("inner", 1, {file("big", 500)}), file("x", 50)}),
                      folder("b", 1, {file("y", 300)})}),
              "/r");
    FileNode a = childNamed(root, "a");
    FileNode inner = childNamed(a, "inner");
    FileNode big = childNamed(inner, "big");
    ASSERT_EQ(root.child(0), a);  // 552 before 301

    root.tree().detach(inner.index());
    EXPECT_EQ(a.size(), 51);
    EXPECT_EQ(a.fileCount(), 1);
    EXPECT_EQ(root.size(), 10 + 51 + 301);
    EXPECT_EQ(root.fileCount(), 2);
    EXPECT_EQ(root.child(0).displayName(), "b") << "the smaller ancestor moved down";
    EXPECT_EQ(a.childCount(), 1u);
    EXPECT_FALSE(inner.parent());
    // A cut-out node reports its bare name, its children paths below it.
    EXPECT_EQ(inner.path(), "inner");
    EXPECT_EQ(big.path(), "inner/big");
    EXPECT_EQ(inner.size(), 501);

    // Handles keep the whole storage alive after the root is let go.
    root = FileNode();
    a = FileNode();
    EXPECT_EQ(big.size(), 500);
    EXPECT_EQ(big.parent(), inner);
}

TEST(FileTreeTest, DeepChainsNeedNoRecursion) {
    auto tree = std::make_shared<FileTree>("/deep", "deep");
    std::vector<FileTree::Index> chain{tree->addDirectory(FileTree::kNone, "deep", 0)};
    for (int i = 0; i < 100000; ++i) {
        chain.push_back(tree->addDirectory(chain.back(), "d", 4096));
    }
    const auto leaf = tree->addFile(chain.back(), "leaf", 7);
    tree->addToTotals(chain.back(), 7, 1);
    tree->setChildren(chain.back(), {leaf});
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
    std::string expected = "/deep";
    for (int i = 0; i < 100000; ++i) {
        expected += "/d";
    }
    EXPECT_EQ(largest[0].path(), expected + "/leaf");
    root = FileNode();  // releasing it is one step, whatever the depth
}

TEST(FileTreeTest, ConcurrentLargestFilesWhileDetaching) {
    std::vector<test::HandNode> folders;
    for (int d = 0; d < 100; ++d) {
        std::vector<test::HandNode> files;
        for (int f = 0; f < 60; ++f) {
            files.push_back(file("f" + std::to_string(f), (d * 60 + f) % 997));
        }
        folders.push_back(folder("d" + std::to_string(d), 0, files));
    }
    const FileNode root = build(folder("root", 0, folders));
    std::atomic<bool> stop{false};
    std::atomic<int> complete{0};
    std::thread reader([&] {
        std::vector<FileTree::Index> out;
        while (!stop.load()) {
            if (root.tree().largestFilesConcurrently(root.index(), 20, out)) {
                ++complete;
                for (std::size_t i = 1; i < out.size(); ++i) {
                    EXPECT_GE(root.tree().size(out[i - 1]), root.tree().size(out[i]));
                }
                EXPECT_EQ(out.size(), 20u);
            }
        }
    });
    for (int d = 0; d < 90; ++d) {
        root.tree().detach(childNamed(root, "d" + std::to_string(d)).index());
    }
    stop.store(true);
    reader.join();
    EXPECT_EQ(root.childCount(), 10u);
    EXPECT_EQ(root.fileCount(), 600);
    std::vector<FileTree::Index> out;
    EXPECT_TRUE(root.tree().largestFilesConcurrently(root.index(), 20, out));
    for (FileTree::Index i : out) {
        EXPECT_NE(root.tree().parent(root.tree().parent(i)), FileTree::kNone)
            << "a file from a detached folder was returned";
    }
}

}  // namespace
}  // namespace raumfuchs
