// Refreshes one folder of a scanned tree through AppModel with a running event
// loop, alternating with full scans of the same tree, and prints the times
// side by side, the longest stall of the event loop during each refresh (the
// splice happens on the main thread) and whether the totals still match.
//
//   bench_ui_refresh [PATH [FOLDER [ROUNDS]]]
//
// PATH defaults to bench/tree below the working folder, FOLDER (relative to
// PATH) to d00, its first top folder (50,101 entries), ROUNDS to 3.

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "RunUntil.h"
#include "StallMeter.h"
#include "app/AppModel.h"
#include "core/scan/FolderRescan.h"
#include "platform/LinuxDesktopServices.h"

using namespace raumfuchs;

namespace {

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const std::string path = std::filesystem::absolute(argc > 1 ? argv[1] : "bench/tree").native();
    const std::string folderName = argc > 2 ? argv[2] : "d00";
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    if (!std::filesystem::is_directory(path + "/" + folderName)) {
        std::printf("no folder %s/%s, nothing measured\n", path.c_str(), folderName.c_str());
        return 0;
    }
    LinuxDesktopServices services;
    AppModel model(services);
    StallMeter meter;
    std::vector<double> scans;
    std::vector<double> refreshes;
    std::vector<double> stalls;
    std::vector<double> idles;
    std::vector<double> splices;
    std::vector<double> spliceCpu;
    std::size_t entries = 0;
    std::size_t fullEntries = 0;
    bool totalsMatch = true;
    for (int round = 1; round <= rounds; ++round) {
        QElapsedTimer wall;
        wall.start();
        model.startScan(ScanTarget{path, QStringLiteral("tree"), std::nullopt});
        runUntil([&] { return model.phase() != Phase::Scanning; });
        scans.push_back(static_cast<double>(wall.nsecsElapsed()) / 1e9);
        fullEntries = model.root().tree().nodeCount();
        const std::int64_t bytes = model.root().size();
        const std::int64_t files = model.root().fileCount();

        // What the loaded machine alone does to the event loop, for comparison.
        QElapsedTimer idle;
        idle.start();
        meter.start();
        runUntil([&] { return idle.elapsed() > 1000; });
        idles.push_back(meter.stop());

        FileNode folder = model.node(path + "/" + folderName);
        const std::size_t before = folder.tree().nodeCount();
        wall.restart();
        meter.start();
        model.refreshFolder(folder);
        runUntil([&] { return !model.isRefreshing(folder); });
        refreshes.push_back(static_cast<double>(wall.nsecsElapsed()) / 1e9);
        stalls.push_back(meter.stop());
        entries = folder.tree().nodeCount() - before + 1;
        totalsMatch =
            totalsMatch && model.root().size() == bytes && model.root().fileCount() == files;

        // The splice alone, on the main thread, timed by wall and by thread CPU.
        const CancelToken token;
        std::optional<FolderRescan> rescan = FolderRescan::run(
            folder.tree(), folder.index(), folder.path(), path, folder.tree().generation(), token);
        wall.restart();
        const double cpu = threadCpuMs();
        folder.tree().splice(folder.index(), rescan->fresh.get(), rescan->resizes);
        splices.push_back(static_cast<double>(wall.nsecsElapsed()) / 1e6);
        spliceCpu.push_back(threadCpuMs() - cpu);
        std::printf(
            "round %d: full scan %.3f s, refresh of %s %.3f s (%.3f of the scan), "
            "longest stall %.1f ms (idle loop alone %.1f ms); splice alone %.1f ms wall, "
            "%.1f ms CPU\n",
            round, scans.back(), folderName.c_str(), refreshes.back(),
            refreshes.back() / scans.back(), stalls.back(), idles.back(), splices.back(),
            spliceCpu.back());
    }
    std::printf(
        "medians of %d: full scan %.3f s (%zu entries), refresh %.3f s (%zu entries), "
        "ratio %.3f; longest stall %.1f ms (worst %.1f ms, idle loop %.1f ms); splice "
        "%.1f ms wall, %.1f ms CPU; totals after each refresh %s the full scan's\n",
        rounds, median(scans), fullEntries, median(refreshes), entries,
        median(refreshes) / median(scans), median(stalls),
        *std::max_element(stalls.begin(), stalls.end()), median(idles), median(splices),
        median(spliceCpu), totalsMatch ? "equal" : "DIFFER FROM");
    return 0;
}
