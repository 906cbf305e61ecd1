#include "core/scan/UnattributedSpace.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <algorithm>
#include <csignal>

#include "core/scan/DiskScanner.h"
#include "core/scan/RootPolicy.h"
#include "support/HandTree.h"
#include "support/InjectingFileSystem.h"
#include "support/ScopedMount.h"
#include "support/TempTree.h"

namespace raumfuchs {
namespace {

using test::ScopedMount;
using test::TempTree;

// A child process named "rf-halter" that keeps `fd` open until the object goes,
// or until the test process ends, whichever comes first.
class OpenHolder {
  public:
    explicit OpenHolder(int fd) : fd_(fd), pid_(fork()) {
        if (pid_ == 0) {
            prctl(PR_SET_NAME, "rf-halter");
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            pause();
            _exit(0);
        }
    }
    ~OpenHolder() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    std::string procLink() const {
        return "/proc/" + std::to_string(pid_) + "/fd/" + std::to_string(fd_);
    }

  private:
    int fd_;
    pid_t pid_;
};

std::int64_t superblockField(const std::string& image, const std::string& field) {
    return std::stoll(
        test::commandOutput("tune2fs -l '" + image + "' | sed -n 's/^" + field + ": *//p'"));
}

TEST(UnattributedSpaceTest, NamesEachPartOfWhatAVolumeScanCannotSee) {
    TempTree store;
    TempTree t;
    t.folder("vol");
    const ScopedMount volume = ScopedMount::ext4(store.path("vol.img"), t.path("vol"), 32);
    if (!volume.mounted()) {
        GTEST_SKIP() << volume.failed();
    }
    // Written into a folder before another volume is mounted over it.
    t.file("vol/cover/hidden", 1'000'000);
    const std::int64_t hidden = t.allocated("vol/cover/hidden");
    const ScopedMount cover = ScopedMount::ext4(store.path("cover.img"), t.path("vol/cover"), 32);
    ASSERT_TRUE(cover.mounted()) << cover.failed();
    // Deleted while a child process keeps it open.
    t.file("vol/deleted", 1'500'000);
    const std::int64_t deleted = t.allocated("vol/deleted");
    const int fd = open(t.path("vol/deleted").c_str(), O_RDONLY);
    const OpenHolder holder(fd);
    close(fd);
    unlink(t.path("vol/deleted").c_str());
    // A folder the scan cannot read.
    t.file("vol/locked/note", 100);
    const std::int64_t lockedContent = t.allocated("vol/locked/note");
    // Blocks of delayed allocation are counted as used.
    const auto syncVolume = [&](const std::string& relative) {
        const int folder = open(t.path(relative).c_str(), O_RDONLY | O_DIRECTORY);
        syncfs(folder);
        close(folder);
    };
    syncVolume("vol");

    test::InjectingFileSystem fileSystem;
    fileSystem.unopenable = {"locked"};
    const CancelToken token;
    const std::optional<ScanResult> scan =
        DiskScanner::scanWith(t.path("vol"), "vol", token, {}, {.fileSystem = &fileSystem});
    ASSERT_TRUE(scan);
    const std::optional<std::int64_t> used = volumeUsedBytes(t.path("vol"));
    ASSERT_TRUE(used);
    EXPECT_FALSE(volumeUsedBytes(t.path("vol/locked")));  // no mount point

    const UnattributedSpace space = measureUnattributedSpace(
        scan->enteredMounts, *used, scan->root.size(), scan->unreadableCount, &token);
    EXPECT_EQ(space.fileSystems, std::vector<std::string>{t.path("vol")});
    EXPECT_EQ(space.remainder, *used - scan->root.size());
    // The blocks reserved for root, and the kernel's 2 % (at most 4096 blocks)
    // kept for delayed allocation.
    const std::string image = store.path("vol.img");
    const std::int64_t blocks = superblockField(image, "Block count");
    EXPECT_EQ(space.reserved, (superblockField(image, "Reserved block count") +
                               std::min<std::int64_t>(blocks / 50, 4096)) *
                                  superblockField(image, "Block size"));
    EXPECT_EQ(space.deletedOpen.bytes, deleted);
    EXPECT_EQ(space.deletedOpen.files, 1);
    EXPECT_EQ(space.deletedOpen.holders, std::vector<std::string>{"rf-halter"});
    EXPECT_EQ(space.underMounts, hidden);
    EXPECT_TRUE(space.underMountsUnmeasured.empty());
    EXPECT_EQ(space.unreadableFolders, 1);
    // The unreadable folder's content is not explained away; the rest is
    // little more than that.
    EXPECT_GE(space.rest(), lockedContent);
    EXPECT_LE(space.rest() * 100, space.remainder);
    // Looking changed nothing: the cover is still mounted, the bytes are still used.
    EXPECT_EQ(volumeUsedBytes(t.path("vol")), used);
    EXPECT_FALSE(std::filesystem::exists(t.path("vol/cover/hidden")));

    // A scan in root mode enters the cover's file system too, and not a second
    // time through a bind of one of its folders. What the cover holds is
    // more than the rest of the volume: set against the volume's used bytes
    // alone, the remainder would be negative.
    t.file("vol/cover/inside", 12'000'000);
    t.folder("vol/cover/sub");
    t.folder("vol/again");
    const ScopedMount again = ScopedMount::bind(t.path("vol/cover/sub"), t.path("vol/again"));
    ASSERT_TRUE(again.mounted()) << again.failed();
    syncVolume("vol/cover");
    const LinuxRootPolicy policy;
    const std::optional<ScanResult> whole = DiskScanner::scanWith(
        t.path("vol"), "vol", token, {}, {.rootPolicy = &policy, .fileSystem = &fileSystem});
    ASSERT_TRUE(whole);
    ASSERT_GE(test::nodeAt(whole->root, "cover/inside").size(), 12'000'000);
    EXPECT_FALSE(test::nodeAt(whole->root, "again"));
    const std::optional<std::int64_t> coverUsed = volumeUsedBytes(t.path("vol/cover"));
    ASSERT_TRUE(coverUsed);
    ASSERT_LT(*used - whole->root.size(), 0);
    const UnattributedSpace both = measureUnattributedSpace(
        whole->enteredMounts, *used, whole->root.size(), whole->unreadableCount, &token);
    EXPECT_EQ(both.fileSystems, (std::vector<std::string>{t.path("vol"), t.path("vol/cover")}));
    EXPECT_EQ(both.used, *used + *coverUsed);
    EXPECT_EQ(both.remainder, both.used - whole->root.size());
    EXPECT_GT(both.remainder, 0);
    EXPECT_EQ(both.reserved, reservedBytes(t.path("vol")) + reservedBytes(t.path("vol/cover")));
    EXPECT_EQ(both.deletedOpen.bytes, deleted);
    EXPECT_EQ(both.underMounts, hidden);  // the cover hides nothing of its own
    EXPECT_GE(both.rest(), lockedContent);
    EXPECT_LE(both.rest() * 100, both.remainder);

    // A process whose descriptors cannot be listed is unknown, not empty; one
    // that can be is read through its links.
    TempTree proc;
    proc.file("4242/fd");  // not a folder: listing it fails
    proc.file("4242/comm");
    proc.folder("4343/fd");
    proc.symlink(holder.procLink(), "4343/fd/7");
    std::ofstream(proc.path("4343/comm")) << "kopie\n";
    proc.folder("self/fd");
    struct stat st {};
    ASSERT_EQ(stat(t.path("vol").c_str(), &st), 0);
    const DeletedOpenFiles seen = findDeletedOpenFiles({st.st_dev}, proc.path());
    EXPECT_EQ(seen.uninspectedProcesses, 1);
    EXPECT_EQ(seen.bytes, deleted);
    EXPECT_EQ(seen.holders, std::vector<std::string>{"kopie"});
}

}  // namespace
}  // namespace raumfuchs
