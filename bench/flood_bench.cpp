// Copies a folder into a scanned tree while the result screen follows the
// disk, the way a user meets a `cp -r` into the folder on screen, and prints
// what following it costs: the longest stall of the main thread (batches put
// into the tree, chart and list redrawn), the batches applied, the CPU time of
// the copy and of this process over the same time (less what its main thread
// spends idling as long with the stall meter running), and how long after
// the copy's end the shown tree matched the disk. At the end the tree is set
// against a fresh scan of the folder, node by node.
//
//   flood_bench [SOURCE [PARENT]]
//
// SOURCE (copied with `cp -r`) defaults to /usr/share/doc, PARENT (where the
// temporary folder is made and removed again) to /tmp. As root the tree is
// followed by fanotify; RAUMFUCHS_WATCH=inotify follows it by inotify.

#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../tests/support/TreeCompare.h"
#include "app/AppModel.h"
#include "platform/LinuxDesktopServices.h"
#include "ui/result/ResultView.h"

#include "StallMeter.h"

extern char** environ;

using namespace raumfuchs;

namespace {

// Once the copy has ended, the tree has caught up when no batch came for this
// long: a folder's changes are gathered a second, batches start a second
// apart (see LiveSession), so a batch still owed comes well within it.
constexpr double kQuietSeconds = 3.0;
// A flood that has not settled by then is reported as such.
constexpr double kGiveUpSeconds = 300.0;

// Sleeps between events (processEvents with a time limit would spin the
// main thread, and its CPU time is what is measured); a timer wakes it at
// least every 50 ms to look at `done`.
void runUntil(const std::function<bool()>& done) {
    QTimer wake;
    wake.start(50);
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

double processCpu() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// CPU seconds of each running thread of this process, by thread id, with its
// name (the scheduler's own count, in nanoseconds).
struct ThreadTime {
    std::string name;
    double cpu = 0;
};
std::map<long, ThreadTime> threadTimes() {
    std::map<long, ThreadTime> times;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream stat(task.path() / "schedstat");
        std::ifstream comm(task.path() / "comm");
        double ns = 0;
        ThreadTime time;
        if (stat >> ns && std::getline(comm, time.name)) {
            time.cpu = ns / 1e9;
            times[std::stol(task.path().filename().native())] = time;
        }
    }
    return times;
}

// What one process spends, split by thread: the main thread, the threads
// running from before to after (the watcher's), and those that came and went
// (the batches read, other background work).
struct CpuSplit {
    double total = 0;
    double main = 0;
    double lasting = 0;
    double passing() const { return total - main - lasting; }
};

class CpuWindow {
  public:
    CpuWindow() : total_(processCpu()), threads_(threadTimes()) {}
    CpuSplit stop(std::vector<std::string>* lastingNames = nullptr) const {
        const std::map<long, ThreadTime> now = threadTimes();
        CpuSplit split{processCpu() - total_, 0, 0};
        const long self = ::gettid();
        for (const auto& [tid, before] : threads_) {
            const auto after = now.find(tid);
            if (after == now.end()) {
                continue;
            }
            const double spent = after->second.cpu - before.cpu;
            if (tid == self) {
                split.main = spent;
            } else {
                split.lasting += spent;
                if (lastingNames != nullptr) {
                    char line[96];
                    std::snprintf(line, sizeof line, "%s %.3f s", before.name.c_str(), spent);
                    lastingNames->push_back(line);
                }
            }
        }
        return split;
    }

  private:
    double total_;
    std::map<long, ThreadTime> threads_;
};

// The tree's totals after a batch, with the time it went in.
struct Sample {
    double at = 0;
    std::int64_t files = 0;
    std::int64_t bytes = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const std::string source = argc > 1 ? argv[1] : "/usr/share/doc";
    const std::string parent = argc > 2 ? argv[2] : "/tmp";
    if (!std::filesystem::is_directory(source)) {
        std::printf("no folder %s to copy, nothing measured\n", source.c_str());
        return 1;
    }
    std::string base = parent + "/raumfuchs-flood-XXXXXX";
    if (::mkdtemp(base.data()) == nullptr) {
        std::perror(base.c_str());
        return 1;
    }
    const std::string tree = base + "/tree";
    const std::string copy = tree + "/copy";
    std::filesystem::create_directory(tree);
    const auto cleanUp = [&base] {
        std::error_code ignored;
        std::filesystem::remove_all(base, ignored);
    };

