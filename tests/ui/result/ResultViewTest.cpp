#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QScrollBar>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <set>

#include "ui/ResultTestSupport.h"
#include "ui/result/BreadcrumbBar.h"
#include "ui/result/ResultView.h"
#include "ui/result/chart/CenterLabel.h"
#include "ui/result/chart/ChartPane.h"
#include "ui/result/chart/ColorModePicker.h"
#include "ui/result/list/NodeListModel.h"
#include "ui/result/list/SidePanel.h"
#include "ui/result/node/HoverState.h"
#include "ui/result/summary/SummaryBar.h"
#include "ui/result/summary/UnattributedDialog.h"
#include "ui/shell/MainWindow.h"
#include "ui/widgets/TextLabel.h"

namespace raumfuchs {
namespace {

using test::bytes;

struct ResultViewTest : ::testing::Test {
    std::string hovered() const { return test::nameOf(view.findChild<HoverState*>()->hovered()); }

    test::ScannedTree tree;
    ResultView view{tree.model};
};

TEST_F(ResultViewTest, BreadcrumbAndToolbarNavigateAndActOnTheShownFolder) {
    const BreadcrumbBar& bar = *view.findChild<BreadcrumbBar*>();
    const auto texts = [&] { return test::textsOf(bar.crumbs()); };
    tree.model.navigate(tree.at("big/deep/level2"));
    EXPECT_EQ(texts(), (QStringList{"Testbaum", "big", "deep", "level2"}));
    EXPECT_EQ(bar.chevronCount(), 3);
    bar.crumbs()[1]->click();
    EXPECT_TRUE(tree.model.current() == tree.at("big"));
    EXPECT_EQ(texts(), (QStringList{"Testbaum", "big"}));

    // A narrow bar scrolls so that the shown folder ends at the trailing edge.
    BreadcrumbBar narrow(tree.model);
    narrow.resize(160, narrow.height());
    test::showAndSettle(narrow);
    tree.model.navigate(tree.at("big/deep/level2/level3"));
    QCoreApplication::processEvents();
    const QWidget* last = narrow.crumbs().back();
    EXPECT_GT(narrow.horizontalScrollBar()->value(), 0);
    EXPECT_EQ(last->mapTo(narrow.viewport(), QPoint(last->width(), 0)).x(),
              narrow.viewport()->width());

    // A name with "&" shows as it is, no mnemonic grabbed.
    tree.scratch.file("Tom & Jerry/&Co/x.txt", 4096);
    tree.scan();
    tree.model.navigate(tree.at("Tom & Jerry/&Co"));
    ASSERT_EQ(bar.crumbs().size(), 3u);
    for (const auto& [i, name] : {std::pair{1, "Tom & Jerry"}, std::pair{2, "&Co"}}) {
        QAbstractButton* crumb = bar.crumbs()[std::size_t(i)];
        EXPECT_EQ(QAccessible::queryAccessibleInterface(crumb)->text(QAccessible::Name), name);
        EXPECT_TRUE(crumb->shortcut().isEmpty()) << name;
    }

    // A whole volume shows the drive on the first crumb.
    tree.scan(std::int64_t{0});
    EXPECT_EQ(bar.crumbs()[0]->symbol(), QStringLiteral("internaldrive"));

    // The toolbar acts on the shown folder; "up" only below the scanned one.
    const QList<QAction*> actions = view.toolbarActions();
    ASSERT_EQ(actions.size(), 6);
    QAction* up = view.findChild<QAction*>(QStringLiteral("up"));
    EXPECT_EQ(actions[1], up);
    EXPECT_FALSE(up->isEnabled());
    tree.model.navigate(tree.at("big/deep"));
    EXPECT_TRUE(up->isEnabled());
    up->trigger();
    EXPECT_TRUE(tree.model.current() == tree.at("big"));

    actions[3]->trigger();  // the shown folder, read in again in place
    EXPECT_TRUE(tree.model.isRefreshing(tree.at("big")));
    test::settle(tree.model);
    actions[4]->trigger();
    EXPECT_EQ(tree.services.revealed,
              std::vector<std::vector<std::string>>{{tree.scratch.path("big")}});
    up->trigger();
    EXPECT_FALSE(up->isEnabled());

    actions[2]->trigger();
    EXPECT_EQ(tree.model.phase(), Phase::Scanning);
    test::finishScan(tree.model);
    actions[0]->trigger();
    EXPECT_EQ(tree.model.phase(), Phase::Start);
}

TEST_F(ResultViewTest, SummaryCountsFilesAndUnreadableFoldersAndExplainsTheRemainder) {
    const char* locked[] = {"locked1", "locked2", "big/locked3"};
    ::chmod(tree.scratch.path().c_str(), 0755);
    for (const char* name : locked) {
        tree.scratch.file(std::string(name) + "/secret", 4096);
        ::chmod(tree.scratch.path(name).c_str(), 0);
    }
    ASSERT_TRUE(test::asNobody([&] {
        tree.model.startScan(ScanTarget{tree.scratch.path(), QStringLiteral("Testbaum"), {}});
    }));
    test::finishScan(tree.model);
    for (const char* name : locked) {
        ::chmod(tree.scratch.path(name).c_str(), 0755);
    }

    view.resize(1400, 800);  // room for the remainder's parts
    test::showAndSettle(view);
    const SummaryBar& summary = *view.findChild<SummaryBar*>();
    EXPECT_EQ(summary.unreadableText(), QStringLiteral("3 Ordner nicht lesbar"));
    // Nothing to open: the rights are the administrator's to give.
    const auto* unreadable = summary.findChild<QWidget*>(QStringLiteral("unreadable"));
    EXPECT_EQ(qobject_cast<const QAbstractButton*>(unreadable), nullptr);
    EXPECT_EQ(unreadable->focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(unreadable->toolTip().startsWith(QStringLiteral("Ohne Administratorrechte")));
    // Read with the administrator's rights, missing rights are not the reason.
    tree.services.administrator = true;
    tree.model.refreshFolder(tree.at("big"));
    test::finishScan(tree.model);
    EXPECT_TRUE(unreadable->toolTip().startsWith(QStringLiteral("Auch mit Administratorrechten")));
    tree.scan();  // readable again
    EXPECT_TRUE(summary.unreadableText().isEmpty());
    EXPECT_TRUE(summary.remainderText().isEmpty());  // a folder scan
    const QString files = QStringLiteral("7 Dateien in ") +
                          QString::fromStdString(Format::duration(tree.model.scanDuration()));
    tree.model.navigate(tree.at("big/deep"));  // the count is the whole scan's
    EXPECT_EQ(summary.filesText(), files);

    // A volume's remainder opens, as a keyboard user opens it, into its parts
    // and what is left of it once they are taken off.
    const std::int64_t extra = 20'000'000'000;
    tree.scan(extra);
    EXPECT_EQ(summary.remainderText(),
              QStringLiteral("20 GB nicht zuordenbar (Reserve, Metadaten, Snapshots)"));
    QTest::keyClick(view.findChild<QAbstractButton*>(QStringLiteral("remainder")), Qt::Key_Space);
    auto* dialog = view.findChild<UnattributedDialog*>();
    ASSERT_TRUE(dialog && tree.model.unattributed());
    const QStringList texts = test::textsOf(dialog->findChildren<QLabel*>());
    const UnattributedSpace& space = *tree.model.unattributed();
    for (const QString& shown :
         {bytes(extra) + " nicht zuordenbar", bytes(space.reserved), bytes(space.deletedOpen.bytes),
          bytes(extra - space.reserved - space.deletedOpen.bytes -
                space.underMounts.value_or(0))}) {
        EXPECT_TRUE(texts.contains(shown)) << shown.toStdString() << "\n"
                                           << texts.join('|').toStdString();
    }
    dialog->reject();
    // A scan of "/" names the file systems whose used bytes it counted.
    UnattributedSpace several = space;
    several.fileSystems = {"/", "/srv/extra"};
    const UnattributedDialog both(several, extra);
    EXPECT_TRUE(test::textsOf(both.findChildren<QLabel*>())
                    .join('|')
                    .contains(QStringLiteral("die 2 Dateisysteme, die der Scan betrat (/, "
                                             "/srv/extra), zusammen als belegt")));
    tree.scan(std::int64_t{0});  // used = scanned: nothing to explain
    EXPECT_TRUE(summary.remainderText().isEmpty());

    // Following the disk: a Live mark whose tooltip says what is watched.
    EXPECT_TRUE(summary.liveText().isEmpty());
    tree.model.setFollowingEnabled(true);
    ASSERT_TRUE(test::following(tree.model));
    EXPECT_EQ(summary.liveText(), QStringLiteral("Live"));
    const QString watched = tree.model.liveStatus().coverage.way == WatchCoverage::Way::FileSystems
                                ? QStringLiteral("Das Dateisystem wird als Ganzes beobachtet.")
                                : QStringLiteral("11 Ordner werden beobachtet.");
    EXPECT_EQ(summary.liveToolTip(), "Änderungen werden übernommen: " + watched);
    tree.model.setFollowingEnabled(false);
    EXPECT_TRUE(summary.liveText().isEmpty());
}

// In the smallest window a volume's summary and a large file count are shown
// whole: the remainder without its parts, the count a step smaller.
TEST(WindowMinimumTest, SummaryAndCentreLabelFitTheSmallestWindow) {
    test::ScannedTree tree;
    tree.scan(std::int64_t{661'000'000});
    MainWindow window(tree.model);
    window.resize(window.minimumSize());
    test::showAndSettle(window);
    ASSERT_EQ(window.size(), QSize(820, 540));
    const auto* summary = window.findChild<SummaryBar*>();
    const auto* remainder = summary->findChild<QAbstractButton*>(QStringLiteral("remainder"));
    EXPECT_EQ(summary->remainderText(), QStringLiteral("661 MB nicht zuordenbar"));
    EXPECT_LE(remainder->sizeHint().width(), remainder->width());
    for (const auto* label : summary->findChildren<TextLabel*>()) {
        if (label->isVisibleTo(summary)) {
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()),
                      label->contentsRect().width())
                << label->text().toStdString();
        }
    }
    window.resize(1400, 800);
    QCoreApplication::processEvents();
    EXPECT_EQ(summary->remainderText(),
              QStringLiteral("661 MB nicht zuordenbar (Reserve, Metadaten, Snapshots)"));
    EXPECT_LE(remainder->sizeHint().width(), remainder->width());

