#include "core/MountTable.h"

#include <gtest/gtest.h>

#include <tuple>

namespace raumfuchs {
namespace {

TEST(MountTable, ParsesFieldsAndEscapes) {
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
}

}  // namespace
}  // namespace raumfuchs
