// Drives a scan through AppModel with a running event loop, the way the window
// does, and prints what the main thread saw: progress signals, the longest
// stall of the event loop, the totals of the result, and the cost of the main-
// thread operations that follow (path look-up, trashing a folder, the largest
// files in the background).
//
//   bench_ui_model [PATH]     PATH defaults to bench/tree below the working folder
//
// Compare the totals with `raumfuchs-scan --json PATH`.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "app/AppModel.h"
#include "app/LargestFilesLoader.h"
#include "platform/LinuxDesktopServices.h"

#include "RunUntil.h"
#include "StallMeter.h"

using namespace raumfuchs;

namespace {}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const std::string path = std::filesystem::absolute(argc > 1 ? argv[1] : "bench/tree").native();
    if (!std::filesystem::is_directory(path)) {
        std::printf("no tree at %s, nothing measured\n", path.c_str());
        return 0;
    }
    // The real desktop, except that nothing is ever moved to the trash here.
    class KeepingServices : public LinuxDesktopServices {
      public:
        bool moveToTrash(const DesktopItem&) override { return true; }
    } services;
    AppModel model(services);
    StallMeter meter;
    int progressSignals = 0;
    QObject::connect(&model, &AppModel::progressChanged, [&] { ++progressSignals; });

    // The scanner alone, called directly without the model, for comparison.
    {
        CancelToken token;
        const auto direct = DiskScanner::scan(path, "tree", token, [](const ScanProgress&) {});
        std::printf("scanner alone: %.2f s, %lld bytes, %lld files\n",
                    direct ? direct->duration : -1.0,
                    direct ? static_cast<long long>(direct->root.size()) : -1LL,
                    direct ? static_cast<long long>(direct->root.fileCount()) : -1LL);
    }

    // What the machine alone does to the event loop, for comparison.
    {
        QElapsedTimer idle;
        idle.start();
        meter.start();
        runUntil([&] { return idle.elapsed() > 3000; });
        std::printf("idle event loop, 3 s: longest stall %.1f ms\n", meter.stop());
    }

    for (int round = 1; round <= 2; ++round) {
        progressSignals = 0;
        QElapsedTimer wall;
        wall.start();
        meter.start();
        model.startScan(ScanTarget{path, QStringLiteral("tree"), std::nullopt});
        runUntil([&] { return model.phase() != Phase::Scanning; });
        const double stall = meter.stop();
        const FileNode root = model.root();
        std::printf(
            "scan %d: %.2f s to the result phase (scanner %.2f s), %d progress signals, last at "
            "%lld files; longest event-loop stall %.1f ms, ending at %.2f s%s\n",
            round, static_cast<double>(wall.nsecsElapsed()) / 1e9, model.scanDuration(),
            progressSignals, static_cast<long long>(model.progress().files), stall,
            meter.longestAt(), round == 2 ? " (replacing the first tree)" : "");
        std::printf("  totals: %lld bytes, %lld files, %zu nodes, unreadable %lld\n",
                    static_cast<long long>(root.size()), static_cast<long long>(root.fileCount()),
                    root.tree().nodeCount(), static_cast<long long>(model.unreadableCount()));
    }

    QElapsedTimer timer;
    std::size_t nodeCount = 0;
    {
        const FileNode root = model.root();
        nodeCount = root.tree().nodeCount();
        FileNode deep = root;
        while (deep.childCount() > 0 && deep.child(0).isDirectory()) {
            deep = deep.child(0);
        }
        timer.start();
        const FileNode found = model.node(deep.path());
        std::printf("node(forPath) of %s: %s in %.3f ms\n", deep.path().c_str(),
                    found == deep ? "found" : "NOT FOUND",
                    static_cast<double>(timer.nsecsElapsed()) / 1e6);

        LargestFilesLoader loader;
        bool loaded = false;
        QObject::connect(&loader, &LargestFilesLoader::loaded,
                         [&](const FileNode&, const std::vector<FileNode>&) { loaded = true; });
        timer.restart();
        meter.start();
        loader.load(root);
        runUntil([&] { return loaded; });
        std::printf("largest 200 files of the root in the background: %.1f ms, stall %.1f ms\n",
                    static_cast<double>(timer.nsecsElapsed()) / 1e6, meter.stop());

        // The services keep the disk as it is: what is measured is the tree
        // correction on the main thread, with a background walk under way.
        const FileNode victim = root.child(0);
        const std::int64_t before = root.size();
        model.requestTrash({victim});
        loader.load(root);
        timer.restart();
        model.confirmTrash();
        std::printf("confirmTrash of a folder of %lld files: %.2f ms; root %lld -> %lld bytes\n",
                    static_cast<long long>(victim.fileCount()),
                    static_cast<double>(timer.nsecsElapsed()) / 1e6, static_cast<long long>(before),
                    static_cast<long long>(root.size()));
    }

    // Letting go of a whole tree happens on the main thread (backToStart, or a
    // new result replacing the old one).
    timer.restart();
    model.backToStart();
    std::printf("backToStart, releasing a tree of %zu nodes: %.1f ms\n", nodeCount,
                static_cast<double>(timer.nsecsElapsed()) / 1e6);
    return 0;
}