    // A folder of 1.148.258 files in a chart as large as the smallest window gives it.
    window.resize(window.minimumSize());
    QCoreApplication::processEvents();
    const QSize chartSize = window.findChild<ChartPane*>()->chart()->size();
    auto many = std::make_shared<FileTree>("/daten", "Daten");
    const FileTree::Index top = many->addDirectory(FileTree::kNone, "", 0);
    const FileTree::Index file = many->addFile(top, "a.bin", 4096);
    many->setChildren(top, {file});
    many->addToTotals(top, 4096, 1'148'258);
    const RingGeometry g = RingGeometry::forSize(chartSize.width(), chartSize.height());
    const CenterLabel label = CenterLabel::describe(many->root(), FileNode(), g);
    EXPECT_EQ(label.detail, QStringLiteral("1.148.258 Dateien"));
    EXPECT_LE(QFontMetricsF(label.detailFont).horizontalAdvance(label.detail), 1.7 * g.innerRadius);
}

// The result screen on show and active, as the user sees it.
struct ShownResultTest : ResultViewTest {
    void SetUp() override {
        view.resize(1000, 700);
        test::showAndSettle(view);
        view.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    }
};

// A click zooms with an animation to a new chart; the folder clicked stays
// hovered on it until the pointer moves.
TEST_F(ShownResultTest, ClickedFolderStaysHoveredUntilThePointerMoves) {
    const ChartPane& pane = *view.findChild<ChartPane*>();
    const auto chart = [&] { return pane.chart(); };
    const auto arc = [&](const char* name) { return test::arcPoint(*chart(), name).toPoint(); };

    const QPoint onBig = arc("big");
    QTest::mouseMove(chart(), onBig);
    ASSERT_EQ(hovered(), "big");
    QTest::mouseClick(chart(), Qt::LeftButton, {}, onBig);
    QCoreApplication::processEvents();
    ASSERT_TRUE(chart()->node() == tree.at("big"));
    EXPECT_TRUE(pane.isTransitioning());
    EXPECT_EQ(hovered(), "big");
    EXPECT_FALSE(chart()->centerLabel().upIcon);  // the label describes the hovered "big"

    // The first real move hit-tests the new chart: the disc of "big" is no arc.
    const QPoint disc(int(chart()->ringGeometry().center.x), int(chart()->ringGeometry().center.y));
    QTest::mouseMove(chart(), disc);
    EXPECT_EQ(hovered(), "-");
    EXPECT_TRUE(chart()->centerLabel().upIcon);

    // Zoomed in again, the pointer leaving the chart ends the hover as well.
    QTest::mouseMove(chart(), arc("deep"));
    QTest::mouseClick(chart(), Qt::LeftButton, {}, arc("deep"));
    QCoreApplication::processEvents();
    EXPECT_EQ(hovered(), "deep");
    QTest::mouseMove(&view, QPoint(view.width() - 5, view.height() - 5));  // over the panel
    EXPECT_EQ(hovered(), "-");

    // Changes other than navigation replace the chart at once.
    ASSERT_TRUE(test::waitUntil([&] { return !pane.isTransitioning(); }, 3000));
    test::trash(tree.model, {tree.at("big")});
    EXPECT_TRUE(chart()->node() == tree.model.root());
    EXPECT_FALSE(pane.isTransitioning());
}

// Changes on disk come in under the user's hands: the shown folder, the
// hovered arc and the selected rows stay, though sizes, order and rows change.
TEST_F(ShownResultTest, LiveChangesKeepTheShownFolderTheHoverAndTheSelection) {
    tree.model.setFollowingEnabled(true);
    tree.scan();
    ASSERT_TRUE(test::following(tree.model));
    tree.model.navigate(tree.at("big"));
    const ChartPane& pane = *view.findChild<ChartPane*>();
    ASSERT_TRUE(test::waitUntil([&] { return !pane.isTransitioning(); }, 3000));
    QTest::mouseMove(pane.chart(), test::arcPoint(*pane.chart(), "b.bin").toPoint());
    ASSERT_EQ(hovered(), "b.bin");
    const SidePanel& panel = *view.findChild<SidePanel*>();
    const auto* list = panel.findChild<QListView*>(QStringLiteral("rows"));
    auto& rows = *qobject_cast<NodeListModel*>(list->model());
    // Rows that come in are told as they come.
    const QAbstractItemModelTester tester(&rows,
                                          QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (int row = 0; row < rows.rowCount(); ++row) {
        if (rows.nodeAt(row) == tree.at("big/a.bin") || rows.nodeAt(row) == tree.at("big/deep")) {
            list->selectionModel()->select(rows.index(row), QItemSelectionModel::Select);
        }
    }

    std::ofstream(tree.scratch.path("big/b.bin"), std::ios::app) << std::string(200'000, 'x');
    tree.scratch.file("big/neu.bin", 8192);
    ASSERT_TRUE(test::liveQuiet(tree.model));
    ASSERT_EQ(rows.rowCount(), 4);
    EXPECT_EQ(test::nameOf(rows.nodeAt(0)), "b.bin") << "b.bin grew past a.bin";
    EXPECT_TRUE(pane.chart()->node() == tree.at("big"));
    EXPECT_EQ(hovered(), "b.bin");
    QTest::mouseMove(&view, QPoint(view.width() - 5, view.height() - 5));  // off the chart again
    std::set<std::string> selected;
    for (const FileNode& node : panel.selectedNodes()) {
        selected.insert(test::nameOf(node));
    }
    EXPECT_EQ(selected, (std::set<std::string>{"a.bin", "deep"}));

    // The scanned folder gone, the mark says the result is no longer followed.
    std::filesystem::remove_all(tree.scratch.path());
    ASSERT_TRUE(
        test::waitUntil([&] { return tree.model.liveStatus().state == LiveStatus::State::Lost; }));
    EXPECT_EQ(view.findChild<SummaryBar*>()->liveText(), QStringLiteral("Nicht mehr live"));
}

SunburstView* focusedChart() {
    return qobject_cast<SunburstView*>(QApplication::focusWidget());
}

TEST_F(ShownResultTest, ResultScreenWorksWithoutAPointer) {
    SunburstView* chart = view.findChild<SunburstView*>();
    chart->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(focusedChart(), chart);

    // Tab leaves for the chart's "Färbung" choice, then for the side panel;
    // Shift+Tab comes back.
    test::pressKey(*chart, Qt::Key_Tab);
    ColorModePicker* picker = view.findChild<ColorModePicker*>();
    EXPECT_EQ(QApplication::focusWidget(), picker->box());
    test::pressKey(*QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(view.findChild<SidePanel*>()->isAncestorOf(QApplication::focusWidget()));
    test::pressKey(*QApplication::focusWidget(), Qt::Key_Backtab);
    test::pressKey(*QApplication::focusWidget(), Qt::Key_Backtab);
    ASSERT_EQ(focusedChart(), chart);

    test::pressKey(*chart, Qt::Key_Right);
    ASSERT_EQ(hovered(), "big");
    test::pressKey(*chart, Qt::Key_Return);  // zooms in; the new chart keeps the focus
    EXPECT_EQ(tree.model.current(), tree.at("big"));
    ASSERT_NE(focusedChart(), nullptr);
    EXPECT_NE(focusedChart(), chart);
    EXPECT_EQ(focusedChart()->node(), tree.at("big"));
    EXPECT_EQ(hovered(), "-");

    test::pressKey(*focusedChart(), Qt::Key_Backspace);  // up, onto the folder it came from
    EXPECT_EQ(tree.model.current(), tree.model.root());
    EXPECT_EQ(hovered(), "big");
    chart = focusedChart();
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->currentArc(), 0u);

    // Enter on a file does nothing; on the disc it goes up.
    test::pressKey(*chart, Qt::Key_Right);
    ASSERT_EQ(hovered(), "file.txt");
    test::pressKey(*chart, Qt::Key_Return);
    EXPECT_EQ(tree.model.current(), tree.model.root());

    // Shift+F10 and the menu key open the menu of the keyboard's arc; the
    // disc has none. Its trash entry asks for confirmation.
    EXPECT_EQ(
        test::menuDuring([&] { test::pressKey(*chart, Qt::Key_F10, Qt::ShiftModifier); }).value(0),
        "Öffnen");
    test::pressKey(*chart, Qt::Key_Left);
    const auto menuKey = [&] { test::contextMenu(*chart, QContextMenuEvent::Keyboard); };
    EXPECT_EQ(test::menuDuring(menuKey, QStringLiteral("In den Papierkorb legen …")).value(0),
              "Hineinzoomen");
    EXPECT_EQ(tree.model.pendingTrash(), std::vector<FileNode>{tree.at("big")});
    tree.model.confirmTrash();  // the arc went: the keyboard is on the disc again
    EXPECT_EQ(hovered(), "-");
    EXPECT_EQ(chart->centerLabel().name, QStringList{"Testbaum"});
    EXPECT_TRUE(test::menuDuring(menuKey).isEmpty());
    test::pressKey(*chart, Qt::Key_Return);  // the root's disc: nowhere up
    EXPECT_EQ(tree.model.current(), tree.model.root());
}

}  // namespace
}  // namespace raumfuchs
