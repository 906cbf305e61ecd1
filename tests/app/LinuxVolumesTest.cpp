#include "platform/LinuxVolumes.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace raumfuchs {
namespace {

// A machine described by the test: capacities per mount point, labels and
// removability per source device.
class CraftedProbe : public LinuxVolumeProbe {
  public:
    std::map<std::string, Capacity> capacities;
    std::map<std::string, std::string> labels;
    std::map<std::string, bool> removables;

    std::optional<Capacity> capacity(const std::string& mountPoint) const override {
        const auto it = capacities.find(mountPoint);
        return it == capacities.end() ? std::nullopt : std::optional<Capacity>(it->second);
    }
    std::optional<std::string> label(const MountEntry& entry) const override {
        const auto it = labels.find(entry.source);
        return it == labels.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    std::optional<bool> removable(const MountEntry& entry) const override {
        const auto it = removables.find(entry.source);
        return it == removables.end() ? std::nullopt : std::optional<bool>(it->second);
    }
};

TEST(LinuxMountInfo, ParsesFieldsAndEscapes) {
    const std::vector<MountEntry> entries = parseMountInfo(
        "36 35 98:0 /mnt1 /mnt/parent rw,noatime master:1 - ext3 /dev/root rw,errors=continue\n"
        "garbage line\n"
        "40 36 8:17 / /media/My\\040Disk\\134x rw shared:5 propagate_from:2 - vfat /dev/sdb1 rw\n"
        "41 36 0:50 / /mnt/end\\040 rw - nfs server:/export\\040x rw");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].major, 98u);
    EXPECT_EQ(entries[0].minor, 0u);
    EXPECT_EQ(entries[0].root, "/mnt1");
    EXPECT_EQ(entries[0].mountPoint, "/mnt/parent");
    EXPECT_EQ(entries[0].fsType, "ext3");
    EXPECT_EQ(entries[0].source, "/dev/root");
    EXPECT_EQ(entries[1].mountPoint, "/media/My Disk\\x");
    EXPECT_EQ(entries[1].fsType, "vfat");
    EXPECT_EQ(entries[1].minor, 17u);
    EXPECT_EQ(entries[2].mountPoint, "/mnt/end ");
    EXPECT_EQ(entries[2].source, "server:/export x");
    EXPECT_EQ(decodeMountField("a\\04b\\"), "a\\04b\\");  // incomplete escapes stay
    EXPECT_EQ(decodeMountField("\\377"), std::string("\xff"));
}

TEST(LinuxMountInfo, HidesPseudoFileSystemsAndSystemAreas) {
    const auto hidden = [](std::string type, std::string point) {
        return isHiddenMount(MountEntry{0, 0, "/", std::move(point), std::move(type), "x"});
    };
    EXPECT_TRUE(hidden("proc", "/proc"));
    EXPECT_TRUE(hidden("tmpfs", "/tmp"));
    EXPECT_TRUE(hidden("cgroup2", "/sys/fs/cgroup"));
    EXPECT_TRUE(hidden("squashfs", "/media/image"));
    EXPECT_TRUE(hidden("overlay", "/var/lib/docker/overlay2/x/merged"));
    EXPECT_FALSE(hidden("overlay", "/"));
    EXPECT_FALSE(hidden("tmpfs", "/"));
    EXPECT_TRUE(hidden("ext4", "/run/user/1000/doc"));
    EXPECT_TRUE(hidden("ext4", "/run/media"));
    EXPECT_FALSE(hidden("vfat", "/run/media/anna/STICK"));
    EXPECT_TRUE(hidden("ext4", "/snap/core/1"));
    EXPECT_TRUE(hidden("ext4", "/dev/shm2"));
    EXPECT_FALSE(hidden("ext4", "/devices"));  // only the /dev folder itself, not a prefix
    EXPECT_FALSE(hidden("ext4", "/home"));
    EXPECT_FALSE(hidden("nfs4", "/mnt/nas"));
}

TEST(LinuxMountInfo, RecordsFromACraftedMachine) {
    CraftedProbe probe;
    probe.capacities = {{"/", {100'000, 40'000}},
                        {"/home", {500'000, 1000}},
                        {"/media/anna/USB Stick", {8000, 8000}},
                        {"/mnt/nas", {9'000'000, 1'000'000}},
                        {"/srv/bound", {100'000, 40'000}}};
    probe.labels = {{"/dev/sdb1", "STICK"}};
    probe.removables = {{"/dev/sda2", false}, {"/dev/sda3", false}, {"/dev/sdb1", true}};
    const std::string mountinfo =
        "22 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
        "23 22 0:21 / /proc rw - proc proc rw\n"
        "24 22 0:22 / /tmp rw - tmpfs tmpfs rw\n"
        "25 22 8:3 / /home rw - ext4 /dev/sda3 rw\n"
        "26 22 8:17 / /media/anna/USB\\040Stick rw - vfat /dev/sdb1 rw\n"
        "27 22 0:40 / /mnt/nas rw - nfs4 nas:/share rw\n"
        "28 22 8:2 / /srv/bound rw - ext4 /dev/sda2 rw\n"      // the root again: bind mount
        "29 22 8:2 / /etc/hostname rw - ext4 /dev/sda2 rw\n";  // no capacity: a single file
    const std::vector<VolumeRecord> records = linuxVolumeRecords(mountinfo, probe);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].path, "/");
    EXPECT_EQ(records[0].lastComponent, "/");
    EXPECT_EQ(records[0].total, 100'000);
    EXPECT_EQ(records[0].available, 40'000);
    EXPECT_EQ(records[0].availableImportant, 40'000);
    EXPECT_EQ(records[0].internal, true);
    EXPECT_EQ(records[1].path, "/home");
    EXPECT_EQ(records[2].path, "/media/anna/USB Stick");
    EXPECT_EQ(records[2].volumeName, "STICK");
    EXPECT_EQ(records[2].removable, true);
    EXPECT_EQ(records[2].internal, false);
    EXPECT_EQ(records[3].path, "/mnt/nas");
    EXPECT_EQ(records[3].lastComponent, "nas");
    EXPECT_EQ(records[3].internal, false);
    EXPECT_EQ(records[3].removable, false);

    const std::vector<VolumeInfo> volumes = VolumeService::orderedVolumes(records);
    ASSERT_EQ(volumes.size(), 4u);
    EXPECT_EQ(volumes[0].name, "/");
    EXPECT_EQ(volumes[1].name, "home");
    EXPECT_EQ(volumes[2].name, "nas");
    EXPECT_EQ(volumes[3].name, "STICK");
}

TEST(LinuxMountInfo, ALaterMountCoversAnEarlierOne) {
    CraftedProbe probe;
    probe.capacities = {{"/", {10, 5}}, {"/data", {300, 100}}};
    const std::vector<VolumeRecord> records = linuxVolumeRecords(
        "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "2 1 8:2 / /data rw - ext4 /dev/sda2 rw\n"
        "3 1 8:3 / /data rw - xfs /dev/sdc1 rw\n",
        probe);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].path, "/data");
    EXPECT_EQ(records[1].total, 300);
}

TEST(LinuxMountInfo, ThisMachineHasARootVolume) {
    const std::vector<VolumeInfo> volumes = mountedLinuxVolumes();
    ASSERT_FALSE(volumes.empty());
    EXPECT_EQ(volumes.front().path, "/");
    for (const VolumeInfo& volume : volumes) {
        EXPECT_GT(volume.total, 0) << volume.path;
        EXPECT_FALSE(volume.path.rfind("/proc", 0) == 0) << volume.path;
    }
}

}  // namespace
}  // namespace raumfuchs
