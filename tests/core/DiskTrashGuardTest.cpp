#include "core/DiskTrashGuard.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/RealLocation.h"
#include "core/TrashGuard.h"
#include "support/ScopedMount.h"
#include "support/TempTree.h"

namespace raumfuchs {
namespace {

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
