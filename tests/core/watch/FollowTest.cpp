#include <grp.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "core/scan/DiskScanner.h"
#include "core/watch/ChangeBatch.h"
#include "core/watch/FanotifySource.h"
#include "core/watch/InotifySource.h"
#include "core/watch/WatchBudget.h"
#include "core/watch/WatchLoop.h"
#include "core/watch/WatchSources.h"
#include "support/HandTree.h"
#include "support/ScopedMount.h"
#include "support/TempTree.h"
#include "support/TreeCompare.h"

namespace raumfuchs {
namespace {

using test::TempTree;

ScanResult scan(const std::string& path) {
    const CancelToken token;
    std::optional<ScanResult> result = DiskScanner::scanWith(path, "Wurzel", token, {}, {});
    if (!result) {
        throw std::runtime_error("cannot scan " + path);
    }
    return std::move(*result);
}

// A watcher on a thread of its own, as the app runs it; settle() asks it for
// what it saw so far and puts that into the tree the way the app does.
class Follower {
  public:
    Follower(std::unique_ptr<WatchSource> source, const std::string& root)
        : loop_(std::move(source), RootPaths{root, root}, 0.05), thread_([this] {
              loop_.run([this](WatchNews news) {
                  std::lock_guard lock(mutex_);
                  news_.push_back(std::move(news));
                  arrived_.notify_all();
              });
          }) {}
    ~Follower() {
        loop_.stop();
        thread_.join();
    }

    // Waits for the news up to now; false when the watcher did not answer.
    bool gather(WatchNews& all) {
        const std::uint64_t asked = ++flushes_;
        loop_.flush();
        std::unique_lock lock(mutex_);
        const bool answered = arrived_.wait_for(lock, std::chrono::seconds(20), [&] {
            return !news_.empty() && (news_.back().flushed >= asked || news_.back().rootGone);
        });
        for (WatchNews& news : news_) {
            all.changes.insert(all.changes.end(), news.changes.begin(), news.changes.end());
            all.overflow = all.overflow || news.overflow;
            all.rootGone = all.rootGone || news.rootGone;
            all.coverage = news.coverage;
        }
        news_.clear();
        return answered;
    }

    // Puts what changed into `tree`.
    void settle(FileTree& tree, const std::string& root) {
        WatchNews news;
        EXPECT_TRUE(gather(news));
        const CancelToken token;
        std::optional<ChangeBatch> batch =
            ChangeBatch::read(tree, root, news.changes, tree.generation(), token, {});
        EXPECT_TRUE(batch);
        if (batch) {
            tree.splice(batch->splices, batch->resizes, batch->links);
        }
    }

  private:
    WatchLoop loop_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<WatchNews> news_;
    std::uint64_t flushes_ = 0;
    std::thread thread_;
};

// Runs `steps` in a child process that is the ordinary user `user` for good,
// as a program that user started, and waits for it. What the child cannot do
// itself it asks of this process with a byte, which `serve` gets. Failures
// and skips in the child are this test's.
void asUserInChild(uid_t user, const std::function<void(const std::function<void(char)>&)>& steps,
                   const std::function<void(char)>& serve = {}) {
    int up[2];
    int down[2];
    ASSERT_EQ(::pipe(up) | ::pipe(down), 0);
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const bool dropped = ::setgroups(0, nullptr) == 0 && ::setresgid(user, user, user) == 0 &&
                             ::setresuid(user, user, user) == 0 && ::prctl(PR_SET_DUMPABLE, 1) == 0;
        try {
            if (!dropped) {
                std::printf("cannot become user %u: %s\n", user, std::strerror(errno));
            } else {
                steps([&](char request) {
                    EXPECT_TRUE(::write(up[1], &request, 1) == 1 &&
                                ::read(down[0], &request, 1) == 1);
                });
            }
        } catch (const std::exception& error) {
            ADD_FAILURE() << error.what();
        }
        std::fflush(stdout);
        ::_exit(::testing::Test::HasFailure()              ? 1
                : !dropped || ::testing::Test::IsSkipped() ? 2
                                                           : 0);
    }
    ::close(up[1]);
    ::close(down[0]);
    char request = 0;
    while (::read(up[0], &request, 1) == 1) {
        serve(request);
        EXPECT_EQ(::write(down[1], &request, 1), 1);
    }
    ::close(up[0]);
    ::close(down[1]);
    int status = -1;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 1) << "the child failed, see above";
    if (WEXITSTATUS(status) == 2) {
        GTEST_SKIP() << "the child as user " << user << " was refused, see above";
    }
}

