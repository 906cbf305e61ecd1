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
}

TEST(TrashGuard, ProtectedWhereverAMountOfTheSameFileSystemShowsTheContent) {
    const std::vector<MountEntry> mounts = parseMountInfo(
        "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "2 1 8:1 /etc /srv/etc rw - ext4 /dev/sda1 rw\n"
        "3 1 8:1 /etc/ssh /srv/ssh rw - ext4 /dev/sda1 rw\n"
        "4 1 8:1 /usr/local/bin /srv/tools rw - ext4 /dev/sda1 rw\n"
        "5 1 8:2 / /data rw - ext4 /dev/sda2 rw\n"
        "6 1 8:1 /etc /mnt/over rw - ext4 /dev/sda1 rw\n"
        "7 1 8:2 / /mnt/over rw - ext4 /dev/sda2 rw\n");
    const auto& linux = TrashGuard::linuxProtectedPrefixes();
    for (const char* path : {"/srv/etc", "/srv/etc/hosts", "/srv/ssh/sshd_config", "/usr/share"}) {
        EXPECT_TRUE(TrashGuard::isProtectedLocation(path, mounts, linux)) << path;
    }
    // The /usr/local exception holds at the other place too; another file
    // system's own etc folder, and a bind covered by a later mount, are free.
    for (const char* path :
         {"/srv/tools/tool", "/srv/other", "/data/etc/hosts", "/mnt/over/hosts", "/srv"}) {
        EXPECT_FALSE(TrashGuard::isProtectedLocation(path, mounts, linux)) << path;
    }
    EXPECT_TRUE(TrashGuard::isProtectedLocation("/etc/x", {}, linux));
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
             TrashGuard::acceptedForTrash(nodes, [](const std::string& path) {
                 return TrashGuard::isProtected(path, TrashGuard::macProtectedPrefixes());
             })) {
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
