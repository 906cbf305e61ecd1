#include "core/DirWalker.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/InjectingFileSystem.h"
#include "support/TempTree.h"

namespace raumfuchs {
namespace {

using test::InjectingFileSystem;
using test::TempTree;

// One walk entry as text: kind, level and name, e.g. "D1 a", "DP0 /tmp/x".
std::string describe(const WalkEntry& e) {
    static const char* const kinds[] = {"?",   "D", "DC",   "DEFAULT", "DNR",  "DOT", "DP",
                                        "ERR", "F", "INIT", "NS",      "NSOK", "SL",  "SLNONE"};
    return std::string(kinds[static_cast<int>(e.info)]) + std::to_string(e.level) + " " +
           std::string(e.name);
}

std::vector<std::string> walkAll(DirWalker& walker) {
    std::vector<std::string> trace;
    while (const WalkEntry* e = walker.next()) {
        trace.push_back(describe(*e));
    }
    return trace;
}

// Names of a folder in the order the file system lists them.
std::vector<std::string> listing(const std::string& path) {
    std::vector<std::string> names;
    DIR* dir = opendir(path.c_str());
    while (dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    closedir(dir);
    return names;
}

TEST(DirWalkerTest, YieldsPreOrderListingOrderAndPostOrder) {
    TempTree t;
    t.folder("a");
    t.file("a/f1", 10);
    t.symlink("f1", "a/s");
    t.symlink("/nowhere/at/all", "a/dangling");
    t.folder("empty");
    ASSERT_EQ(mkfifo(t.path("fifo").c_str(), 0644), 0);
    t.file("top.txt");

    std::vector<std::string> expected{"D0 " + t.root()};
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
    expected.push_back("DP0 " + t.root());

    DirWalker walker(t.root(), {});
    EXPECT_EQ(walkAll(walker), expected);
    EXPECT_EQ(walker.next(), nullptr);
    EXPECT_EQ(walker.openDescriptors(), 0u);

    // A file, a link or a missing path as the root is the only entry.
    DirWalker file(t.path("a/f1"), {});
    EXPECT_EQ(walkAll(file), std::vector<std::string>{"F0 " + t.path("a/f1")});
    DirWalker link(t.path("a/s"), {});
    EXPECT_EQ(walkAll(link), std::vector<std::string>{"SL0 " + t.path("a/s")});
    DirWalker missing(t.path("missing"), {});
    const WalkEntry* e = missing.next();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(describe(*e), "NS0 " + t.path("missing"));
    EXPECT_EQ(e->error, ENOENT);
    EXPECT_EQ(missing.next(), nullptr);
    DirWalker empty("", {});
    EXPECT_FALSE(empty.valid());
    EXPECT_EQ(empty.next(), nullptr);
}

TEST(DirWalkerTest, BuildsPathsAndKeepsMarksUntilPostOrder) {
    TempTree t;
    t.folder("a");
    t.folder("a/b");
    t.file("a/b/f");
    DirWalker walker(t.root() + "/", {});
    std::vector<std::string> paths;
    while (const WalkEntry* e = walker.next()) {
        if (e->info == EntryInfo::Directory) {
            walker.setMark(true);
        }
        if (e->info == EntryInfo::DirectoryDone) {
            EXPECT_TRUE(walker.mark()) << walker.path();
            walker.setMark(false);
        }
        paths.push_back(walker.path());
    }
    // A trailing slash on the root is not doubled.
    EXPECT_EQ(paths, (std::vector<std::string>{t.root() + "/", t.root() + "/a", t.root() + "/a/b",
                                               t.root() + "/a/b/f", t.root() + "/a/b",
                                               t.root() + "/a", t.root() + "/"}));
}

TEST(DirWalkerTest, ReportsInjectedFailuresAsEntries) {
    TempTree t;
    t.folder("locked");
    t.file("locked/hidden");
    t.file("secret");
    t.file("gone");
    t.folder("big");
    for (int i = 0; i < 60; ++i) {
        t.file("big/file" + std::to_string(i));
    }
    InjectingFileSystem fs;
    fs.unopenable = {"locked"};
    fs.statFails = {"secret"};
    fs.vanishes = {"gone"};
    fs.listingBreaks = {"big"};

    DirWalker walker(t.root(), {}, fs);
    std::vector<std::string> trace;
    int bigEntries = 0;
    while (const WalkEntry* e = walker.next()) {
        trace.push_back(describe(*e));
        if (e->level == 2 && walker.path().find("/big/") != std::string::npos) {
            ++bigEntries;
        }
        if (e->name == "secret") {
            EXPECT_EQ(e->error, EACCES);
            EXPECT_FALSE(e->hasStat);
        }
        if (e->name == "gone") {
            EXPECT_EQ(e->error, ENOENT);
        }
        if (e->name == "big" && e->info == EntryInfo::Unlistable) {
            EXPECT_EQ(e->error, EIO);
        }
    }
    const auto position = [&](const std::string& s) {
        return std::find(trace.begin(), trace.end(), s) - trace.begin();
    };
    // The unopenable folder comes back as DNR right after its pre-order visit.
    EXPECT_EQ(position("DNR1 locked"), position("D1 locked") + 1);
    EXPECT_EQ(position("DP1 locked"), static_cast<long>(trace.size()));
    EXPECT_EQ(position("F2 hidden"), static_cast<long>(trace.size()));
    EXPECT_LT(position("NS1 secret"), static_cast<long>(trace.size()));
    EXPECT_LT(position("NS1 gone"), static_cast<long>(trace.size()));
    // A listing that breaks off keeps what was read and ends unreadable.
    EXPECT_GT(bigEntries, 0);
    EXPECT_LT(bigEntries, 60);
    EXPECT_EQ(position("DNR1 big"), position("D1 big") + bigEntries + 1);
    EXPECT_EQ(position("DP1 big"), static_cast<long>(trace.size()));
    EXPECT_EQ(fs.openNow, 0);
}

TEST(DirWalkerTest, SkipsDevicesCyclesAndSkippedFolders) {
    TempTree t;
    t.folder("mnt");
    t.file("mnt/inside");
    t.folder("loop");
    t.file("loop/inside");
    t.folder("skipped");
    t.file("skipped/inside");
    InjectingFileSystem fs;
    fs.device = {{"mnt", 4242}};
    fs.sameAs = {{"loop", t.root()}};

    for (bool cross : {false, true}) {
        DirWalker walker(t.root(), {.crossDevices = cross}, fs);
        std::vector<std::string> trace;
        while (const WalkEntry* e = walker.next()) {
            trace.push_back(describe(*e));
            if (e->info == EntryInfo::Directory && e->name == "skipped") {
                walker.skip();
            }
        }
        const auto count = [&](const std::string& s) {
            return std::count(trace.begin(), trace.end(), s);
        };
        EXPECT_EQ(count("D1 mnt"), 1);
        EXPECT_EQ(count("DP1 mnt"), 1);
        EXPECT_EQ(count("F2 inside"), cross ? 1 : 0) << "only mnt/inside is ever listed";
        EXPECT_EQ(count("DC1 loop"), 1);
        EXPECT_EQ(count("DP1 loop"), 0);
        EXPECT_EQ(count("D1 skipped"), 1);
        EXPECT_EQ(count("DP1 skipped"), 1);
    }
}

TEST(DirWalkerTest, WalksChainsDeeperThanPathMaxWithFewDescriptors) {
    TempTree t;
    const int depth = 1300;  // 4 bytes a level: beyond PATH_MAX
    t.deepChain("", depth);

    InjectingFileSystem fs;
    DirWalker walker(t.root(), {.maxOpenDirectories = 8}, fs);
    std::size_t maxLevel = 0;
    std::string bottomPath;
    while (const WalkEntry* e = walker.next()) {
        maxLevel = std::max(maxLevel, e->level);
        if (e->name == "bottom") {
            EXPECT_EQ(e->info, EntryInfo::File);
            bottomPath = walker.path();
        }
    }
    EXPECT_EQ(maxLevel, static_cast<std::size_t>(depth + 1));
    EXPECT_GT(bottomPath.size(), static_cast<std::size_t>(PATH_MAX));
    EXPECT_EQ(bottomPath.substr(bottomPath.size() - 11), "/ddd/bottom");
    EXPECT_LE(fs.openPeak, 3);
    EXPECT_EQ(fs.openNow, 0);
}

TEST(DirWalkerTest, ReopensEvictedAncestorsThroughTheirNames) {
    // A comb: every level holds a folder that goes on and a leaf folder with
    // one file, so ancestors must be entered again after deeper levels.
    TempTree t;
    std::string level;
    const int depth = 60;
    for (int i = 0; i < depth; ++i) {
        t.folder(level + "leaf");
        t.file(level + "leaf/f");
        t.folder(level + "next");
        level += "next/";
    }
    InjectingFileSystem fs;
    DirWalker walker(t.root(), {.maxOpenDirectories = 4}, fs);
    int files = 0;
    int unlistable = 0;
    while (const WalkEntry* e = walker.next()) {
        files += e->info == EntryInfo::File ? 1 : 0;
        unlistable += e->info == EntryInfo::Unlistable ? 1 : 0;
    }
    EXPECT_EQ(files, depth);
    EXPECT_EQ(unlistable, 0);
    EXPECT_LE(fs.openPeak, 5);  // the bound, plus the one being opened
    EXPECT_EQ(fs.openNow, 0);
}

}  // namespace
}  // namespace raumfuchs
