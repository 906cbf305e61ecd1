#include "core/scan/DiskScanner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/scan/DirWalker.h"
#include "core/scan/FolderRescan.h"
#include "core/scan/RootPolicy.h"
#include "support/HandTree.h"
#include "support/HugeFolderFileSystem.h"
#include "support/InjectingFileSystem.h"
#include "support/ScopedMount.h"
#include "support/TempTree.h"
#include "support/TreeCompare.h"

namespace raumfuchs {
namespace {

using test::childNamed;
using test::commandOutput;
using test::InjectingFileSystem;
using test::nodeAt;
using test::ScopedMount;
using test::TempTree;

std::optional<ScanResult> scanTree(const std::string& path, const ScanSetup& setup = {},
                                   const CancelToken& token = CancelToken(),
                                   const ProgressCallback& progress = {}) {
    return DiskScanner::scanWith(path, "Anzeige", token, progress, setup);
}

// A consistent tree whose root totals equal those find reports on the same
// device: the blocks of each inode once, and every entry that is not a folder.
void expectLikeTheDisk(const FileNode& root) {
    EXPECT_EQ(test::treeFault(root), "");
    const std::string p = "'" + root.path() + "'";
    EXPECT_EQ(root.size(),
              std::stoll(commandOutput("find " + p + " -xdev -printf '%D:%i %b\\n' | sort -u | " +
                                       "awk '{s += $2} END {printf \"%.0f\", s * 512}'")));
    EXPECT_EQ(root.fileCount(),
              std::stoll(commandOutput("find " + p + " -xdev ! -type d | wc -l")));
}

// Scans `root` on `threads` threads, cancelling from the first progress
// report, with a clock that makes every checkpoint report; the reports made.
int cancelAtFirstReport(const std::string& root, InjectingFileSystem& fs, std::size_t threads) {
    CancelToken token;
    double now = 0;
    int reports = 0;
    EXPECT_FALSE(
        scanTree(root, {.fileSystem = &fs, .threads = threads, .clock = [&] { return now += 1.0; }},
                 token, [&](const ScanProgress&) {
                     ++reports;
                     token.cancel();
                 }));
    return reports;
}

TEST(DiskScannerTest, CountsHardLinksOnceAndScansFileLinkMissingAndUnlistableRoots) {
    TempTree t;
    for (const char* name : {"a", "b", "c", "c/d", "c/d/e", "empty"}) {
        t.folder(name);
    }
    t.file("a/data", 20000);
    t.hardLink("a/data", "b/link");      // a sibling folder
    t.hardLink("a/data", "c/d/e/deep");  // another depth
    t.file("c/d/small", 100);
    t.symlink("a/data", "s");
    t.symlink("/nowhere/at/all", "dangling");
    t.file("mit Leerzeichen und Grüße", 5000);
    const std::string invalid = "kaputt-\xff\xfe-\xc3(";
    t.file("c/" + invalid, 3000);

    const std::optional<ScanResult> result = scanTree(t.root());
    ASSERT_TRUE(result);
    const FileNode root = result->root;
    EXPECT_EQ(result->unreadableCount, 0);
    expectLikeTheDisk(root);  // the three links' bytes once, each link one file
    EXPECT_EQ(childNamed(root, "s").size(), t.allocated("s"));  // the link's own blocks
    EXPECT_EQ(childNamed(root, "empty").size(), t.allocated("empty"));
    // Names keep their exact bytes for paths; only the display name is decoded.
    const FileNode bad = nodeAt(root, "c/" + invalid);
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad.path(), t.path("c/" + invalid));
    EXPECT_EQ(bad.displayName(), "kaputt-\xEF\xBF\xBD\xEF\xBF\xBD-\xEF\xBF\xBD(");

