#include "core/TrashGuard.h"

#include <gtest/gtest.h>

#include "support/HandTree.h"

namespace raumfuchs {
namespace {

using test::file;
using test::folder;

TEST(TrashGuard, ProtectedPathsAreWholeComponentsWithTheUsrLocalException) {
    const auto& mac = TrashGuard::macProtectedPrefixes();
    const auto& linux = TrashGuard::linuxProtectedPrefixes();
    for (const char* path : {"/System", "/usr/local", "/Library/Apple/x"}) {
        EXPECT_TRUE(TrashGuard::isProtected(path, mac)) << path;
    }
    for (const char* path : {"/Systemdaten/x", "/usr/local/bin/tool",
                             "/Library/Application Support/x", "/etc/hosts"}) {
        EXPECT_FALSE(TrashGuard::isProtected(path, mac)) << path;
    }
    for (const char* path : {"/etc/hosts", "/var/lib/dpkg", "/System/x"}) {
        EXPECT_TRUE(TrashGuard::isProtected(path, linux)) << path;
    }
    EXPECT_FALSE(TrashGuard::isProtected("/var/library", linux));
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
    const auto accepted = [&](const std::vector<std::string>& paths) {
        std::vector<FileNode> nodes;
        for (const std::string& path : paths) {
            nodes.push_back(path == "/" ? root : test::nodeAt(root, path.substr(1)));
            EXPECT_TRUE(nodes.back()) << path;
        }
        std::vector<std::string> result;
        for (const FileNode& node :
             TrashGuard::acceptedForTrash(nodes, TrashGuard::macProtectedPrefixes())) {
            result.push_back(node.path());
        }
        return result;
    };
    using Paths = std::vector<std::string>;
    EXPECT_EQ(accepted({"/"}), Paths{});
    EXPECT_EQ(accepted({"/usr/local", "/private/var/db/x", "/"}), Paths{});
    EXPECT_EQ(accepted({"/usr/local", "/usr/local/bin/tool", "/Systemdaten", "/private/var/db/x",
                        "/private/var/folders/y"}),
              (Paths{"/usr/local/bin/tool", "/Systemdaten", "/private/var/folders/y"}));
    // A file listed before its folder, a protected file and a repeat: only the
    // folder remains, once. Siblings are not nested; input order is kept.
    EXPECT_EQ(accepted({"/home/ann/notes", "/private/var/db/x", "/home/ann", "/home/ann"}),
              Paths{"/home/ann"});
    EXPECT_EQ(accepted({"/home/ann/todo", "/home/ann/notes"}),
              (Paths{"/home/ann/todo", "/home/ann/notes"}));
}

}  // namespace
}  // namespace raumfuchs
