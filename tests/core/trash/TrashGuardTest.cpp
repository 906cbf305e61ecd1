#include "core/trash/TrashGuard.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <utility>

#include "core/system/RealLocation.h"
#include "core/trash/DiskTrashGuard.h"
#include "support/HandTree.h"
#include "support/ScopedMount.h"
#include "support/TempTree.h"

namespace raumfuchs {
namespace {

using test::file;
using test::folder;

TEST(TrashGuard, ProtectedPathsAreWholeComponentsWithTheUsrLocalExceptionWhereverTheyAreMounted) {
    const TrashGuard::ProtectedPaths prefixes = TrashGuard::systemProtection();
    // clang-format off
    const std::pair<const char*, bool> cases[] = {
        {"/usr", true}, {"/usr/share/x", true}, {"/usr/local", true},
        {"/usr/local/bin/tool", false}, {"/usrdaten/x", false}, {"/bin/sh", true},
        {"/etc/hosts", true}, {"/var/lib/dpkg", true}, {"/var/library", false},
        // Folders refused themselves, what they hold free.
        {"/", true}, {"/home", true}, {"/home/ann", false}, {"/root", true}, {"/root/x", false},
        {"/var", true}, {"/var/cache", false}, {"/tmp", true}, {"/tmp/x", false}, {"/srv", true},
        {"/opt", true}, {"/opt/tool", false}, {"/mnt", true}, {"/media", true},
        {"/media/stick", false}, {"/homes", false}};
    // clang-format on
    for (const auto& [path, refused] : cases) {
        EXPECT_EQ(TrashGuard::isProtected(path, prefixes), refused) << path;
    }

    const std::vector<MountEntry> mounts = parseMountInfo(
        "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "2 1 8:1 /etc /srv/etc rw - ext4 /dev/sda1 rw\n"
        "3 1 8:1 /etc/ssh /srv/ssh rw - ext4 /dev/sda1 rw\n"
        "4 1 8:1 /usr/local/bin /srv/tools rw - ext4 /dev/sda1 rw\n"
        "5 1 8:2 / /data rw - ext4 /dev/sda2 rw\n"
        "6 1 8:1 /etc /mnt/over rw - ext4 /dev/sda1 rw\n"
        "7 1 8:2 / /mnt/over rw - ext4 /dev/sda2 rw\n"
        "8 5 8:1 /home /data/users rw - ext4 /dev/sda1 rw\n"
        "9 1 8:1 / /data/all rw - ext4 /dev/sda1 rw\n");
    for (const char* path : {"/srv/etc", "/srv/etc/hosts", "/srv/ssh/sshd_config", "/usr/share",
                             "/data/users", "/data/all", "/data/all/var"}) {
        EXPECT_TRUE(TrashGuard::isProtectedLocation(path, mounts, prefixes)) << path;
    }
    // The /usr/local exception holds at the other place too; another file
    // system's own etc folder, and a bind covered by a later mount, are free.
    for (const char* path : {"/srv/tools/tool", "/srv/other", "/data/etc/hosts", "/mnt/over/hosts",
                             "/data/users/ann", "/data/all/var/cache", "/data"}) {
        EXPECT_FALSE(TrashGuard::isProtectedLocation(path, mounts, prefixes)) << path;
    }
    EXPECT_TRUE(TrashGuard::isProtectedLocation("/etc/x", {}, prefixes));
}

TEST(TrashGuard, RefusesTheRootAndProtectedNodesAndKeepsOnlyTheTopmost) {
    const FileNode root = test::build(
        folder("System", 0,
               {folder("usr", 0, {folder("local", 0, {folder("bin", 0, {file("tool", 4096)})})}),
                folder("usrdaten", 0, {file("a", 100)}),
                folder("var", 0,
                       {folder("lib", 0, {file("x", 10)}), folder("cache", 0, {file("y", 10)})}),
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
                 return TrashGuard::isProtected(path, TrashGuard::systemProtection());
             })) {
            result.push_back(node.path());
        }
        return result;
    };
    using Paths = std::vector<std::string>;
    EXPECT_EQ(accepted({"/"}), Paths{});
    EXPECT_EQ(accepted({"/usr/local", "/var/lib/x", "/", "/home", "/var"}), Paths{});
    EXPECT_EQ(
        accepted({"/usr/local", "/usr/local/bin/tool", "/usrdaten", "/var/lib/x", "/var/cache/y"}),
        (Paths{"/usr/local/bin/tool", "/usrdaten", "/var/cache/y"}));
    // A file listed before its folder, a protected file and a repeat: only the
    // folder remains, once. Siblings are not nested; input order is kept.
    EXPECT_EQ(accepted({"/home/ann/notes", "/var/lib/x", "/home/ann", "/home/ann"}),
              Paths{"/home/ann"});
    EXPECT_EQ(accepted({"/home", "/home/ann/todo", "/home/ann/notes"}),
              (Paths{"/home/ann/todo", "/home/ann/notes"}));
}

// Nothing here is ever moved: only the guard's answer is looked at.
TEST(DiskTrashGuard, LinksAndBindMountsDoNotGetAroundTheGuard) {
    test::TempTree dir;
    dir.symlink("/usr", "usr-link");
    dir.symlink("/etc", "etc-link");
    dir.symlink("/", "root-link");
    dir.file("eigen/notiz.txt", 10);
    dir.folder("etc-bind");
    dir.folder("sub-bind");
    dir.folder("home-bind");
    // The user's home folder as HOME names it; the user database names another.
    dir.folder("zuhause/Downloads");
    dir.symlink(dir.path("zuhause"), "zuhause-link");
    const std::optional<std::string> savedHome =
        std::getenv("HOME") ? std::optional<std::string>(std::getenv("HOME")) : std::nullopt;
    ::setenv("HOME", (dir.path("zuhause-link") + "/").c_str(), 1);
    const DiskTrashGuard before(TrashGuard::systemProtection());
    savedHome ? ::setenv("HOME", savedHome->c_str(), 1) : ::unsetenv("HOME");
    for (const std::string& path :
         {dir.path("zuhause"), dir.path("zuhause-link"), dir.path("root-link/home"),
          dir.path("root-link/tmp"), dir.path("root-link/var"), std::string("/home"),
          std::string(::getpwuid(::getuid())->pw_dir)}) {
        EXPECT_TRUE(before.isProtected(path)) << path;
    }
    for (const std::string& path : {dir.path("zuhause/Downloads"), dir.path("root-link/home/x"),
                                    dir.path("root-link/var/cache"), dir.path("root-link")}) {
        EXPECT_FALSE(before.isProtected(path)) << path;
    }
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
    const test::ScopedMount homeBind =
        test::ScopedMount::bind("/home", dir.path("home-bind"), true);
    if (!etcBind.mounted() || !subBind.mounted() || !homeBind.mounted()) {
        GTEST_SKIP() << "bind mounts refused on this machine (not root?)";
    }
    const DiskTrashGuard guard(TrashGuard::systemProtection());
    EXPECT_TRUE(guard.isProtected(dir.path("home-bind")));  // every user's homes at once
    EXPECT_FALSE(guard.isProtected(dir.path("home-bind/ann")));
    EXPECT_TRUE(guard.isProtected(dir.path("etc-bind")));
    EXPECT_TRUE(guard.isProtected(dir.path("etc-bind/hostname")));
    EXPECT_TRUE(guard.isProtected(dir.path("sub-bind/x")));
    EXPECT_FALSE(guard.isProtected(dir.path("eigen/notiz.txt")));
}

}  // namespace
}  // namespace raumfuchs