    for (const char* name : {"a/data", "s"}) {  // a link is not followed
        const std::optional<ScanResult> single = scanTree(t.path(name));
        ASSERT_TRUE(single);
        EXPECT_FALSE(single->root.isDirectory());
        EXPECT_EQ(single->root.fileCount(), 1);
        EXPECT_EQ(single->root.size(), t.allocated(name));
    }
    EXPECT_TRUE(scanTree(t.path("missing")).value().rootUnreachable());
    EXPECT_FALSE(scanTree(""));
    // A folder that exists but cannot be listed is a result of its own.
    InjectingFileSystem fs;
    fs.unopenable = {"c"};
    const std::optional<ScanResult> locked = scanTree(t.path("c"), {.fileSystem = &fs});
    ASSERT_TRUE(locked);
    EXPECT_FALSE(locked->rootUnreachable());
    EXPECT_TRUE(locked->root.isDirectory() && locked->root.isUnreadable());
    EXPECT_EQ(locked->root.size(), t.allocated("c"));
    EXPECT_EQ(locked->unreadableCount, 1);
}

TEST(DiskScannerTest, ScansChainsDeeperThanPathMaxCombsAndHugeFoldersWithFewDescriptors) {
    TempTree t;
    // 1300 nested folders with a file at the bottom, made with openat: 4 bytes
    // a level, beyond PATH_MAX.
    t.folder("chain");
    std::string chain = "chain/";
    int fd = open(t.path("chain").c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < 1300; ++i, chain += "ddd/") {
        ASSERT_EQ(mkdirat(fd, "ddd", 0755), 0);
        const int next = openat(fd, "ddd", O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
    }
    close(openat(fd, "bottom", O_CREAT | O_WRONLY, 0644));
    close(fd);
    // A comb: every level holds a folder that goes on and a leaf folder with
    // one file, so evicted ancestors must be opened again through their names.
    std::string level = "comb/";
    for (int i = 0; i < 60; ++i) {
        t.file(level + "leaf/f");
        t.folder(level + "next");
        level += "next/";
    }
    // 100,000 names of two 8 KB files (a file takes at most 65,000 links):
    // each file's bytes count once.
    t.file("wide/0", 8000);
    t.file("wide/50000", 8000);
    const int wide = open(t.path("wide").c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 1; i < 100000; ++i) {
        if (i != 50000) {
            ASSERT_EQ(linkat(wide, i < 50000 ? "0" : "50000", wide, std::to_string(i).c_str(), 0),
                      0);
        }
    }
    close(wide);

    InjectingFileSystem fs;
    const std::optional<ScanResult> result =
        scanTree(t.root(), {.fileSystem = &fs, .maxOpenDirectories = 4, .threads = 1});
    ASSERT_TRUE(result);
    EXPECT_EQ(result->unreadableCount, 0);
    EXPECT_EQ(result->root.fileCount(), 100001 + 60);
    expectLikeTheDisk(result->root);
    EXPECT_LE(fs.openPeak, 5);  // the bound, plus the one being opened
    EXPECT_EQ(fs.openNow, 0);
    // A folder whose subfolders have all been entered gives up its descriptor:
    // a chain alone stays far below a generous bound.
    InjectingFileSystem chainFs;
    EXPECT_TRUE(
        scanTree(t.path("chain"), {.fileSystem = &chainFs, .maxOpenDirectories = 8, .threads = 1}));
    EXPECT_LE(chainFs.openPeak, 3);
    const FileNode wideNode = childNamed(result->root, "wide");
    EXPECT_EQ(wideNode.childCount(), 100000u);
    EXPECT_EQ(wideNode.child(1).size(), t.allocated("wide/0"));
    EXPECT_EQ(wideNode.child(2).size(), 0);

    const FileNode bottom = nodeAt(result->root, chain + "bottom");
    ASSERT_TRUE(bottom);
    EXPECT_EQ(bottom.path(), t.path(chain + "bottom"));
}

TEST(DiskScannerTest, CancelsAndReportsProgressOnlyAtCheckpoints) {
    TempTree small;
    small.file("only");
    TempTree t;  // 30 folders of 100 one-byte files: 3,061 walk entries
    for (int d = 0; d < 30; ++d) {
        for (int f = 0; f < 100; ++f) {
            t.file("d" + std::to_string(d) + "/f" + std::to_string(f), 1);
        }
    }
    CancelToken cancelled;
    cancelled.cancel();
    // Cancelled before it starts, a walk reads nothing below the scanned path.
    for (const TempTree* tree : {&small, &t}) {
        InjectingFileSystem fs;
        EXPECT_FALSE(scanTree(tree->root(), {.fileSystem = &fs}, cancelled));
        EXPECT_EQ(fs.stats, 1);
        EXPECT_TRUE(fs.opened.empty());
    }

    // Cancelled from the report at entry 1024: no folder is read after it.
    InjectingFileSystem lateFs;
    EXPECT_EQ(cancelAtFirstReport(t.root(), lateFs, 1), 1);
    EXPECT_LE(lateFs.stats, 1 + 30 + 11 * 100) << "went on past the cancel";

    // What the walk has met before its 1024th and 2048th entries.
    const auto text = [](const ScanProgress& p) {
        return std::to_string(p.files) + " files, " + std::to_string(p.bytes) + " bytes, " +
               p.currentPath;
    };
    std::vector<std::string> expected;
    DirWalker walker(t.root(), {});
    std::int64_t entries = 0;
    std::int64_t files = 0;
    while (const WalkEntry* e = walker.next()) {
        if (++entries % 1024 == 0) {
            expected.push_back(text({files, files * t.allocated("d0/f0"), walker.path()}));
        }
        files += e->info == EntryInfo::File ? 1 : 0;
    }
    ASSERT_EQ(expected.size(), 2u);
    // Exactly 0.1 s is not enough, 0.2 s since the start is; after a report the
    // next one waits for 0.1 s past that report. One clock read at the start and
    // per checkpoint (on one thread: a scan that chooses its threads also times
    // its listings).
    for (const auto& [clock, at] :
         {std::pair{std::vector{5.0, 5.1, 5.2}, 1}, std::pair{std::vector{5.0, 5.15, 5.2}, 0}}) {
        std::size_t next = 0;
        std::vector<std::string> reported;
        ScanSetup clocked{.threads = 1, .clock = [&] { return clock.at(next++); }};
        EXPECT_TRUE(scanTree(t.root(), clocked, CancelToken(),
                             [&](const ScanProgress& p) { reported.push_back(text(p)); }));
        EXPECT_EQ(next, clock.size());
        EXPECT_EQ(reported, std::vector{expected[at]});
    }
}

std::set<std::string> childNames(const FileNode& folder) {
    std::set<std::string> names;
    for (const FileNode& child : folder.children()) {
        names.emplace(child.nameBytes());
    }
    return names;
}

// Root mode on a temporary folder: exclusions by path, mount points by device
// change or by the mount table's choices, file-system types once per device.
class FakeRootPolicy : public LinuxRootPolicy {
  public:
    std::unordered_set<std::string> excluded;
    std::unordered_map<std::string, MountChoice> choices;
    std::map<std::string, std::optional<std::string>> types;
    mutable int typeQueries = 0;

    std::unordered_set<std::string> exclusions() const override { return excluded; }
    std::unordered_map<std::string, MountChoice> mountChoices(
        const std::string& /*scanRoot*/) const override {
        return choices;
    }
    std::optional<std::string> fileSystemType(const std::string& path) const override {
        ++typeQueries;
        const auto it = types.find(path);
        return it == types.end() ? std::nullopt : it->second;
    }
};

TEST(DiskScannerTest, RootModeLeavesOutExclusionsForeignVolumesAndSkippedMounts) {
    TempTree t;
    for (const char* name : {"proc", "vol1", "vol2", "vol3", "vol4", "bind", "bound", "home"}) {
        t.file(std::string(name) + "/inside", 4000);
    }
    t.folder("home/deeper");
    InjectingFileSystem fs;
    fs.device = {{"vol1", 777}, {"vol2", 777}, {"vol3", 888}, {"vol4", 999}};
    FakeRootPolicy policy;
    policy.excluded = {t.path("proc"), t.path("home/deeper/")};
    // clang-format off
    policy.choices = {{t.path("bind"), MountChoice::Skip}, {t.path("bound"), MountChoice::Enter},
                      {t.path("vol2"), MountChoice::Skip}};
    policy.types = {{t.path("vol1"), "ext4"}, {t.path("vol2"), "ext4"}, {t.path("vol3"), "tmpfs"},
                    {t.path("vol4"), std::nullopt}, {t.path("bound"), "tmpfs"}};
    // clang-format on

    const std::optional<ScanResult> result =
        scanTree(t.root(), {.rootPolicy = &policy, .fileSystem = &fs, .threads = 1});
    ASSERT_TRUE(result);
    const FileNode root = result->root;
    // Reading ahead on eight threads, no folder the walk leaves out is opened.
    InjectingFileSystem parallelFs;
    parallelFs.device = fs.device;
    FakeRootPolicy parallelPolicy = policy;
    const std::optional<ScanResult> parallel = scanTree(
        t.root(), {.rootPolicy = &parallelPolicy, .fileSystem = &parallelFs, .threads = 8});
    ASSERT_TRUE(parallel);
    EXPECT_EQ(test::treeDifference(root, parallel->root), "");
    for (const char* name : {"proc", "vol2", "vol3", "bind", "bound"}) {
        EXPECT_FALSE(parallelFs.opened.contains(name)) << name;
    }
    EXPECT_TRUE(parallelFs.opened.contains("deeper"));
    // Left out: "proc" by path, "vol3" a file system that is not entered, "bind"
    // by the table, "bound" (no device change) by its type, "vol2" (device 777
    // again) by the table. "vol4", of a type that cannot be read, is entered.
    EXPECT_EQ(childNames(root), (std::set<std::string>{"home", "vol1", "vol4"}));
    EXPECT_TRUE(nodeAt(root, "home/deeper")) << "no prefix matching";
    EXPECT_EQ(policy.typeQueries, 4) << "once per device";
    EXPECT_EQ(root.fileCount(), 3);  // vol1, vol4, home

    // Outside root mode, another device is a folder without children.
    const std::optional<ScanResult> plain = scanTree(t.root(), {.fileSystem = &fs});
    ASSERT_TRUE(plain);
    EXPECT_EQ(childNamed(plain->root, "vol1").childCount(), 0u);
    EXPECT_EQ(plain->root.fileCount(), 4);  // proc, bind, bound, home
}

// A real volume and two bind mounts of one of its folders, both met by the walk
// before the volume's own mount point: the volume is counted once, whole, and a
// tmpfs not at all, with any thread count, and the threads that read ahead
// open none of the mounts left out.
TEST(DiskScannerTest, RootModeEntersAVolumeThroughItsFullMountWhateverTheWalkMeetsFirst) {
    TempTree store;
    TempTree t;
    for (const char* name : {"x", "y", "z"}) {
        t.folder(name);
    }
    const std::vector<std::string> walkOrder = test::listing(t.root());
    t.file("w/deep/file", 3000);
    const std::string volumeAt = walkOrder.back();
    const ScopedMount volume = ScopedMount::ext4(store.path("image"), t.path(volumeAt), 16, "Band");
    if (!volume.failed().empty()) {
        GTEST_SKIP() << volume.failed();
    }
    t.file(volumeAt + "/big", 5 << 20);
    t.file(volumeAt + "/sub/data", 1 << 20);
    std::vector<ScopedMount> binds;
    for (const std::string& name : {walkOrder[0], walkOrder[1]}) {
        binds.push_back(ScopedMount::bind(t.path(volumeAt + "/sub"), t.path(name)));
        if (!binds.back().failed().empty()) {
            GTEST_SKIP() << binds.back().failed();
        }
    }

    const ScopedMount memory = ScopedMount::tmpfs(t.path("w/deep"));
    if (!memory.failed().empty()) {
        GTEST_SKIP() << memory.failed();
    }
    t.file("w/deep/in-memory", 3000);

    const LinuxRootPolicy policy;  // this process's real mount table
    // Unnamed, as a folder read again is.
    const auto rootScan = [&](std::size_t threads, FileSystemOps* fs) {
        return DiskScanner::scanWith(t.root(), "", CancelToken(), {},
                                     {.rootPolicy = &policy, .fileSystem = fs, .threads = threads});
    };
    const std::optional<ScanResult> result = rootScan(1, nullptr);
    ASSERT_TRUE(result);
    const FileNode whole = childNamed(result->root, volumeAt);
    ASSERT_TRUE(whole) << "the volume's own mount point is entered";
    expectLikeTheDisk(whole);
    EXPECT_GE(whole.size(), 6 << 20);
    EXPECT_EQ(result->root.fileCount(), 2);
    // Neither bind of the folder already counted.
    EXPECT_EQ(childNames(result->root), (std::set<std::string>{volumeAt, "w"}));
    const FileNode w = childNamed(result->root, "w");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.childCount(), 0u) << "a tmpfs is not entered";
    for (std::size_t threads : {2u, 8u}) {
        InjectingFileSystem fs;
        const std::optional<ScanResult> parallel = rootScan(threads, &fs);
        ASSERT_TRUE(parallel);
        EXPECT_EQ(test::treeDifference(result->root, parallel->root), "") << threads;
        EXPECT_GT(parallel->threads, 1u);
        for (const std::string& name : {walkOrder[0], walkOrder[1], std::string("deep")}) {
            EXPECT_FALSE(fs.opened.contains(name)) << name << " with " << threads << " threads";
        }
    }
    // Read again in root mode on eight threads, the folder comes back the same.
    const std::optional<FolderRescan> rescan = FolderRescan::run(
        result->root.tree(), result->root.index(), t.root(), t.root(),
        result->root.tree().generation(), CancelToken(), {.rootPolicy = &policy, .threads = 8});
    ASSERT_TRUE(rescan && rescan->fresh);
    EXPECT_EQ(test::treeDifference(result->root, rescan->fresh->root()), "");
}

TEST(DiskScannerTest, GivesTheSequentialTreeWithAnyThreadCount) {
    TempTree t;
    // Hard links in siblings, at other depths and in a folder of 12,000 entries,
    // whose stats several threads share, one of them failing.
    t.file("a/shared", 30000);
    t.folder("b/c");
    t.file("big/0", 9000);
    const int big = open(t.path("big").c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 1; i < 12000; ++i) {
        const std::string name = std::to_string(i);
        if (i % 100 == 0) {
            t.file("big/" + name, static_cast<std::size_t>(i));
        } else {
            ASSERT_EQ(linkat(big, i % 2 ? "0" : "../a/shared", big, name.c_str(), 0), 0);
        }
    }
    close(big);
    t.hardLink("a/shared", "b/c/deep");
    for (int d = 0; d < 20; ++d) {
        const std::string folder = "many/" + std::to_string(d);
        for (int f = 0; f < 40; ++f) {
            t.file(folder + "/f" + std::to_string(f), static_cast<std::size_t>(f * 300));
        }
        t.hardLink("big/0", folder + "/link");
    }
    t.file("locked/x", 10);
    t.folder("vanishing");
    t.file("many/3/unstatable", 10);

    const auto scanWith = [&](std::size_t threads) {
        InjectingFileSystem fs;
        fs.unopenable = {"locked", "vanishing"};
        fs.statFails = {"unstatable", "5555"};
        fs.listingBreaks = {"7"};
        auto result = scanTree(t.root(), {.fileSystem = &fs, .threads = threads});
        EXPECT_EQ(fs.openNow, 0) << threads;
        return result;
    };
    const std::optional<ScanResult> sequential = scanWith(1);
    ASSERT_TRUE(sequential);
    EXPECT_EQ(sequential->unreadableCount, 5);
    EXPECT_EQ(test::treeFault(sequential->root), "");
    // A failed stat leaves an empty placeholder, a listing that breaks off
    // keeps what was read.
    const FileNode unstatable = nodeAt(sequential->root, "many/3/unstatable");
    EXPECT_TRUE(unstatable.isUnreadable() && !unstatable.isDirectory());
    EXPECT_EQ(unstatable.size(), 0);
    const FileNode broken = nodeAt(sequential->root, "many/7");
    EXPECT_TRUE(broken.isUnreadable() && broken.childCount() > 0 && broken.childCount() < 41);
    for (std::size_t threads : {2u, 8u, 8u}) {
        const std::optional<ScanResult> parallel = scanWith(threads);
        ASSERT_TRUE(parallel);
        EXPECT_EQ(parallel->unreadableCount, sequential->unreadableCount);
        EXPECT_EQ(test::treeDifference(sequential->root, parallel->root), "");
    }
}

TEST(DiskScannerTest, CancelsOnEveryThreadWithinACheckpointOrAStatAndLeavesNoThread) {
    // 60 folders of 10 folders of 10 files: 6,660 entries to stat.
    TempTree t;
    for (int d = 0; d < 60; ++d) {
        for (int e = 0; e < 10; ++e) {
            const std::string folder = std::to_string(d) + "/" + std::to_string(e);
            for (int f = 0; f < 10; ++f) {
                t.file(folder + "/" + std::to_string(f));
            }
        }
    }
    // Sanitizer runtimes start a helper thread of their own with the first
    // thread created; let that happen before counting.
    std::thread([] {}).join();
    const std::size_t before = test::listing("/proc/self/task").size();
    InjectingFileSystem treeFs;
    EXPECT_EQ(cancelAtFirstReport(t.root(), treeFs, 8), 1);
    EXPECT_LT(treeFs.stats.load(), 5000) << "stopped within a checkpoint of the cancel";
    EXPECT_EQ(test::listing("/proc/self/task").size(), before);

    // A cancel while a folder of 1,000,000 entries is stat'ed, on one thread or
    // shared among several: every thread stops within a stat or two.
    constexpr std::size_t kCancelAt = 3000;
    for (std::size_t threads : {1u, 2u, 8u}) {
        CancelToken token;
        test::HugeFolderFileSystem fs(1'000'000);
        std::atomic<std::size_t> late{0};
        fs.onStat = [&](std::size_t count) {
            late += token.isCancelled() ? 1 : 0;
            if (count == kCancelAt) {
                token.cancel();
            }
        };
        EXPECT_FALSE(scanTree("/huge", {.fileSystem = &fs, .threads = threads}, token));
        // Each thread may be past its last look at the token when the cancel
        // comes, and make that one stat; none starts another. (Counted from
        // the cancel itself: the thread that cancels may be preempted between
        // its count and the cancel while the others go on.)
        EXPECT_LE(late.load(), threads) << threads;
    }
    // Not cancelled, the same folder is counted whole.
    test::HugeFolderFileSystem fs(5000);
    const std::optional<ScanResult> whole = scanTree("/huge", {.fileSystem = &fs, .threads = 2});
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->root.fileCount(), 5000);
    EXPECT_EQ(whole->root.size(), 5000 * 4096 + 4096);
}

