#include "core/system/VolumeService.h"

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

TEST(VolumeService, RootFirstThenNamesInFileListOrderOnlyBrowsableWithCapacityFreeSpaceAndFlags) {
    VolumeRecord hidden = record("/mnt/hidden", "Versteckt");
    hidden.browsable = false;
    VolumeRecord noTotal = record("/mnt/nototal", "Ohne");
    noTotal.total.reset();
    std::vector<std::string> paths;
    for (const VolumeInfo& v : VolumeService::orderedVolumes(
             {record("/media/b10", "Backup 10"), record("/media/zz", "zzz"),
              record("/media/d2", "Daten"), record("/media/b9", "Backup 9"), record("/", "Zuletzt"),
              record("/media/aepfel", "Äpfel"), record("/media/d1", "Daten"),
              record("/media/apfel-gross", "APFEL"), record("/media/birne", "birne"),
              record("/mnt/empty", "Leer", 0, 0), record("/mnt/negative", "Negativ", -1, 0), hidden,
              noTotal})) {
        paths.push_back(v.path);
    }
    // Equal names keep the platform's order.
    EXPECT_EQ(paths, (std::vector<std::string>{"/", "/media/apfel-gross", "/media/aepfel",
                                               "/media/b9", "/media/b10", "/media/birne",
                                               "/media/d2", "/media/d1", "/media/zz"}));

    VolumeRecord importantZero = record("/mnt/a", "A", 10'000'000'000, 5'000'000'000);
    importantZero.availableImportant = 0;
    VolumeRecord importantWins = record("/mnt/b", "B", 10'000'000'000, 1'000'000'000);
    importantWins.availableImportant = 3'000'000'000;
    VolumeRecord noFree = record("/mnt/c", "C", 800, 0);
    noFree.available.reset();
    const VolumeRecord overfull = record("/mnt/d", "D", 1000, 1500);
    VolumeRecord unnamed = record("/mnt/e-stick/", "", 100);
    unnamed.localizedName.reset();
    unnamed.removable = true;
    VolumeRecord label = unnamed;
    label.path = "/mnt/f";
    label.volumeName = "F-Label";
    label.removable.reset();
    label.internal = true;
    VolumeRecord root;
    root.path = "/";
    root.total = 1;

    const std::vector<VolumeInfo> v = VolumeService::orderedVolumes(
        {importantZero, importantWins, noFree, overfull, unnamed, label, root});
    ASSERT_EQ(v.size(), 7u);
    EXPECT_EQ(v[0].name, "/");
    EXPECT_EQ(v[1].available, 5'000'000'000);
    EXPECT_EQ(v[2].available, 3'000'000'000);
    EXPECT_DOUBLE_EQ(v[3].fraction(), 1.0);
    EXPECT_DOUBLE_EQ(v[4].fraction(), 0.0);
    EXPECT_EQ(v[5].name, "e-stick");
    EXPECT_TRUE(v[5].isRemovable && !v[5].isInternal);
    EXPECT_EQ(v[6].name, "F-Label");
    EXPECT_TRUE(v[6].isInternal && !v[6].isRemovable);
}

}  // namespace
}  // namespace raumfuchs
