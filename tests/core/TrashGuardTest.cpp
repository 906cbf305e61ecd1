#include "core/TrashGuard.h"

#include <gtest/gtest.h>

#include "support/HandTree.h"

namespace raumfuchs {
namespace {

using test::childNamed;
using test::file;
using test::folder;

// The node at `path` below a tree rooted at "/", found by display names.
FileNode at(const FileNode& root, const std::string& path) {
    FileNode node = root;
    std::size_t begin = 1;
    while (node && begin < path.size()) {
        const std::size_t end = path.find('/', begin);
        node = childNamed(node, path.substr(begin, end - begin));
        begin = end == std::string::npos ? path.size() : end + 1;
    }
    return node;
}

std::vector<std::string> pathsOf(const std::vector<FileNode>& nodes) {
    std::vector<std::string> paths;
    for (const FileNode& node : nodes) {
        paths.push_back(node.path());
    }
    return paths;
}

TEST(TrashGuard, ProtectedPathsAreWholeComponentsWithTheUsrLocalException) {
    const auto& mac = TrashGuard::macProtectedPrefixes();
    EXPECT_TRUE(TrashGuard::isProtected("/System", mac));
    EXPECT_FALSE(TrashGuard::isProtected("/Systemdaten/x", mac));
    EXPECT_TRUE(TrashGuard::isProtected("/usr/local", mac));  // under "/usr" itself
    EXPECT_FALSE(TrashGuard::isProtected("/usr/local/bin/tool", mac));
    EXPECT_TRUE(TrashGuard::isProtected("/Library/Apple/x", mac));
    EXPECT_FALSE(TrashGuard::isProtected("/Library/Application Support/x", mac));
    EXPECT_FALSE(TrashGuard::isProtected("/etc/hosts", mac));

    const auto& linux = TrashGuard::linuxProtectedPrefixes();
    EXPECT_TRUE(TrashGuard::isProtected("/etc/hosts", linux));
    EXPECT_TRUE(TrashGuard::isProtected("/var/lib/dpkg", linux));
    EXPECT_FALSE(TrashGuard::isProtected("/var/library", linux));
    EXPECT_TRUE(TrashGuard::isProtected("/System/x", linux));  // the macOS paths stay
    EXPECT_FALSE(TrashGuard::isProtected("/home/ann/etc", linux));
#ifndef __APPLE__
    EXPECT_EQ(&TrashGuard::protectedPrefixes(), &linux);
#endif
}

TEST(TrashGuard, RefusesTheRootAndProtectedNodesAndKeepsOnlyTheTopmost) {
    const FileNode root = test::build(
        folder("Macintosh HD", 0,
               {folder("usr", 0, {folder("local", 0, {folder("bin", 0, {file("tool", 4096)})})}),
                folder("Systemdaten", 0, {file("a", 100)}),
                folder("private", 0,
                       {folder("var", 0,
                               {folder("db", 0, {file("x", 10)}),
                                folder("folders", 0, {file("y", 10)})})}),
                folder("home", 0, {folder("ann", 0, {file("notes", 10), file("todo", 20)})})}),
        "/");
    const FileNode local = at(root, "/usr/local");
    const FileNode tool = at(root, "/usr/local/bin/tool");
    const FileNode systemdaten = at(root, "/Systemdaten");
    const FileNode db = at(root, "/private/var/db/x");
    const FileNode folders = at(root, "/private/var/folders/y");
    const FileNode ann = at(root, "/home/ann");
    const FileNode notes = at(root, "/home/ann/notes");
    ASSERT_TRUE(local && tool && systemdaten && db && folders && ann && notes);
    const auto& prefixes = TrashGuard::macProtectedPrefixes();

    EXPECT_TRUE(TrashGuard::acceptedForTrash({root}, prefixes).empty());
    EXPECT_TRUE(TrashGuard::acceptedForTrash({local, db, root}, prefixes).empty());
    EXPECT_EQ(
        pathsOf(TrashGuard::acceptedForTrash({local, tool, systemdaten, db, folders}, prefixes)),
        (std::vector<std::string>{"/usr/local/bin/tool", "/Systemdaten",
                                  "/private/var/folders/y"}));

    // A file listed before its folder, a protected file and a repeat: only the
    // folder remains, once.
    EXPECT_EQ(pathsOf(TrashGuard::acceptedForTrash({notes, db, ann, ann}, prefixes)),
              (std::vector<std::string>{"/home/ann"}));
    // Siblings are not nested in one another; input order is kept.
    const FileNode todo = at(root, "/home/ann/todo");
    EXPECT_EQ(pathsOf(TrashGuard::acceptedForTrash({todo, notes}, prefixes)),
              (std::vector<std::string>{"/home/ann/todo", "/home/ann/notes"}));
}

}  // namespace
}  // namespace raumfuchs