TEST(DiskScannerTest, ThreadCountIsForcedByTheEnvironment) {
    const auto threadsWith = [](const char* value) {
        setenv("RAUMFUCHS_SCAN_THREADS", value, 1);
        const std::size_t threads = DiskScanner::forcedThreads();
        unsetenv("RAUMFUCHS_SCAN_THREADS");
        return threads;
    };
    EXPECT_EQ(threadsWith("3"), 3u);
    EXPECT_EQ(threadsWith("1000"), 64u);
    for (const char* ignored : {"0", "-2", "zwei", "4x", ""}) {
        EXPECT_EQ(threadsWith(ignored), 0u) << ignored;
    }
    EXPECT_EQ(DiskScanner::forcedThreads(), 0u);
}

TEST(DiskScannerTest, DefaultScanStaysOnOneThreadWhereListingsWaitMilliseconds) {
    TempTree t;
    // Enough folders for the governor to try every thread count several
    // times, so that one trial thrown off by a thread the machine held up
    // does not decide, each of four entries, so that every window reads as
    // much: 1,024 folders of four files under four levels of four folders.
    for (int leaf = 0; leaf < 1024; ++leaf) {
        std::string folder;
        for (int level = 4; level >= 0; --level) {
            folder += std::to_string(leaf >> (2 * level) & 3) + (level > 0 ? "/" : "");
        }
        for (int f = 0; f < 4; ++f) {
            t.file(folder + "/" + std::to_string(f), static_cast<std::size_t>(f * 100));
        }
    }
    const std::optional<ScanResult> sequential = scanTree(t.root(), {.threads = 1});
    ASSERT_TRUE(sequential);
    const auto threadsWithListingsOf = [&](double seconds) {
        InjectingFileSystem fs;
        fs.listingDelay = seconds;
        const std::optional<ScanResult> result =
            scanTree(t.root(), {.fileSystem = &fs, .clock = [&fs] { return fs.now(); }});
        EXPECT_TRUE(result);
        EXPECT_EQ(fs.openNow, 0);
        if (result) {
            EXPECT_EQ(test::treeDifference(sequential->root, result->root), "");
        }
        return result ? result->threads : 0;
    };
    const std::size_t cores = std::clamp(std::thread::hardware_concurrency(), 1u, 16u);
    // A disk that makes every folder wait 5 ms, one after the other: more
    // threads are tried and do not pay.
    EXPECT_EQ(threadsWithListingsOf(0.005), 1u);
    // The cache.
    EXPECT_EQ(threadsWithListingsOf(0), cores);
}

}  // namespace
}  // namespace raumfuchs
