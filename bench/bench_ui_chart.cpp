// Chart figures: layout (Segment::build), one full paint from scratch and one
// paint from the cached pictures, at device pixel ratio 1 and 2, and a hover
// sweep of 1,000 pointer moves through a shown chart, each step timed with the
// repaint it triggers, and a switch of the colour mode with its paint.
//
// Usage: bench_ui_chart [PATH…]        default: bench/tree, /usr and a
//                                      synthetic worst case (8,500 arcs)
//        bench_ui_chart --show PATH    shows the chart of PATH in a window
//                                      with an arc in ring 2 hovered (for
//                                      screenshots); quits after 60 s
#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "app/AppModel.h"
#include "core/chart/RingGeometry.h"
#include "core/chart/Segment.h"
#include "core/compare/ChangeColoring.h"
#include "core/scan/DiskScanner.h"
#include "ui/result/chart/SunburstView.h"
#include "ui/result/node/HoverState.h"

using namespace raumfuchs;

namespace {

// The chart never calls the desktop in these runs.
class NoDesktop : public DesktopServices {
  public:
    bool moveToTrash(const DesktopItem&) override { return false; }
    void reveal(const std::vector<DesktopItem>&, std::function<void()>) override {}
    bool open(const DesktopItem&) override { return false; }
    void setClipboardText(const QString&) override {}
    std::optional<std::string> chooseFolder() override { return {}; }
    std::optional<std::string> chooseExport() override { return {}; }
    std::optional<std::string> chooseSaveFile(const QString&) override { return {}; }
    QString displayName(const std::string& path) override { return QString::fromStdString(path); }
    std::string homePath() override { return "/"; }
    std::optional<std::string> downloadsPath() override { return {}; }
    std::vector<VolumeInfo> mountedVolumes() override { return {}; }
    bool runsAsAdministrator() override { return false; }
};

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time of the whole process: on a shared, busy machine the wall time also
// counts the waits for a core, which say nothing about the chart. The process
// clock (not the thread's) includes Qt's helper threads, which copy and fill
// large images in parallel.
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Wall and CPU milliseconds of one call.
struct Timing {
    std::vector<double> wall;
    std::vector<double> cpu;
    template <typename F>
    void run(F&& f) {
        const double c = cpuMs();
        const auto start = Clock::now();
        f();
        wall.push_back(msSince(start));
        cpu.push_back(cpuMs() - c);
    }
};

struct Stats {
    double median = 0;
    double p99 = 0;
    double max = 0;
    double mean = 0;
};

Stats stats(std::vector<double> v) {
    Stats s;
    if (v.empty()) {
        return s;
    }
    std::sort(v.begin(), v.end());
    s.median = v[v.size() / 2];
    s.p99 = v[std::min(v.size() - 1, v.size() * 99 / 100)];
    s.max = v.back();
    double sum = 0;
    for (double x : v) {
        sum += x;
    }
    s.mean = sum / double(v.size());
    return s;
}

// 1,700 top-level folders of equal size, each the top of a chain of folders
// five deep: 1,700 arcs in every ring, close to the most the layout can show.
FileNode worstCase() {
    auto tree = std::make_shared<FileTree>("/synthetic", "synthetic");
    const FileTree::Index root = tree->addDirectory(FileTree::kNone, "", 0);
    std::vector<FileTree::Index> top;
    for (int i = 0; i < 1700; ++i) {
        const std::string name = "top" + std::to_string(i);
        FileTree::Index chain[5];
        FileTree::Index parent = root;
        for (int d = 0; d < 5; ++d) {
            chain[d] = tree->addDirectory(parent, name + "-" + std::to_string(d), 4096);
            parent = chain[d];
        }
        const FileTree::Index leaf = tree->addFile(parent, "data", 1'000'000);
        tree->setChildren(chain[4], {leaf});
        tree->addToTotals(chain[4], 1'000'000, 1);
        for (int d = 3; d >= 0; --d) {
            tree->setChildren(chain[d], {chain[d + 1]});
            tree->addToTotals(chain[d], tree->size(chain[d + 1]), 1);
        }
        top.push_back(chain[0]);
        tree->addToTotals(root, tree->size(chain[0]), 1);
    }
    tree->setChildren(root, top);
    return tree->root();
}

// Stamped with the kinds of the model's `classifier`, as the program's scans are.
FileNode scan(const std::string& path, double& seconds, const NameClassifier* classifier) {
    CancelToken token;
    const auto start = Clock::now();
    auto result = DiskScanner::scan(path, path, token, [](const ScanProgress&) {},
                                    {.classifier = classifier});
    seconds = msSince(start) / 1000;
    return result ? result->root : FileNode();
}

// A point of the chart at `radius` and layout angle `angle`.
QPointF at(const RingGeometry& g, double radius, double angle) {
    return {g.center.x + radius * std::sin(angle), g.center.y - radius * std::cos(angle)};
}

void sendMove(QWidget& widget, QPointF local) {
    QMouseEvent move(QEvent::MouseMove, local, widget.mapToGlobal(local), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &move);
}

class PaintCounter : public QObject {
  public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

void measure(const std::string& title, const FileNode& root, AppModel& model) {
    std::printf("\n%s: %lld entries below, %s\n", title.c_str(),
                static_cast<long long>(root.fileCount()), root.path().c_str());

    // Layout.
    Timing layout;
    std::size_t arcs = 0;
    for (int i = 0; i < 30; ++i) {
        layout.run([&] { arcs = Segment::build(root, 5).size(); });
    }
    std::printf("  layout: %zu arcs, median %.3f ms wall, %.3f ms CPU\n", arcs,
                stats(layout.wall).median, stats(layout.cpu).median);

    // Paints into an image of the chart's size.
    for (const qreal dpr : {1.0, 2.0}) {
        HoverState hover;
        SunburstView view(model, hover);
        view.setNode(root);
        view.resize(1120, 720);
        QImage image(QSize(1120, 720) * dpr, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(dpr);
        view.render(&image);  // lays out once

        Timing cold;
        Timing warm;
        Timing coldDimmed;
        Timing warmHovered;
        for (int i = 0; i < 12; ++i) {
            // Another size drops the cached shapes and pictures.
            view.resize(1120, 720 + (i % 2));
            cold.run([&] { view.render(&image); });
            warm.run([&] { view.render(&image); });
            hover.setHovered(view.segments().empty() ? FileNode() : view.segments().back().node);
            coldDimmed.run([&] { view.render(&image); });
            warmHovered.run([&] { view.render(&image); });
            hover.setHovered(FileNode());
        }
        std::printf(
            "  paint at DPR %.0f (1120×720), median wall / CPU ms: from scratch %.2f / %.2f, "
            "dimmed picture from scratch %.2f / %.2f, from cache %.2f / %.2f, hovered from "
            "cache %.2f / %.2f\n",
            dpr, stats(cold.wall).median, stats(cold.cpu).median, stats(coldDimmed.wall).median,
            stats(coldDimmed.cpu).median, stats(warm.wall).median, stats(warm.cpu).median,
            stats(warmHovered.wall).median, stats(warmHovered.cpu).median);
    }

    // The colour modes of the kinds of files: a change of mode asks the
    // colouring for every arc once, and the paint after it draws the picture
    // anew; later paints are those from the cache above.
    model.kinds().follow(root);
    for (const ColorMode mode : {ColorMode::Kind, ColorMode::Age}) {
        HoverState hover;
        SunburstView view(model, hover);
        view.setNode(root);
        view.resize(1120, 720);
        QImage image(QSize(1120, 720), QImage::Format_ARGB32_Premultiplied);
        view.render(&image);
        model.colorModes().choose(mode);
        while (model.kinds().isCounting()) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        if (model.colorModes().current() != mode) {
            // A tree without change times has no ages to colour by.
            std::printf("  mode %s: not offered\n", ColorModes::name(mode).toUtf8().constData());
            continue;
        }
        Timing switched;
        for (int i = 0; i < 12; ++i) {
            model.colorModes().choose(ColorMode::Standard);
            view.render(&image);
            switched.run([&] {
                model.colorModes().choose(mode);
                view.render(&image);
            });
        }
        std::printf("  mode %s: recolour and paint, median %.2f ms wall, %.2f ms CPU\n",
                    ColorModes::name(mode).toUtf8().constData(), stats(switched.wall).median,
                    stats(switched.cpu).median);
        model.colorModes().choose(ColorMode::Standard);
    }
    model.kinds().follow(FileNode());

    // Switching the colour mode: the shown chart recoloured and painted, to
    // "Veränderung" (the tree against itself: every arc asks its change) and
    // back.
    {
        HoverState hover;
        SunburstView view(model, hover);
        view.setNode(root);
        view.resize(1120, 720);
        QImage image(QSize(1120, 720), QImage::Format_ARGB32_Premultiplied);
        view.render(&image);
        auto comparison = std::make_shared<TreeComparison>(root.treePtr(), root.treePtr());
        model.colorModes().offer(ColorMode::Change, std::make_shared<ChangeColoring>(comparison));
        Timing toChange;
        Timing back;
        for (int i = 0; i < 12; ++i) {
            toChange.run([&] {
                model.colorModes().choose(ColorMode::Change);
                view.render(&image);
            });
            back.run([&] {
                model.colorModes().choose(ColorMode::Standard);
                view.render(&image);
            });
        }
        model.colorModes().offer(ColorMode::Change, nullptr);
        std::printf(
            "  colour mode switch and paint (1120×720), median wall / CPU ms: to "
            "\"Veränderung\" %.2f / %.2f, back %.2f / %.2f\n",
            stats(toChange.wall).median, stats(toChange.cpu).median, stats(back.wall).median,
            stats(back.cpu).median);
    }

    // Hover sweep through a shown chart: a spiral over all five rings.
    HoverState hover;
    SunburstView view(model, hover);
    PaintCounter counter;
    view.installEventFilter(&counter);
    view.setNode(root);
    view.resize(1120, 720);
    view.show();
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
    }
    const RingGeometry g = view.ringGeometry();
    int changes = 0;
    QObject::connect(&hover, &HoverState::changed, [&] { ++changes; });
    // Warm both pictures first.
    sendMove(view, at(g, g.innerRadius + g.ringWidth / 2, 0.1));
    QApplication::processEvents();
    sendMove(view, QPointF(2, 2));
    QApplication::processEvents();
    changes = 0;
    counter.paints = 0;
    Timing steps;
    const int moves = 1000;
    for (int i = 0; i < moves; ++i) {
        const double t = double(i) / moves;
        const double radius = g.innerRadius + 0.5 + t * (g.outerRadius() - g.innerRadius - 1);
        const double angle = std::fmod(t * 7 * 2 * std::numbers::pi, 2 * std::numbers::pi);
        steps.run([&] {
            sendMove(view, at(g, radius, angle));
            QApplication::processEvents();
        });
    }
    const Stats h = stats(steps.wall);
    const Stats c = stats(steps.cpu);
    std::printf(
        "  hover sweep at DPR %.0f: %d moves, %d hover changes, %d paints; per step wall mean "
        "%.3f ms, p99 %.3f ms, max %.3f ms; CPU mean %.3f ms, p99 %.3f ms, max %.3f ms\n",
        view.devicePixelRatioF(), moves, changes, counter.paints, h.mean, h.p99, h.max, c.mean,
        c.p99, c.max);
}

int show(const std::string& path, AppModel& model) {
    double seconds = 0;
    const FileNode root = scan(path, seconds, model.kinds().kinds().get());
    if (!root) {
        std::fprintf(stderr, "cannot scan %s\n", path.c_str());
        return 1;
    }
    HoverState hover;
    SunburstView view(model, hover);
    view.setWindowTitle(QStringLiteral("Raumfuchs – Diagramm"));
    view.setNode(root);
    view.resize(1280, 800);
    view.move(0, 0);
    view.show();
    QTimer::singleShot(1500, [&] {
        // The largest arc of ring 2 gets the pointer.
        const RingGeometry g = view.ringGeometry();
        const Segment* pick = nullptr;
        for (const Segment& s : view.segments()) {
            if (s.depth == 2 && (!pick || s.end - s.start > pick->end - pick->start)) {
                pick = &s;
            }
        }
        if (pick) {
            const QPointF p =
                at(g, g.innerRadius + 2.5 * g.ringWidth, (pick->start + pick->end) / 2);
            QCursor::setPos(view.mapToGlobal(p.toPoint()));
            sendMove(view, p);
            std::printf("hovering %s\n", pick->node.path().c_str());
        }
        std::fflush(stdout);
    });
    QTimer::singleShot(60'000, qApp, &QApplication::quit);
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    NoDesktop desktop;
    AppModel model(desktop);
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--show" && i + 1 < argc) {
            return show(argv[i + 1], model);
        }
        paths.emplace_back(argv[i]);
    }
    if (paths.empty()) {
        paths = {RAUMFUCHS_BENCH_TREE, "/usr"};
    }
    for (const std::string& path : paths) {
        double seconds = 0;
        const FileNode root = scan(path, seconds, model.kinds().kinds().get());
        if (!root) {
            std::printf("\n%s: not scanned (missing?)\n", path.c_str());
            continue;
        }
        std::printf("\n(scanned %s in %.1f s)", path.c_str(), seconds);
        measure(path, root, model);
    }
    measure("synthetic worst case", worstCase(), model);
    return 0;
}
