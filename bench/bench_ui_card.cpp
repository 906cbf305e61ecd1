// Times the scan most users start first: the start screen's card of the
// system volume, clicked in the real window, until the result screen is
// painted. Runs alternate with `du -sxB1 /` and `raumfuchs-scan --json /`,
// started from here on the same machine, and the medians are compared.
//
//   bench_ui_card [RUNS]     RUNS defaults to 5
//
// Scans are not kept in the history here, so no background write of one run
// competes with the next.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/AppModel.h"
#include "platform/LinuxDesktopServices.h"
#include "ui/shell/MainWindow.h"
#include "ui/start/VolumeCard.h"

using namespace raumfuchs;

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double secondsOf(const std::string& command) {
    QElapsedTimer timer;
    timer.start();
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) {
        std::printf("%s failed\n", command.c_str());
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

VolumeCard* systemCard(QWidget& window) {
    for (VolumeCard* card : window.findChildren<VolumeCard*>()) {
        if (card->volume().path == "/") {
            return card;
        }
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string scanner =
        QCoreApplication::applicationDirPath().toStdString() + "/raumfuchs-scan --json /";
    LinuxDesktopServices services;
    AppModel model(services);
    model.history().setEnabled(false);
    MainWindow window(model);
    window.resize(1400, 900);
    window.show();
    QCoreApplication::processEvents();

    std::vector<double> du, scan, card;
    for (int run = 1; run <= runs; ++run) {
        du.push_back(secondsOf("du -sxB1 /"));
        scan.push_back(secondsOf(scanner));
        model.backToStart();
        QCoreApplication::processEvents();
        VolumeCard* button = systemCard(window);
        if (button == nullptr) {
            std::printf("no card for \"/\" on the start screen, nothing measured\n");
            return 1;
        }
        // The event loop sleeps between events as the window's does (a loop
        // of processEvents() would keep a core busy beside the scan).
        QEventLoop waiting;
        const QMetaObject::Connection ended =
            QObject::connect(&model, &AppModel::phaseChanged, &waiting, [&] {
                if (model.phase() != Phase::Scanning) {
                    waiting.quit();
                }
            });
        QElapsedTimer timer;
        timer.start();
        button->click();
        waiting.exec();
        QObject::disconnect(ended);
        if (model.phase() != Phase::Result) {
            std::printf("the scan ended without a result\n");
            return 1;
        }
        window.repaint();
        card.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        std::printf(
            "run %d: du %.3f s, raumfuchs-scan %.3f s, card to painted result %.3f s "
            "(scanner %.3f s, %lld files)\n",
            run, du.back(), scan.back(), card.back(), model.scanDuration(),
            static_cast<long long>(model.root().fileCount()));
    }
    const double d = median(du);
    std::printf(
        "medians of %d: du -sxB1 / %.3f s; raumfuchs-scan %.3f s (%.3f x du); "
        "card %.3f s (%.3f x du)\n",
        runs, d, median(scan), median(scan) / d, median(card), median(card) / d);
    return 0;
}
