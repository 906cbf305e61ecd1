#include "core/RootPolicy.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/TempTree.h"

namespace raumfuchs {
namespace {

using test::TempTree;

const std::unordered_set<std::string> kFixed{"/Volumes", "/dev", "/net", "/home",
                                             "/System/Volumes/Data/home"};

std::unordered_set<std::string> macExclusions(TempTree& t, const std::string& table) {
    std::ofstream(t.path("firmlinks"), std::ios::binary) << table;
    return MacRootPolicy(t.path("firmlinks")).exclusions();
}

TEST(RootPolicyTest, MacReadsTheFirmlinkTable) {
    TempTree t;
    EXPECT_EQ(MacRootPolicy(t.path("missing")).exclusions(), kFixed);

    std::unordered_set<std::string> expected = kFixed;
    expected.insert({"/System/Volumes/Data/Applications", "/System/Volumes/Data/usr/local",
                     "/System/Volumes/Data/Users", "/System/Volumes/Data/Library ",
                     "/System/Volumes/Data/lead"});
    EXPECT_EQ(macExclusions(t,
                            "/Applications\tApplications\n"
                            "/usr/local\tusr/local\n"
                            "\n"
                            "/Users\t\tUsers\n"         // two tabs: still two pieces
                            "/three\tfields\there\n"    // ignored
                            "/one-field\n"              // ignored
                            "/Library\tLibrary \n"      // spaces kept verbatim
                            "\t/lead\tlead\t\n"         // outer tabs ignored
                            "/again\tApplications\n"),  // nothing new
              expected);
    // A table that is not UTF-8 is not read at all.
    EXPECT_EQ(macExclusions(t, "/Applications\tApplications\n/x\t\xff\xfe\n"), kFixed);

    EXPECT_TRUE(MacRootPolicy().acceptsFileSystem("hfs"));
    EXPECT_FALSE(MacRootPolicy().acceptsFileSystem("ext4"));
}

TEST(RootPolicyTest, LinuxLeavesOutVirtualTreesAndEntersLocalDisks) {
    TempTree t;
    const LinuxRootPolicy linux(t.path("mountinfo"));
    EXPECT_EQ(linux.exclusions(),
              (std::unordered_set<std::string>{"/proc", "/sys", "/dev", "/run", "/media", "/mnt"}));
    for (const char* type : {"ext4", "xfs", "btrfs", "zfs"}) {
        EXPECT_TRUE(linux.acceptsFileSystem(type)) << type;
    }
    for (const char* type : {"tmpfs", "proc", "nfs", "overlay", "fuse", "vfat", ""}) {
        EXPECT_FALSE(linux.acceptsFileSystem(type)) << type;
    }

    std::ofstream(t.path("mountinfo"))
        << "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
        << "40 27 254:0 /srv/data /mnt/my\\040disk rw - ext4 /dev/vda rw\n"
        << "41 27 0:25 / /run/user/1000 rw - tmpfs tmpfs rw\n";
    EXPECT_EQ(linux.mountPoints(),
              (std::unordered_set<std::string>{"/", "/mnt/my disk", "/run/user/1000"}));

    EXPECT_EQ(fileSystemTypeName(0x9123683E), "btrfs");
    EXPECT_EQ(fileSystemTypeName(0x12345678), "");
    EXPECT_EQ(linux.fileSystemType("/proc"), "proc");
    EXPECT_EQ(linux.fileSystemType(t.path("missing")), std::nullopt);
}

}  // namespace
}  // namespace raumfuchs