    // The real desktop, except that nothing goes to the trash and the scans
    // are kept beside the tree rather than in the user's history.
    class KeepingServices : public LinuxDesktopServices {
      public:
        explicit KeepingServices(std::string history) : history_(std::move(history)) {}
        bool moveToTrash(const DesktopItem&) override { return true; }
        std::string historyFolder() override { return history_; }

      private:
        std::string history_;
    } services(base + "/history");
    AppModel model(services);
    model.setFollowingEnabled(true);
    model.startScan(ScanTarget{tree, QStringLiteral("flood"), std::nullopt});
    runUntil([&] { return model.phase() != Phase::Scanning; });
    auto view = std::make_unique<ResultView>(model);
    view->resize(1120, 720);
    view->show();
    QElapsedTimer setUp;
    setUp.start();
    runUntil([&] {
        return model.liveStatus().state != LiveStatus::State::Starting || setUp.elapsed() > 10'000;
    });
    const LiveStatus live = model.liveStatus();
    if (live.state != LiveStatus::State::Following) {
        std::printf("the scanned folder %s is not followed (state %d), nothing measured\n",
                    tree.c_str(), static_cast<int>(live.state));
        view.reset();
        model.backToStart();
        cleanUp();
        return 1;
    }
    std::printf("following %s by %s\n", tree.c_str(),
                live.coverage.way == WatchCoverage::Way::FileSystems ? "fanotify" : "inotify");

    StallMeter meter;
    QElapsedTimer clock;
    std::vector<Sample> samples;
    int refreshes = 0;
    QObject::connect(&model, &AppModel::treeRevisionChanged, [&] {
        samples.push_back({static_cast<double>(clock.nsecsElapsed()) / 1e9,
                           model.root().fileCount(), model.root().size()});
    });
    QObject::connect(&model, &AppModel::refreshingChanged,
                     [&] { refreshes += model.refreshingFolders().empty() ? 0 : 1; });

    // The copy, and what follows it until the tree is quiet.
    const CpuWindow cpu;
    clock.start();
    meter.start();
    std::vector<std::string> words{"cp", "-r", source, copy};
    std::vector<char*> args;
    for (std::string& word : words) {
        args.push_back(word.data());
    }
    args.push_back(nullptr);
    pid_t child = 0;
    if (const int error = ::posix_spawnp(&child, "cp", nullptr, nullptr, args.data(), environ);
        error != 0) {
        std::printf("cp could not be started: %s\n", std::strerror(error));
        cleanUp();
        return 1;
    }
    const int pidFd = static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
    if (pidFd < 0) {
        std::perror("pidfd_open");
        ::waitpid(child, nullptr, 0);
        cleanUp();
        return 1;
    }
    std::optional<double> copyEnd;
    rusage copyUsage{};
    int copyStatus = 0;
    QSocketNotifier ended(pidFd, QSocketNotifier::Read);
    QObject::connect(&ended, &QSocketNotifier::activated, [&] {
        ended.setEnabled(false);
        ::wait4(child, &copyStatus, 0, &copyUsage);
        copyEnd = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    });
    runUntil([&] {
        if (!copyEnd) {
            return false;
        }
        const double now = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        const double last = samples.empty() ? *copyEnd : std::max(*copyEnd, samples.back().at);
        return (now - last > kQuietSeconds && !model.liveStatus().applying &&
                model.refreshingFolders().empty()) ||
               now - *copyEnd > kGiveUpSeconds;
    });
    const double window = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const double stall = meter.stop();
    const double stallAt = meter.longestAt();
    std::vector<std::string> lastingNames;
    const CpuSplit spent = cpu.stop(&lastingNames);
    ::close(pidFd);

    // The same process idling as long, the stall meter's timer running.
    QElapsedTimer idle;
    const CpuWindow idleCpu;
    idle.start();
    meter.start();
    runUntil([&] { return static_cast<double>(idle.nsecsElapsed()) / 1e9 > window; });
    const double idleStall = meter.stop();
    const CpuSplit baseline = idleCpu.stop();

