#include "core/VolumeService.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace raumfuchs {
namespace {

VolumeRecord record(std::string path, std::string name, std::int64_t total = 1000,
                    std::int64_t available = 400) {
    VolumeRecord r;
    r.path = std::move(path);
    r.localizedName = std::move(name);
    r.total = total;
    r.available = available;
    return r;
}

std::vector<std::string> pathsOf(const std::vector<VolumeInfo>& volumes) {
    std::vector<std::string> paths;
    for (const VolumeInfo& v : volumes) {
        paths.push_back(v.path);
    }
    return paths;
}

TEST(VolumeServiceOrder, RootFirstThenNamesInFileListOrder) {
    const std::vector<VolumeInfo> volumes = VolumeService::orderedVolumes({
        record("/media/b10", "Backup 10"),
        record("/media/zz", "zzz"),
        record("/media/b9", "Backup 9"),
        record("/", "Zuletzt"),  // the root comes first whatever its name
        record("/media/aepfel", "Äpfel"),
        record("/media/apfel-gross", "APFEL"),
        record("/media/birne", "birne"),
    });
    EXPECT_EQ(pathsOf(volumes),
              (std::vector<std::string>{"/", "/media/apfel-gross", "/media/aepfel", "/media/b9",
                                        "/media/b10", "/media/birne", "/media/zz"}));
}

TEST(VolumeServiceOrder, EqualNamesKeepThePlatformsOrder) {
    const std::vector<VolumeInfo> volumes = VolumeService::orderedVolumes({
        record("/mnt/second", "Daten"),
        record("/mnt/first", "Daten"),
        record("/mnt/third", "Daten"),
    });
    EXPECT_EQ(pathsOf(volumes),
              (std::vector<std::string>{"/mnt/second", "/mnt/first", "/mnt/third"}));
}

TEST(VolumeServiceOrder, NaturalCompare) {
    const auto less = [](std::string_view a, std::string_view b) {
        return VolumeService::localizedStandardCompare(a, b) < 0 &&
               VolumeService::localizedStandardCompare(b, a) > 0;
    };
    EXPECT_TRUE(less("Disk 9", "Disk 10"));
    EXPECT_TRUE(less("Disk 9b", "Disk 10a"));
    EXPECT_TRUE(less("a2b", "a02c"));     // leading zeros do not count at first
    EXPECT_TRUE(less("a2", "a02"));       // but decide between otherwise equal names
    EXPECT_TRUE(less("apfel", "Apfel"));  // lower case first when nothing else differs
    EXPECT_TRUE(less("Apfel", "birne"));  // case ignored at first
    EXPECT_TRUE(less("Äpfel", "Birne"));
    EXPECT_TRUE(less("Apfel", "Äpfel"));
    EXPECT_TRUE(less("Öl", "Pfeffer"));
    EXPECT_TRUE(less("Strasse", "Straße"));
    EXPECT_TRUE(less("Straße", "Strassen"));
    EXPECT_TRUE(less("Disk 1", "Disk1"));  // space before digits
    EXPECT_TRUE(less("Disk 99", "Diska"));
    EXPECT_TRUE(less("Disk", "Disk 2"));
    EXPECT_TRUE(less("zebra", std::string("\xff")));  // invalid UTF-8 after letters
    EXPECT_EQ(VolumeService::localizedStandardCompare("Daten", "Daten"), 0);
}

TEST(VolumeServiceFilter, CapacityAndBrowsability) {
    VolumeRecord hidden = record("/mnt/hidden", "Versteckt");
    hidden.browsable = false;
    VolumeRecord browsableMissing = record("/mnt/shown", "Sichtbar");
    VolumeRecord noTotal = record("/mnt/nototal", "Ohne");
    noTotal.total.reset();
    const std::vector<VolumeInfo> volumes = VolumeService::orderedVolumes({
        record("/mnt/empty", "Leer", 0, 0),
        record("/mnt/negative", "Negativ", -1, 0),
        hidden,
        noTotal,
        browsableMissing,
    });
    EXPECT_EQ(pathsOf(volumes), (std::vector<std::string>{"/mnt/shown"}));
}

TEST(VolumeServiceFields, FreeSpaceNamesAndFlags) {
    VolumeRecord importantZero = record("/mnt/a", "A", 10'000'000'000, 5'000'000'000);
    importantZero.availableImportant = 0;
    VolumeRecord importantWins = record("/mnt/b", "B", 10'000'000'000, 1'000'000'000);
    importantWins.availableImportant = 3'000'000'000;
    VolumeRecord noFree = record("/mnt/c", "C", 800, 0);
    noFree.available.reset();
    VolumeRecord overfull = record("/mnt/d", "D", 1000, 1500);
    VolumeRecord unnamed;
    unnamed.path = "/mnt/e-stick/";
    unnamed.total = 100;
    unnamed.removable = true;
    VolumeRecord plainName = record("/mnt/f", "");
    plainName.localizedName.reset();
    plainName.volumeName = "F-Label";
    plainName.internal = true;

    const std::vector<VolumeInfo> volumes = VolumeService::orderedVolumes(
        {importantZero, importantWins, noFree, overfull, unnamed, plainName});
    ASSERT_EQ(volumes.size(), 6u);
    EXPECT_EQ(volumes[0].available, 5'000'000'000);
    EXPECT_EQ(volumes[1].available, 3'000'000'000);
    EXPECT_EQ(volumes[2].available, 0);
    EXPECT_EQ(volumes[2].used(), 800);
    EXPECT_DOUBLE_EQ(volumes[2].fraction(), 1.0);
    EXPECT_EQ(volumes[3].used(), 0);
    EXPECT_DOUBLE_EQ(volumes[3].fraction(), 0.0);
    EXPECT_EQ(volumes[4].name, "e-stick");
    EXPECT_TRUE(volumes[4].isRemovable);
    EXPECT_FALSE(volumes[4].isInternal);
    EXPECT_EQ(volumes[5].name, "F-Label");
    EXPECT_TRUE(volumes[5].isInternal);
    EXPECT_FALSE(volumes[5].isRemovable);

    VolumeRecord root;
    root.path = "/";
    root.total = 1;
    EXPECT_EQ(VolumeService::orderedVolumes({root}).at(0).name, "/");
}

}  // namespace
}  // namespace raumfuchs
