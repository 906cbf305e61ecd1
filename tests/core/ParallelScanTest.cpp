#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "core/DirWalker.h"
#include "core/DiskScanner.h"
#include "support/HandTree.h"
#include "support/InjectingFileSystem.h"
#include "support/TempTree.h"

namespace raumfuchs {
namespace {

using test::expectSameTree;
using test::InjectingFileSystem;
using test::TempTree;

std::optional<ScanResult> scanTree(const std::string& path, const ScanSetup& setup,
                                   const CancelToken& token = CancelToken(),
                                   const ProgressCallback& progress = {}) {
    return DiskScanner::scanWith(path, "root", token, progress, setup);
}

int threadsOfProcess() {
    return static_cast<int>(test::listing("/proc/self/task").size());
}

TEST(ParallelScanTest, GivesTheSequentialTreeWithAnyThreadCount) {
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
    test::expectConsistent(sequential->root);
    // A failed stat leaves an empty placeholder, a listing that breaks off
    // keeps what was read.
    const FileNode unstatable = test::nodeAt(sequential->root, "many/3/unstatable");
    EXPECT_TRUE(unstatable.isUnreadable() && !unstatable.isDirectory());
    EXPECT_EQ(unstatable.size(), 0);
    const FileNode broken = test::nodeAt(sequential->root, "many/7");
    EXPECT_TRUE(broken.isUnreadable() && broken.childCount() > 0 && broken.childCount() < 41);
    for (std::size_t threads : {2u, 8u, 8u}) {
        const std::optional<ScanResult> parallel = scanWith(threads);
        ASSERT_TRUE(parallel);
        EXPECT_EQ(parallel->unreadableCount, sequential->unreadableCount);
        expectSameTree(sequential->root, parallel->root);
    }
}

// The walk's entries as text, kind, level and path, with `threads` threads.
std::vector<std::string> walkTrace(const std::string& root, std::size_t threads,
                                   InjectingFileSystem& fs, std::size_t maxOpen = 64) {
    DirWalker walker(root, {.maxOpenDirectories = maxOpen, .threads = threads}, fs);
    std::vector<std::string> trace;
    while (const WalkEntry* e = walker.next()) {
        trace.push_back(std::to_string(static_cast<int>(e->info)) + " " + std::to_string(e->level) +
                        " " + walker.path() + " " +
                        std::to_string(e->hasStat ? e->stat.blocks : -1));
        if (e->info == EntryInfo::Directory && e->name == "skipped") {
            walker.skip();
        }
    }
    return trace;
}

TEST(ParallelScanTest, WalkerGivesTheSameEntriesWithAnyThreadCount) {
    TempTree t;
    std::string level;
    for (int i = 0; i < 40; ++i) {  // a comb: evicted ancestors are opened again
        t.file(level + "leaf/f", 10);
        t.folder(level + "next");
        level += "next/";
    }
    for (const char* name : {"locked", "skipped", "broken", "other", "spare"}) {
        for (int f = 0; f < 40; ++f) {
            t.file(std::string(name) + "/f" + std::to_string(f), 100);
        }
    }
    t.folder("spare/inner");
    // A folder that is its own ancestor: read ahead by the workers (they cannot
    // tell), never entered by the walk.
    for (const char* name : {"spare/loop", "spare/loop/a", "spare/loop/a/b", "spare/loop/c"}) {
        t.file(std::string(name) + "/f", 10);
    }
    const auto injecting = [&](InjectingFileSystem& fs) -> InjectingFileSystem& {
        fs.unopenable = {"locked"};
        fs.statFails = {"f7"};
        fs.listingBreaks = {"broken"};
        fs.device = {{"other", 4242}};
        fs.sameAs = {{"loop", t.root()}};
        return fs;
    };
    InjectingFileSystem fs;
    const std::vector<std::string> sequential = walkTrace(t.root(), 1, injecting(fs), 4);
    ASSERT_GT(sequential.size(), 250u);
    const auto count = [&](const std::string& text, bool atStart) {
        return std::count_if(sequential.begin(), sequential.end(), [&](const std::string& line) {
            return atStart ? line.starts_with(text) : line.find(text) != std::string::npos;
        });
    };
    // A folder on another device and a skipped one come back at once as done;
    // a folder that is its own ancestor comes once, as a cycle. None is entered.
    for (const char* folder : {"other", "skipped"}) {
        EXPECT_EQ(count("1 1 " + t.path(folder) + " ", true), 1) << folder;
        EXPECT_EQ(count("6 1 " + t.path(folder) + " ", true), 1) << folder;
        EXPECT_EQ(count(t.path(folder) + "/", false), 0) << folder;
    }
    EXPECT_EQ(count("2 2 " + t.path("spare/loop") + " ", true), 1);
    EXPECT_EQ(count(t.path("spare/loop"), false), 1);  // the cycle entry alone
    for (std::size_t threads : {2u, 8u}) {
        InjectingFileSystem parallelFs;
        EXPECT_EQ(walkTrace(t.root(), threads, injecting(parallelFs), 4), sequential) << threads;
        // The walk's own, prepared folders' and batches' descriptors, and one
        // being opened by each thread.
        EXPECT_LE(parallelFs.openPeak, static_cast<int>(3 * 4 + threads)) << threads;
        EXPECT_EQ(parallelFs.openNow, 0);
    }
}

TEST(ParallelScanTest, CancelsWithEightThreadsAndLeavesNoThread) {
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
    const int before = threadsOfProcess();
    CancelToken token;
    double now = 0;
    int reports = 0;
    InjectingFileSystem fs;
    EXPECT_FALSE(scanTree(t.root(),
                          {.fileSystem = &fs, .threads = 8, .clock = [&] { return now += 1.0; }},
                          token, [&](const ScanProgress&) {
                              ++reports;
                              token.cancel();
                          }));
    EXPECT_EQ(reports, 1);
    EXPECT_LT(fs.stats.load(), 5000) << "stopped within a checkpoint of the cancel";
    EXPECT_EQ(threadsOfProcess(), before);
}

TEST(ParallelScanTest, ThreadCountIsForcedByTheEnvironment) {
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

TEST(ParallelScanTest, DefaultScanStaysOnOneThreadWhereListingsWaitMilliseconds) {
    TempTree t;
    // Enough folders for the governor to try every thread count, each of
    // four entries, so that every window reads as much: 256 folders of four
    // files under three levels of four folders.
    for (int leaf = 0; leaf < 256; ++leaf) {
        std::string folder;
        for (int level = 3; level >= 0; --level) {
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
            expectSameTree(sequential->root, result->root);
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
