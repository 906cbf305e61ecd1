#include "platform/LinuxVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "support/ScopedMount.h"

namespace raumfuchs {
namespace {

// A machine described by the test: capacities per mount point, labels and
// removability per source device.
class CraftedProbe : public LinuxVolumeProbe {
  public:
    std::map<std::string, Capacity> capacities;
    std::map<std::string, std::string> labels;
    std::map<std::string, bool> removables;

    template <typename Map>
    static std::optional<typename Map::mapped_type> find(const Map& map, const std::string& key) {
        const auto it = map.find(key);
        return it == map.end() ? std::nullopt : std::optional(it->second);
    }
    std::optional<Capacity> capacity(const std::string& mountPoint) const override {
        return find(capacities, mountPoint);
    }
    std::optional<std::string> label(const MountEntry& entry) const override {
        return find(labels, entry.source);
    }
    std::optional<bool> removable(const MountEntry& entry) const override {
        return find(removables, entry.source);
    }
};

// "/devices" is no system area: only the /dev folder itself is, not the prefix.
TEST(LinuxMountInfo, HidesPseudoFileSystemsAndSystemAreas) {
    // clang-format off
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"proc", "/proc", true}, {"squashfs", "/media/image", true},
        {"overlay", "/var/lib/docker/overlay2/x/merged", true}, {"overlay", "/", false},
        {"tmpfs", "/", false}, {"ext4", "/run/user/1000/doc", true},
        {"vfat", "/run/media/anna/STICK", false}, {"ext4", "/snap/core/1", true},
        {"ext4", "/dev/shm2", true}, {"ext4", "/devices", false}, {"nfs4", "/mnt/nas", false}};
    // clang-format on
    for (const auto& [type, point, hidden] : cases) {
        EXPECT_EQ(isHiddenMount(MountEntry{0, 0, "/", point, type, "x"}), hidden) << point;
    }
}

TEST(LinuxMountInfo, RecordsFromACraftedMachineWithoutBindMountsOfFolders) {
    CraftedProbe probe;
    // clang-format off
    probe.capacities = {{"/", {100'000, 40'000}}, {"/home", {500'000, 1000}},
                        {"/media/anna/USB Stick", {8000, 8000}}, {"/mnt/nas", {9'000'000, 1'000'000}},
                        {"/srv/bound", {100'000, 40'000}}, {"/data", {300, 100}}};
    // clang-format on
    probe.labels = {{"/dev/sdb1", "STICK"}};
    probe.removables = {
        {"/dev/sda2", false}, {"/dev/sda3", false}, {"/dev/sdb1", true}, {"/dev/sdc1", false}};
    const std::vector<VolumeRecord> records = linuxVolumeRecords(
        "22 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
        "23 22 0:21 / /proc rw - proc proc rw\n"
        "25 22 8:3 / /home rw - ext4 /dev/sda3 rw\n"
        "26 22 8:17 / /media/anna/USB\\040Stick rw - vfat /dev/sdb1 rw\n"
        "27 22 0:40 / /mnt/nas rw - nfs4 nas:/share rw\n"
        "28 22 8:2 / /srv/bound rw - ext4 /dev/sda2 rw\n"     // the root again: bind mount
        "29 22 8:2 / /etc/hostname rw - ext4 /dev/sda2 rw\n"  // no capacity: a single file
        "30 22 8:4 / /data rw - ext4 /dev/sda4 rw\n"
        "31 22 8:5 / /data rw - xfs /dev/sdc1 rw\n",  // covers the one before
        probe);
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0].availableImportant, 40'000);
    EXPECT_EQ(records[0].internal, true);
    EXPECT_EQ(records[2].volumeName, "STICK");
    EXPECT_TRUE(records[2].removable == true && records[2].internal == false);
    EXPECT_TRUE(records[3].internal == false && records[3].removable == false);
    EXPECT_EQ(records[4].total, 300);  // the covering mount

    // Bind mounts of a folder are no volumes of their own.
    for (const char* point : {"/srv/www", "/srv/photos", "/data/a", "/data/b", "/data/a-again",
                              "/btrfs", "/btrfs-home"}) {
        probe.capacities[point] = {1000, 500};
    }
    std::vector<std::string> paths;
    for (const VolumeRecord& record : linuxVolumeRecords(
             "22 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
             "23 22 8:2 /var/www /srv/www rw - ext4 /dev/sda2 rw\n"        // a folder of "/"
             "24 22 8:3 /anna/Fotos /srv/photos rw - ext4 /dev/sda3 rw\n"  // before its disk
             "25 22 8:3 / /home rw - ext4 /dev/sda3 rw\n"
             "26 22 8:4 /a /data/a rw - xfs /dev/sdb1 rw\n"  // no whole mount: the first one
             "27 22 8:4 /b /data/b rw - xfs /dev/sdb1 rw\n"
             "28 22 8:4 /a /data/a-again rw - xfs /dev/sdb1 rw\n"
             "29 22 0:40 /@ /btrfs rw - btrfs /dev/sdc1 rw\n"
             "30 22 0:40 /@home /btrfs-home rw - btrfs /dev/sdc1 rw\n",
             probe)) {
        paths.push_back(record.path);
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"/", "/home", "/data/a", "/btrfs"}));
}

// The label written into the file system shows even where udev has made no
// /dev/disk/by-label link for it (containers).
TEST(LinuxMountInfo, ThisMachineHasARootVolumeAndNamesAVolumeByItsLabel) {
    ASSERT_FALSE(mountedLinuxVolumes().empty());
    EXPECT_EQ(mountedLinuxVolumes().front().path, "/");
    test::TempTree t;
    t.folder("mnt");
    const test::ScopedMount volume =
        test::ScopedMount::ext4(t.path("image"), t.path("mnt"), 8, "Bilder Ä");
    if (!volume.failed().empty()) {
        GTEST_SKIP() << volume.failed();
    }
    const std::vector<VolumeInfo> volumes = mountedLinuxVolumes();
    const auto it = std::ranges::find(volumes, t.path("mnt"), &VolumeInfo::path);
    ASSERT_NE(it, volumes.end());
    EXPECT_EQ(it->name, "Bilder Ä");
    EXPECT_GT(it->total, 4 << 20);
}

}  // namespace
}  // namespace raumfuchs
