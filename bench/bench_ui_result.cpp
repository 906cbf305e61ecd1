// Times the result screen on a large tree, the way a user meets it:
//   1. the screen opens for the scanned tree (chart, breadcrumb, list, summary);
//   2. the shown folder becomes one with 100,000 entries;
//   3. the side panel switches to "Größte Dateien" at the root (background walk);
//   4. a large folder goes to the trash (recording services: nothing is deleted).
// Each step is timed until its result is painted; the longest stall of the
// event loop during the step is printed beside it.
//
//   bench_ui_result [TREE [WIDE]]
//     TREE defaults to bench/tree below the working folder;
//     WIDE is a folder to create (once) with 100,000 files, default
//     /tmp/raumfuchs-bench-wide.

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "../tests/support/FakeDesktopServices.h"
#include "app/AppModel.h"
#include "ui/result/ResultView.h"
#include "ui/result/chart/ChartPane.h"
#include "ui/result/list/SidePanel.h"

#include "RunUntil.h"
#include "StallMeter.h"

using namespace raumfuchs;

namespace {

constexpr int kWideEntries = 100'000;

// Delivers everything posted so far, layouts and paints included.
void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

double ms(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// A step: `action` is run, then the events it caused, until `done` holds.
void step(
    const char* name, StallMeter& meter, const std::function<void()>& action,
    const std::function<bool()>& done = [] { return true; }) {
    settle();
    meter.start();
    QElapsedTimer timer;
    timer.start();
    action();
    settle();
    runUntil(done);
    settle();
    const double total = ms(timer);
    std::printf("%-44s %8.1f ms   longest stall %6.1f ms\n", name, total, meter.stop());
}

bool makeWideFolder(const std::string& root) {
    const std::string wide = root + "/wide";
    if (std::filesystem::is_directory(wide)) {
        return true;
    }
    std::filesystem::create_directories(wide);
    char name[32];
    for (int i = 0; i < kWideEntries; ++i) {
        std::snprintf(name, sizeof name, "/f%06d.dat", i);
        const int fd = ::open((wide + name).c_str(), O_CREAT | O_WRONLY, 0644);
        if (fd < 0) {
            return false;
        }
        if (i % 100 == 0) {  // some real sizes, so the list has an order to show
            const std::string data(static_cast<std::size_t>(4096 * (1 + i % 7)), 'x');
            [[maybe_unused]] const auto written = ::write(fd, data.data(), data.size());
        }
        ::close(fd);
    }
    return true;
}

void scan(AppModel& model, const std::string& path, const QString& name) {
    QElapsedTimer timer;
    timer.start();
    model.startScan(ScanTarget{path, name, std::nullopt});
    runUntil([&] { return model.phase() != Phase::Scanning; });
    std::printf("(scan of %s: %.1f s, %zu nodes)\n", path.c_str(), ms(timer) / 1000,
                model.root() ? model.root().tree().nodeCount() : std::size_t{0});
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const std::string tree = std::filesystem::absolute(argc > 1 ? argv[1] : "bench/tree").native();
    const std::string wideRoot = argc > 2 ? argv[2] : "/tmp/raumfuchs-bench-wide";
    if (!std::filesystem::is_directory(tree)) {
        std::printf("no tree at %s, nothing measured\n", tree.c_str());
        return 0;
    }
    if (!makeWideFolder(wideRoot)) {
        std::printf("could not create %s\n", wideRoot.c_str());
        return 1;
    }

    FakeDesktopServices services;  // records trash requests, deletes nothing
    AppModel model(services);
    StallMeter meter;
    std::unique_ptr<ResultView> view;
    const auto open = [&] {
        view = std::make_unique<ResultView>(model);
        view->resize(1120, 720);
        view->show();
    };

    // 2. a folder with 100,000 entries (its own small tree).
    scan(model, wideRoot, QStringLiteral("wide"));
    step("open result screen (wide fixture)", meter, open);
    const FileNode wide = model.node(wideRoot + "/wide");
    step("navigate to folder with 100,000 entries", meter, [&] { model.navigate(wide); });
    const auto list = [&] { return view->findChild<QListView*>(QStringLiteral("rows")); };
    std::printf("  rows: %d, chart transition settles after %s\n", list()->model()->rowCount(),
                view->findChild<ChartPane*>()->isTransitioning() ? "the step" : "(no transition)");
    runUntil([&] { return !view->findChild<ChartPane*>()->isTransitioning(); });
    step("scroll list to the end", meter, [&] { list()->scrollToBottom(); });
    step("select all 100,000 rows", meter, [&] { list()->selectAll(); });
    step("back up to the root", meter, [&] { model.navigate(model.root()); });
    view.reset();

    // 1. the 2,000,000-entry tree.
    scan(model, tree, QStringLiteral("tree"));
    step("open result screen (2,000,000 entries)", meter, open);
    SidePanel& panel = *view->findChild<SidePanel*>();
    step("repaint the whole screen (grab)", meter, [&] { view->grab(); });
    step(
        "navigate into a top folder, whole transition", meter,
        [&] { model.navigate(model.root().child(0)); },
        [&] { return !view->findChild<ChartPane*>()->isTransitioning(); });
    step("back up to the root", meter, [&] { model.navigate(model.root()); });
    runUntil([&] { return !view->findChild<ChartPane*>()->isTransitioning(); });

    // 3. largest files at the root.
    step(
        "\"Größte Dateien\" at the root until loaded", meter,
        [&] { panel.setMode(SidePanel::Mode::Largest); },
        [&] { return !panel.isLoadingLargest(); });
    std::printf("  rows: %d\n", list()->model()->rowCount());
    step("back to \"Inhalt\"", meter, [&] { panel.setMode(SidePanel::Mode::Contents); });

    // 4. a large folder to the trash.
    const FileNode victim = model.root().child(0);
    const long long entries = static_cast<long long>(victim.fileCount());
    step("trash a top folder (request + confirm)", meter, [&] {
        model.requestTrash({victim});
        model.confirmTrash();
    });
    std::printf("  trashed %s with %lld files; root now %lld files\n", victim.path().c_str(),
                entries, static_cast<long long>(model.root().fileCount()));
    panel.setMode(SidePanel::Mode::Largest);
    runUntil([&] { return !panel.isLoadingLargest(); });
    const FileNode second = model.root().child(0);
    step(
        "trash another in \"Größte Dateien\" until reloaded", meter,
        [&] {
            model.requestTrash({second});
            model.confirmTrash();
        },
        [&] { return !panel.isLoadingLargest(); });
    return 0;
}
