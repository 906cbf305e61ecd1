#include "core/scan/RootPolicy.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <unordered_set>

#include "support/TempTree.h"

namespace raumfuchs {
namespace {

using test::TempTree;
using Choices = std::unordered_map<std::string, MountChoice>;

// Which mount of each file system a root scan enters, decided on the whole
// table: the widest mount root, whatever the order of the table or the walk.
// Virtual trees, and file systems other than local disks, are left out.
TEST(RootPolicyTest, LinuxEntersEachLocalFileSystemThroughItsWidestReachedMount) {
    TempTree t;
    EXPECT_EQ(LinuxRootPolicy().exclusions(),
              (std::unordered_set<std::string>{"/proc", "/sys", "/dev", "/run", "/media", "/mnt"}));
    EXPECT_EQ(LinuxRootPolicy().fileSystemType("/proc"), "proc");
    EXPECT_EQ(LinuxRootPolicy().fileSystemType(t.path("missing")), std::nullopt);
    EXPECT_EQ(fileSystemTypeName(0x12345678), "");
    std::ofstream(t.path("mountinfo"))
        << "21 26 0:20 / /proc rw - proc proc rw\n"
        << "26 1 254:0 / / rw - ext4 /dev/vda rw\n"
        << "40 26 8:17 /sub /b rw - ext4 /dev/sdb1 rw\n"  // before the whole volume
        << "41 26 8:17 / /f rw - ext4 /dev/sdb1 rw\n"
        << "42 26 8:17 /sub /c rw - ext4 /dev/sdb1 rw\n"
        << "43 26 254:0 /srv/data /mnt/my\\040disk rw - ext4 /dev/vda rw\n"  // excluded
        << "44 26 254:0 /var/www /srv/www rw - ext4 /dev/vda rw\n"
        << "45 26 8:33 /a /data/a rw - xfs /dev/sdc1 rw\n"  // no whole mount anywhere
        << "46 26 8:33 /b /data/b rw - xfs /dev/sdc1 rw\n"
        << "47 26 8:33 /a /data/a2 rw - xfs /dev/sdc1 rw\n"
        << "48 26 8:33 /a/deep /data/deep rw - xfs /dev/sdc1 rw\n"
        << "49 26 0:50 / /tmp rw - tmpfs tmpfs rw\n"
        << "50 49 8:49 / /tmp/disk rw - ext4 /dev/sdd1 rw\n"       // below a tmpfs: never met
        << "51 44 8:65 / /srv/www/inner rw - ext4 /dev/sde1 rw\n"  // below a skipped bind
        << "52 26 8:65 /x /opt/bind rw - ext4 /dev/sde1 rw\n"
        << "53 26 8:81 / /vol rw - ext4 /dev/sdf1 rw\n"
        << "54 53 8:97 / /vol rw - ext4 /dev/sdg1 rw\n"  // covers the one before
        << "55 26 8:81 /q /srv/z rw - ext4 /dev/sdf1 rw\n";
    const LinuxRootPolicy linux(t.path("mountinfo"));
    using enum MountChoice;
    // clang-format off
    EXPECT_EQ(linux.mountChoices("/"),
              (Choices{{"/b", Skip}, {"/f", Enter}, {"/c", Skip}, {"/srv/www", Skip},
                       {"/data/a", Enter}, {"/data/b", Enter}, {"/data/a2", Skip},
                       {"/data/deep", Skip}, {"/opt/bind", Enter}, {"/vol", Enter},
                       {"/srv/z", Enter}}));
    // clang-format on
    // Below another folder, a folder of the root volume bound there is new content.
    EXPECT_EQ(linux.mountChoices("/srv"),
              (Choices{{"/srv/www", Enter}, {"/srv/www/inner", Enter}, {"/srv/z", Enter}}));
    EXPECT_EQ(LinuxRootPolicy(t.path("missing")).mountChoices("/"), Choices{});
}

}  // namespace
}  // namespace raumfuchs
