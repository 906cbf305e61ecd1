#include "core/scan/DirWalker.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "support/InjectingFileSystem.h"
#include "support/TempTree.h"

namespace raumfuchs {
namespace {

using test::InjectingFileSystem;
using test::listing;
using test::TempTree;

// One walk entry as text: kind, level and name, e.g. "D1 a", "DP0 /tmp/x".
std::string describe(const WalkEntry& e) {
    static const char* const kinds[] = {"?",   "D", "DC",   "DEFAULT", "DNR",  "DOT", "DP",
                                        "ERR", "F", "INIT", "NS",      "NSOK", "SL",  "SLNONE"};
    return std::string(kinds[static_cast<int>(e.info)]) + std::to_string(e.level) + " " +
           std::string(e.name);
}

TEST(DirWalkerTest, YieldsPreOrderListingOrderPostOrderPathsAndMarks) {
    TempTree t;
    t.folder("a");
    t.file("a/f1", 10);
    t.symlink("f1", "a/s");
    t.symlink("/nowhere/at/all", "a/dangling");
    t.folder("empty");
    ASSERT_EQ(mkfifo(t.path("fifo").c_str(), 0644), 0);
    t.file("top.txt");

    const std::string root = t.root() + "/";  // a trailing slash is not doubled in paths
    std::vector<std::string> expected{"D0 " + root};
    for (const std::string& name : listing(t.root())) {
        if (name == "a") {
            expected.push_back("D1 a");
            for (const std::string& inner : listing(t.path("a"))) {
                expected.push_back((inner == "f1" ? "F2 " : "SL2 ") + inner);
            }
            expected.push_back("DP1 a");
        } else if (name == "empty") {
            expected.push_back("D1 empty");
            expected.push_back("DP1 empty");
        } else {
            expected.push_back((name == "fifo" ? "DEFAULT1 " : "F1 ") + name);
        }
    }
    expected.push_back("DP0 " + root);

    DirWalker walker(root, {});
    std::vector<std::string> trace;
    while (const WalkEntry* e = walker.next()) {
        trace.push_back(describe(*e));
        const std::string folder = e->level == 2 ? "a/" : "";
        EXPECT_EQ(walker.path(), e->level == 0 ? root : t.path(folder + std::string(e->name)));
        // Only a folder's post-order visit sees the mark set at its pre-order visit.
        EXPECT_EQ(walker.mark(), e->info == EntryInfo::DirectoryDone) << walker.path();
        walker.setMark(e->info == EntryInfo::Directory);
    }
    EXPECT_EQ(trace, expected);
    EXPECT_EQ(walker.next(), nullptr);
    EXPECT_EQ(walker.openDescriptors(), 0u);
}

TEST(DirWalkerTest, NeverReopensAFolderThatWasReplacedMeanwhile) {
    // With two descriptors, "top"'s is given up below top/x/b1; when the walk
    // needs it again for the other side, "top" has been swapped for a new
    // folder, which must not be walked in its place.
    TempTree t;
    for (const char* side : {"a", "z"}) {
        for (const char* leaf : {"b1", "b2"}) {
            t.file("top/" + std::string(side) + "/" + leaf + "/deep");
        }
    }
    DirWalker walker(t.root(), {.maxOpenDirectories = 2});
    std::vector<std::string> trace;
    std::string other;
    while (const WalkEntry* e = walker.next()) {
        trace.push_back(describe(*e));
        if (e->name == "deep" && other.empty()) {
            other = walker.path().find("/top/a/") != std::string::npos ? "z" : "a";
            ASSERT_EQ(rename(t.path("top").c_str(), t.path("old").c_str()), 0);
            t.file("top/" + other + "/intruder");
        }
    }
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "DNR2 " + other), 1);
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "F4 deep"), 2) << "the first side, whole";
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "F3 intruder"), 0);
    EXPECT_EQ(walker.openDescriptors(), 0u);
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

TEST(DirWalkerTest, GivesTheSameEntriesWithAnyThreadCount) {
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

}  // namespace
}  // namespace raumfuchs