// Every kind of change, followed by `way` on a file system of `kind`; after
// each, the tree equals a fresh scan node by node, and folders that stayed
// keep their place in the tree. "nobody" is the program's own choice for an
// ordinary user, who owns the tree: inotify, since fanotify needs root.
void followEveryChange(const std::string& kind, const std::string& way) {
    SCOPED_TRACE(way + " on " + kind);
    TempTree dir;
    dir.folder("fs");
    test::ScopedMount mount = kind == "tmpfs"
                                  ? test::ScopedMount::tmpfs(dir.path("fs"))
                                  : test::ScopedMount::ext4(dir.path("img"), dir.path("fs"));
    if (!mount.mounted()) {
        GTEST_SKIP() << mount.failed();
    }
    // The scanned folder, and one beside it on the same file system.
    const std::string root = dir.path("fs/t");
    const std::string outside = dir.path("fs/aussen");
    std::filesystem::create_directories(outside + "/hinein");
    std::ofstream(outside + "/hinein/f") << std::string(3000, 'x');
    const auto at = [&](const std::string& relative) { return root + "/" + relative; };
    const auto write = [&](const std::string& relative, std::size_t bytes) {
        std::filesystem::create_directories(std::filesystem::path(at(relative)).parent_path());
        std::ofstream(at(relative), std::ios::binary) << std::string(bytes, 'x');
    };
    write("a/x", 5000);
    write("a/sub/y", 9000);
    write("b/z", 20'000);
    write("weg/deep/w", 7000);
    const bool dropped = way == "nobody";
    if (dropped) {
        test::commandOutput("chmod 755 '" + dir.path() + "'; chown -R 65534:65534 '" +
                            dir.path("fs") + "'");
    }
    // Mounts below the tree are made by root, for the child too.
    test::ScopedMount below;
    const auto mountBelow = [&](char on) {
        below = on ? test::ScopedMount::tmpfs(at("b/mnt")) : test::ScopedMount();
        EXPECT_EQ(below.mounted(), on != 0) << below.failed();
    };
    const auto follow = [&](const std::function<void(char)>& setMount) {
        ScanResult scanned = scan(root);
        FileTree& tree = scanned.root.tree();

        std::unique_ptr<WatchSource> source;
        if (dropped) {
            source = openWatchSource(tree, 0, RootPaths{root, root}, scanned.enteredMounts);
            ASSERT_TRUE(source);
            ASSERT_EQ(source->coverage().way, WatchCoverage::Way::Folders);
        } else if (way == "fanotify") {
            source = FanotifySource::open(RootPaths{root, root}, scanned.enteredMounts);
            if (!source) {
                GTEST_SKIP() << "fanotify refused on " << kind;
            }
        } else {
            std::size_t total = 0;
            const auto folders = foldersToWatch(tree, 0, 1000, total);
            ASSERT_TRUE(folders);
            source = InotifySource::open(RootPaths{root, root}, *folders, total, 1000);
            ASSERT_TRUE(source);
        }
        Follower follower(std::move(source), root);
        const FileNode sub = test::nodeAt(scanned.root, "a/sub");
        const auto settled = [&](const std::string& step) {
            follower.settle(tree, root);
            EXPECT_EQ(test::treeDifference(scan(root).root, scanned.root, {.byName = true}), "")
                << step;
        };

        write("a/neu", 12'000);
        std::ofstream(at("a/x"), std::ios::app) << std::string(40'000, 'y');
        std::filesystem::resize_file(at("b/z"), 0);
        settled("created, appended to, truncated");
        EXPECT_TRUE(test::nodeAt(scanned.root, "a/sub") == sub)
            << "a folder kept stays the same node";

        std::filesystem::remove(at("a/neu"));
        std::filesystem::create_directories(at("a/k1/k2/k3/k4"));
        write("a/k1/k2/k3/k4/tief", 4000);
        std::filesystem::remove_all(at("weg"));
        settled("removed, mkdir -p, rm -r");

        std::filesystem::rename(at("a/sub"), at("b/sub"));
        std::filesystem::rename(at("b/z"), at("a/z"));
        std::filesystem::rename(outside + "/hinein", at("hinein"));
        write("b/sub/später", 6000);  // in the moved folder, after the move
        settled("moved within and in from outside");
        std::filesystem::rename(at("hinein"), outside + "/hinaus");
        settled("moved out");

        // A link between a folder read again and one that did not change: the
        // file is counted once, at the link a walk meets first.
        ASSERT_EQ(::link(at("a/x").c_str(), at("b/link").c_str()), 0);
        settled("hard link added");

        // A file system mounted below: what it holds comes in.
        std::filesystem::create_directories(at("b/mnt"));
        setMount(1);
        write("b/mnt/drin", 8000);
        settled("mounted below");
        setMount(0);

        // The scanned folder removed: the watcher says so and ends.
        std::filesystem::remove_all(root);
        WatchNews last;
        follower.gather(last);
        EXPECT_TRUE(last.rootGone);
    };
    if (dropped) {
        asUserInChild(65534, follow, mountBelow);
    } else {
        follow(mountBelow);
    }
}

TEST(FollowTest, TheTreeEqualsAFreshScanAfterEveryChangeTheWatcherSaw) {
    for (const char* kind : {"tmpfs", "ext4"}) {
        for (const char* way : {"fanotify", "inotify", "nobody"}) {
            followEveryChange(kind, way);
        }
    }
}

TEST(FollowTest, TheBudgetKeepsToTheLowerLimitOfAUserNamespace) {
    // A user namespace (a container) may hold its users to a lower limit
    // than the system's; the kernel keeps to the lower one, and so must the
    // budget. A user of its own, so that no other test's watches count.
    asUserInChild(65533, [](const auto&) {
        if (::unshare(CLONE_NEWUSER) != 0 ||
            !(std::ofstream("/proc/self/uid_map") << "65533 65533 1" << std::flush) ||
            !(std::ofstream("/proc/sys/user/max_inotify_watches") << "40" << std::flush)) {
            GTEST_SKIP() << "no user namespace with a limit of its own: " << std::strerror(errno);
        }
        EXPECT_EQ(inotifyBudget(), 10u);
    });
}

TEST(FollowTest, InotifyKeepsToItsBudgetShownFolderFirstAndTellsOfALostQueue) {
    TempTree dir;
    dir.file("a/a1/f", 100);
    dir.file("a/a2/f", 100);
    dir.file("b/b1/f", 100);
    ScanResult scanned = scan(dir.path());
    const FileTree& tree = scanned.root.tree();
    const FileNode a = test::nodeAt(scanned.root, "a");
    std::size_t total = 0;
    const auto folders = foldersToWatch(tree, a.index(), 4, total);
    ASSERT_TRUE(folders);
    EXPECT_EQ(total, 6u);
    ASSERT_EQ(folders->size(), 4u);
    EXPECT_EQ(folders->front(), dir.path("a")) << "the shown folder's subtree first";
    EXPECT_EQ((*folders)[3], dir.path()) << "then the rest, from the top";

    // Each watch held counts against what the session may still take. Other
    // processes (tests running beside this one) take and give back watches
    // too: read again until no change of theirs fell between the readings.
    const RootPaths root{dir.path(), dir.path()};
    std::unique_ptr<InotifySource> source;
    std::size_t before = 0;
    std::size_t after = 0;
    for (int attempt = 0; attempt < 50 && (attempt == 0 || after + 4 != before); ++attempt) {
        source.reset();
        before = inotifyBudget();
        source = InotifySource::open(root, *folders, total, 4);
        ASSERT_TRUE(source);
        after = inotifyBudget();
    }
    EXPECT_EQ(after, before >= 4 ? before - 4 : 0);
    EXPECT_EQ(source->coverage(), (WatchCoverage{WatchCoverage::Way::Folders, 0, 4, 2}));
    Follower follower(std::move(source), dir.path());
    std::filesystem::create_directories(dir.path("a/a1/neu"));
    WatchNews news;
    ASSERT_TRUE(follower.gather(news));
    EXPECT_EQ(news.coverage.unfollowed, 3u) << "a new folder past the budget is not watched";

    // A lost queue is told. Its length is taken from the limit when the queue
    // is made.
    const std::string limit = "/proc/sys/fs/inotify/max_queued_events";
    const std::string saved = test::fileContents(limit);
    if (saved.empty() || !(std::ofstream(limit) << "8")) {
        GTEST_SKIP() << "cannot lower " << limit;
    }
    auto small = InotifySource::open(root, {dir.path("b")}, 1, 1);
    std::ofstream(limit) << saved;
    ASSERT_TRUE(small);
    // Written before anything reads the queue, so that it overflows whatever
    // the machine's speed.
    for (int i = 0; i < 50; ++i) {
        dir.file("b/f" + std::to_string(i), 10);
    }
    Follower overflowing(std::move(small), dir.path());
    WatchNews lost;
    ASSERT_TRUE(overflowing.gather(lost));
    EXPECT_TRUE(lost.overflow);
}

TEST(FollowTest, FanotifyTellsOfTheScannedFolderRemovedBeforeItsEventsAreRead) {
    TempTree dir;
    dir.folder("fs");
    test::ScopedMount mount = test::ScopedMount::tmpfs(dir.path("fs"));
    if (!mount.mounted()) {
        GTEST_SKIP() << mount.failed();
    }
    const std::string root = dir.path("fs/t");
    std::filesystem::create_directories(root + "/sub");
    std::ofstream(root + "/f") << "x";
    ScanResult scanned = scan(root);
    auto source = FanotifySource::open(RootPaths{root, root}, scanned.enteredMounts);
    if (!source) {
        GTEST_SKIP() << "fanotify refused";
    }
    // Its handle no longer leads to a path once it is gone.
    std::filesystem::remove_all(root);
    ChangeSet changes;
    source->read(changes);
    EXPECT_TRUE(changes.rootTouched);
}

}  // namespace
}  // namespace raumfuchs