    // The disk as a fresh scan finds it.
    CancelToken token;
    const std::optional<ScanResult> fresh =
        DiskScanner::scan(tree, "flood", token, [](const ScanProgress&) {});
    const FileNode shown = model.root();
    const bool totalsEqual =
        fresh && fresh->root.fileCount() == shown.fileCount() && fresh->root.size() == shown.size();
    const std::string difference =
        fresh ? test::treeDifference(fresh->root, shown, {.byName = true}) : "no fresh scan";
    // From the copy's end until the tree last came to the fresh scan's totals.
    std::optional<double> matchedAt;
    for (auto it = samples.rbegin(); it != samples.rend(); ++it) {
        if (!fresh || it->files != fresh->root.fileCount() || it->bytes != fresh->root.size()) {
            break;
        }
        matchedAt = it->at;
    }

    const double copyCpu = seconds(copyUsage.ru_utime) + seconds(copyUsage.ru_stime);
    // The meter's timer runs on the main thread; the other threads' share of
    // the idle time is the watcher dropping other processes' events on the
    // marked file systems, which it pays during the copy as well.
    const CpuSplit net{spent.total - baseline.main, spent.main - baseline.main, spent.lasting};
    std::printf("copied %s: %lld entries, %lld files, %lld bytes (cp %s)\n", source.c_str(),
                fresh ? static_cast<long long>(fresh->root.tree().nodeCount() - 1) : -1LL,
                fresh ? static_cast<long long>(fresh->root.fileCount()) : -1LL,
                fresh ? static_cast<long long>(fresh->root.size()) : -1LL,
                WIFEXITED(copyStatus) && WEXITSTATUS(copyStatus) == 0 ? "succeeded" : "FAILED");
    std::printf("copy: %.2f s wall, %.3f s CPU (user %.3f, system %.3f)\n", copyEnd.value_or(-1),
                copyCpu, seconds(copyUsage.ru_utime), seconds(copyUsage.ru_stime));
    std::printf(
        "raumfuchs over %.2f s: %.3f s CPU (main thread %.3f, watcher %.3f, batch reads and "
        "other passing threads %.3f); idling as long: main thread %.3f s, other threads %.3f s\n",
        window, spent.total, spent.main, spent.lasting, spent.passing(), baseline.main,
        baseline.total - baseline.main);
    for (const std::string& name : lastingNames) {
        std::printf("  lasting thread %s\n", name.c_str());
    }
    std::printf(
        "raumfuchs less the idle main thread: %.3f s CPU (main %.3f, watcher %.3f, passing %.3f) = "
        "%.1f %% "
        "of the copy's; watcher and batch reads alone %.1f %%\n",
        net.total, net.main, net.lasting, net.passing(), 100 * net.total / copyCpu,
        100 * (net.lasting + net.passing()) / copyCpu);
    std::printf(
        "longest main-thread stall %.1f ms at %.2f s (idle loop alone %.1f ms); %zu batches "
        "applied, %d refreshes after lost events\n",
        stall, stallAt, idleStall, samples.size(), refreshes);
    if (matchedAt) {
        std::printf("shown tree matched %.2f s after the copy's end\n", *matchedAt - *copyEnd);
    } else {
        std::printf("shown tree did NOT match the disk's totals when it went quiet\n");
    }
    std::printf(
        "final tree: %lld files, %lld bytes; fresh scan: %lld files, %lld bytes; totals %s, "
        "node by node %s\n",
        static_cast<long long>(shown.fileCount()), static_cast<long long>(shown.size()),
        fresh ? static_cast<long long>(fresh->root.fileCount()) : -1LL,
        fresh ? static_cast<long long>(fresh->root.size()) : -1LL, totalsEqual ? "equal" : "DIFFER",
        difference.empty() ? "equal" : difference.c_str());

    view.reset();
    model.backToStart();
    runUntil([&] { return model.scansInFlight() == 0; });
    cleanUp();
    return totalsEqual && difference.empty() ? 0 : 2;
}
