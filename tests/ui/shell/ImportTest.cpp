// Opening an ncdu export in the window: the imported tree on the result
// screen, without the actions that would touch this machine's disk, and a
// broken file that leaves everything as it was.
#include <gtest/gtest.h>

#include <QAction>
#include <QDateTime>
#include <QListView>
#include <QPushButton>
#include <QToolBar>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "ui/ResultTestSupport.h"
#include "ui/result/list/SidePanel.h"
#include "ui/result/node/NodeMenu.h"
#include "ui/result/summary/SummaryBar.h"
#include "ui/shell/ContentView.h"
#include "ui/shell/MainWindow.h"
#include "ui/start/StartView.h"

namespace raumfuchs {
namespace {

// A folder and its export written by ncdu itself, beside it.
struct ImportTest : test::ModelTest {
    ImportTest() {
        scratch.file("Daten/a.bin", 64 * 1024);
        scratch.file("Daten/Fotos/b.jpg", 32 * 1024);
        scratch.file("Daten/Fotos/c.jpg", 8 * 1024);
        const std::string output = test::commandOutput("ncdu -0 -o '" + exported + "' '" +
                                                       scratch.path("Daten") + "' </dev/null 2>&1");
        EXPECT_TRUE(std::filesystem::exists(exported)) << "ncdu: " << output;
    }
    void openAndWait(const std::string& file) {
        model.openExport(file);
        test::finishScan(model);
    }
    QAction* action(const char* name) const {
        return window.findChild<QAction*>(QString::fromLatin1(name));
    }
    QStringList menuEntries(const FileNode& node) {
        return test::menuDuring([&] { NodeMenu::create(model, {node})->exec(); });
    }
    // The summary of the result screen on display (an older one may await deletion).
    SummaryBar& summary() const {
        return *window.findChild<ContentView*>()->screen()->findChild<SummaryBar*>();
    }
    const std::string exported = scratch.path("daten.json");
    MainWindow window{model};
};

TEST_F(ImportTest, ExportShowsAsAResultWithoutDiskActions) {
    // The start screen's link asks for the file as the menu command does.
    StartView start(model);
    services.chosenExport = exported;
    start.findChild<QPushButton*>(QStringLiteral("openExportLink"))->click();
    EXPECT_EQ(services.chooseExportCalls, 1);
    EXPECT_EQ(model.target(),
              (ScanTarget{exported, QStringLiteral("daten.json"), std::nullopt, true}));
    model.cancelScan();

    // The same folder scanned here, to compare with.
    test::scanAndWait(model, scratch.path("Daten"), QStringLiteral("Daten"));
    const std::int64_t scannedSize = model.root().size();

    window.show();
    action("openExportAction")->trigger();
    ASSERT_EQ(model.phase(), Phase::Scanning);
    test::finishScan(model);
    ASSERT_EQ(model.phase(), Phase::Result) << model.alertMessage().value_or("").toStdString();

    // The tree of the export: the totals of the scan, the root under its path.
    EXPECT_EQ(std::tuple(model.root().fileCount(), model.root().size(), model.root().path()),
              std::tuple(3, scannedSize, scratch.path("Daten")));

    // Where it came from instead of a duration; the export was written just now.
    EXPECT_EQ(summary().exportText(), QStringLiteral("aus „daten.json“ von ncdu 1.18"));
    EXPECT_TRUE(summary().filesText().startsWith(
        QStringLiteral("3 Dateien, exportiert am ") +
        QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy"))))
        << summary().filesText().toStdString();

    // Nothing that would act on this machine's files of the same paths.
    const FileNode file = model.node(scratch.path("Daten/a.bin"));
    ASSERT_TRUE(file);
    EXPECT_EQ(menuEntries(file), (QStringList{"Pfad kopieren"}));
    EXPECT_EQ(menuEntries(model.node(scratch.path("Daten/Fotos"))),
              (QStringList{"Hineinzoomen", "Pfad kopieren"}));
    EXPECT_FALSE(action("rescanAction")->isEnabled());
    QStringList toolbar;
    for (const QAction* tool : window.findChild<QToolBar*>()->actions()) {
        if (tool->isVisible() && !tool->text().isEmpty()) {
            toolbar << tool->text();
        }
    }
    EXPECT_EQ(toolbar, (QStringList{"Übersicht", "Nach oben", "Vergleichen"}));
    auto& panel = *window.findChild<SidePanel*>();
    EXPECT_FALSE(window.findChild<QWidget*>(QStringLiteral("dropZone"))->isVisibleTo(&panel));
    EXPECT_FALSE(panel.findChild<QListView*>(QStringLiteral("rows"))->dragEnabled());
    model.requestTrash({file});
    model.revealInFileManager({file});
    model.openItem(file);
    model.rescan();
    EXPECT_EQ(model.phase(), Phase::Result);
    EXPECT_FALSE(model.isConfirmingTrash() || !model.pendingTrash().empty());
    EXPECT_TRUE(services.trashed.empty() && services.revealed.empty() && services.opened.empty());
    EXPECT_TRUE(std::filesystem::exists(scratch.path("Daten/a.bin")));

    // ncdu without its extended fields writes no change times: the kinds come
    // from the names, the ages view says there are none, and the chart offers
    // no colouring by age.
    if (model.kinds().kinds()) {
        panel.setMode(SidePanel::Mode::Kinds);
        ASSERT_TRUE(test::waitUntil([&] { return !model.kinds().isCounting(); }));
        EXPECT_EQ(test::rowTexts(*panel.findChild<QListView*>(QStringLiteral("kinds"))->model()),
                  (QStringList{"Sonstige", "Bilder", "Alter",
                               "Diese Datei enthält keine Änderungszeiten."}));
        EXPECT_EQ(model.colorModes().available(),
                  (std::vector<ColorMode>{ColorMode::Standard, ColorMode::Kind}));
        panel.setMode(SidePanel::Mode::Contents);
    }

    // gdu writes no folder sizes: the import estimates them and says so.
    const std::string byGdu = scratch.path("gdu.json");
    const std::string output = test::commandOutput("gdu -n -o '" + byGdu + "' '" +
                                                   scratch.path("Daten") + "' </dev/null 2>&1");
    ASSERT_TRUE(std::filesystem::exists(byGdu)) << "gdu: " << output;
    openAndWait(byGdu);
    ASSERT_EQ(model.root().fileCount(), 3);
    const QString fromGdu = summary().exportText();
    EXPECT_TRUE(fromGdu.startsWith(QStringLiteral("aus „gdu.json“ von gdu ")) &&
                fromGdu.endsWith(QStringLiteral(", Ordnergrößen geschätzt")))
        << fromGdu.toStdString();

    // Back on the start screen the tree and its origin are gone; a new scan is
    // a scan again.
    model.backToStart();
    EXPECT_FALSE(model.exportOrigin());
    test::scanAndWait(model, scratch.path("Daten"), QStringLiteral("Daten"));
    EXPECT_TRUE(action("rescanAction")->isEnabled());
    EXPECT_EQ(menuEntries(model.node(scratch.path("Daten/a.bin"))).size(),
              5);  // open, reveal, copy, separator, trash

    // Another machine's scan shows where it ran and runs again. The stand-in
    // for ssh runs the command meant for the other side here, where ncdu is
    // installed and raumfuchs-scan is not on PATH.
    const std::string ssh = scratch.path("ssh");
    std::ofstream(ssh) << "#!/bin/sh\nfor last; do :; done\nexec sh -c \"$last\"\n";
    std::filesystem::permissions(ssh, std::filesystem::perms::owner_all);
    model.streamLaunchers().ssh = {ssh};
    const std::string path = scratch.path("Daten");
    model.startScan(ScanTarget{path, {}, std::nullopt, false, RemoteAddress{"root", "server", 0}});
    test::finishScan(model);
    ASSERT_EQ(model.phase(), Phase::Result) << model.alertMessage().value_or("").toStdString();
    EXPECT_EQ(
        summary().exportText(),
        QStringLiteral("auf „root@server:%1“ von ncdu 1.18").arg(QString::fromStdString(path)));
    EXPECT_TRUE(summary().filesText().startsWith(QStringLiteral("3 Dateien in ")))
        << summary().filesText().toStdString();
    EXPECT_TRUE(action("rescanAction")->isEnabled());  // asks the other machine again
}

TEST_F(ImportTest, BrokenExportAlertsAndKeepsWhatWasShown) {
    const std::string broken = scratch.path("kaputt.json");
    std::ofstream(broken) << R"([1,2,{"progname":"ncdu"},[{"name":"/x"},{"name":)";

    // From the start screen: the reader's message, back to the start.
    openAndWait(broken);
    EXPECT_EQ(model.phase(), Phase::Start);
    ASSERT_TRUE(model.alertMessage());
    EXPECT_TRUE(model.alertMessage()->contains(QStringLiteral("kaputt.json")))
        << model.alertMessage()->toStdString();
    model.setAlertMessage(std::nullopt);

    // Over a scanned result: the same tree, still a scan, still offering the disk.
    test::scanAndWait(model, scratch.path("Daten"), QStringLiteral("Daten"));
    const FileNode root = model.root();
    openAndWait(broken);
    EXPECT_TRUE(model.phase() == Phase::Result && model.root() == root);
    EXPECT_FALSE(model.exportOrigin());
    EXPECT_TRUE(model.alertMessage());
    EXPECT_EQ(model.target()->path, broken);
    EXPECT_FALSE(action("rescanAction")->isEnabled());  // it would read the broken file again

    // A missing file, and an import cancelled over the imported tree.
    model.setAlertMessage(std::nullopt);
    openAndWait(exported);
    ASSERT_TRUE(model.exportOrigin());
    const FileNode imported = model.root();
    model.openExport(scratch.path("fehlt.json"));
    model.cancelScan();
    test::settle(model);
    EXPECT_TRUE(model.root() == imported);
    EXPECT_TRUE(model.exportOrigin());
    EXPECT_FALSE(model.alertMessage());
    openAndWait(scratch.path("fehlt.json"));
    EXPECT_TRUE(model.alertMessage() && model.alertMessage()->contains("fehlt.json"));
    EXPECT_TRUE(model.root() == imported);

    // Written by hand: no time, no producer, an unreadable folder whose
    // reason is another machine's, not this one's missing rights.
    const std::string bare = scratch.path("bare.json");
    std::ofstream(bare) << R"([1,0,{},[{"name":"/srv"},{"name":"a","dsize":4096},)"
                        << R"([{"name":"zu","read_error":true}]]])";
    openAndWait(bare);
    ASSERT_EQ(model.phase(), Phase::Result);
    EXPECT_EQ(summary().filesText(), QStringLiteral("1 Datei"));
    EXPECT_EQ(summary().exportText(), QStringLiteral("aus „bare.json“"));
    EXPECT_EQ(summary().unreadableText(), QStringLiteral("1 Ordner nicht lesbar"));
    EXPECT_TRUE(summary().findChild<QWidget*>(QStringLiteral("unreadable"))->toolTip().isEmpty());
}

}  // namespace
}  // namespace raumfuchs
