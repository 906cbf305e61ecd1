#include "core/TrashGuard.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "core/DiskTrashGuard.h"
#include "core/RealLocation.h"
#include "support/HandTree.h"
#include "support/ScopedMount.h"
#include "support/TempTree.h"

namespace raumfuchs {
namespace {

using test::file;
using test::folder;

TEST(TrashGuard, ProtectedPathsAreWholeComponentsWithTheUsrLocalExceptionWhereverTheyAreMounted) {
    const auto& mac = TrashGuard::macProtectedPrefixes();
    const auto& linux = TrashGuard::linuxProtectedPrefixes();
    // clang-format off
    const std::tuple<const char*, bool, bool> cases[] = {  // path, on macOS, on Linux
        {"/System", true, true}, {"/System/x", true, true}, {"/usr/local", true, true},
        {"/usr/local/bin/tool", false, false}, {"/Library/Apple/x", true, true},
        {"/Library/Application Support/x", false, false}, {"/Systemdaten/x", false, false},
        {"/etc/hosts", false, true}, {"/var/lib/dpkg", false, true}, {"/var/library", false, false}};
    // clang-format on
    for (const auto& [path, onMac, onLinux] : cases) {
        EXPECT_EQ(TrashGuard::isProtected(path, mac), onMac) << path;
        EXPECT_EQ(TrashGuard::isProtected(path, linux), onLinux) << path;
    }

    const std::vector<MountEntry> mounts = parseMountInfo(
        "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "2 1 8:1 /etc /srv/etc rw - ext4 /dev/sda1 rw\n"
        "3 1 8:1 /etc/ssh /srv/ssh rw - ext4 /dev/sda1 rw\n"
        "4 1 8:1 /usr/local/bin /srv/tools rw - ext4 /dev/sda1 rw\n"
        "5 1 8:2 / /data rw - ext4 /dev/sda2 rw\n"
        "6 1 8:1 /etc /mnt/over rw - ext4 /dev/sda1 rw\n"
        "7 1 8:2 / /mnt/over rw - ext4 /dev/sda2 rw\n");
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

// Nothing here is ever moved: only the guard's answer is looked at.
TEST(DiskTrashGuard, LinksAndBindMountsDoNotGetAroundTheGuard) {
    test::TempTree dir;
    dir.symlink("/usr", "usr-link");
    dir.symlink("/etc", "etc-link");
    dir.file("eigen/notiz.txt", 10);
    dir.folder("etc-bind");
    dir.folder("sub-bind");
    const DiskTrashGuard before(TrashGuard::linuxProtectedPrefixes());
    EXPECT_EQ(realLocation(dir.path("usr-link/share")), "/usr/share");
    EXPECT_EQ(realLocation(dir.path("etc-link")), dir.path("etc-link"));  // the link itself
    EXPECT_TRUE(before.isProtected(dir.path("usr-link/share")));
    EXPECT_TRUE(before.isProtected(dir.path("usr-link/share/../lib")));
    EXPECT_FALSE(before.isProtected(dir.path("usr-link/local/bin/tool")));
    EXPECT_FALSE(before.isProtected(dir.path("etc-link")));
    EXPECT_FALSE(before.isProtected(dir.path("eigen/notiz.txt")));

    // A subfolder of /etc that this machine has.
    std::string sub;
    for (const auto& entry : std::filesystem::directory_iterator("/etc")) {
        if (entry.is_directory() && !entry.is_symlink()) {
            sub = entry.path().string();
            break;
        }
    }
    ASSERT_FALSE(sub.empty());
    const test::ScopedMount etcBind = test::ScopedMount::bind("/etc", dir.path("etc-bind"), true);
    const test::ScopedMount subBind = test::ScopedMount::bind(sub, dir.path("sub-bind"), true);
    if (!etcBind.mounted() || !subBind.mounted()) {
        GTEST_SKIP() << "bind mounts refused on this machine (not root?)";
    }
    const DiskTrashGuard guard(TrashGuard::linuxProtectedPrefixes());
    EXPECT_TRUE(guard.isProtected(dir.path("etc-bind")));
    EXPECT_TRUE(guard.isProtected(dir.path("etc-bind/hostname")));
    EXPECT_TRUE(guard.isProtected(dir.path("sub-bind/x")));
    EXPECT_FALSE(guard.isProtected(dir.path("eigen/notiz.txt")));
}

}  // namespace
}  // namespace raumfuchs
