#include "core/system/MountTable.h"

#include <gtest/gtest.h>

#include <tuple>

namespace raumfuchs {
namespace {

TEST(MountTable, ParsesFieldsAndEscapesAndFindsTheCoveringMountByWholeComponents) {
    const std::vector<MountEntry> entries = parseMountInfo(
        "36 35 98:0 /mnt1 /mnt/parent rw,noatime master:1 - ext3 /dev/root rw,errors=continue\n"
        "garbage line\n"
        "40 36 8:17 / /media/My\\040Disk\\134x rw shared:5 propagate_from:2 - vfat /dev/sdb1 rw\n"
        "41 36 0:50 / /mnt/end\\040 rw - nfs server:/export\\040x rw");
    ASSERT_EQ(entries.size(), 3u);
    const MountEntry& first = entries[0];
    EXPECT_EQ(std::tie(first.major, first.minor, first.root, first.mountPoint, first.fsType,
                       first.source),
              std::make_tuple(98u, 0u, "/mnt1", "/mnt/parent", "ext3", "/dev/root"));
    EXPECT_EQ(entries[1].mountPoint, "/media/My Disk\\x");
    EXPECT_EQ(entries[1].minor, 17u);
    EXPECT_EQ(entries[2].mountPoint, "/mnt/end ");
    EXPECT_EQ(entries[2].source, "server:/export x");
    EXPECT_EQ(decodeMountField("a\\04b\\"), "a\\04b\\");  // incomplete escapes stay
    EXPECT_EQ(decodeMountField("\\377"), std::string("\xff"));

    const std::vector<MountEntry> mounts = parseMountInfo(
        "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "2 1 8:2 / /mnt/a rw - ext4 /dev/sda2 rw\n"
        "3 1 0:40 / /mnt/a/b rw - tmpfs tmpfs rw\n"
        "4 2 8:3 / /mnt/a rw - ext4 /dev/sda3 rw\n");  // covers the mount 2
    EXPECT_EQ(coveringMount(mounts, "/mnt/a/x"), 3u);
    EXPECT_EQ(coveringMount(mounts, "/mnt/a"), 3u);
    EXPECT_EQ(coveringMount(mounts, "/mnt/a/b/c"), 2u);
    EXPECT_EQ(coveringMount(mounts, "/mnt/ab"), 0u);
    EXPECT_EQ(coveringMount({}, "/x"), std::nullopt);
    EXPECT_TRUE(holdsMountPoint(mounts, "/mnt"));
    EXPECT_TRUE(holdsMountPoint(mounts, "/mnt/a/b"));
    EXPECT_FALSE(holdsMountPoint(mounts, "/mn"));
    EXPECT_FALSE(holdsMountPoint(mounts, "/mnt/a/b/c"));
    EXPECT_EQ(pathBelow("/etc/ssh/x", "/etc"), "ssh/x");
    EXPECT_EQ(pathBelow("/etc", "/"), "etc");
    EXPECT_EQ(pathBelow("/etc", "/etc"), "");
    EXPECT_EQ(pathBelow("/etcetera", "/etc"), std::nullopt);
}

}  // namespace
}  // namespace raumfuchs
