#include <gtest/gtest.h>

#include <QAction>
#include <QScrollBar>
#include <QSplitter>
#include <QToolBar>
#include <filesystem>

#include "ResultTestSupport.h"
#include "core/Format.h"
#include "ui/BreadcrumbBar.h"
#include "ui/ChartPane.h"
#include "ui/ContentView.h"
#include "ui/MainWindow.h"
#include "ui/ResultView.h"
#include "ui/SidePanel.h"
#include "ui/SummaryBar.h"
#include "ui/SunburstView.h"

namespace raumfuchs {
namespace {

using test::ScannedTree;

QString bytes(std::int64_t count) {
    return QString::fromStdString(Format::bytes(count));
}

TEST(ResultViewTest, BreadcrumbListsThePathAndNavigatesOnClick) {
    ScannedTree tree;
    ResultView view(tree.model);
    const BreadcrumbBar& bar = *view.breadcrumb();

    ASSERT_EQ(bar.crumbs().size(), 1u);
    EXPECT_EQ(bar.chevronCount(), 0);
    EXPECT_EQ(bar.crumbs()[0]->text(), QStringLiteral("Testbaum"));
    EXPECT_EQ(bar.crumbs()[0]->symbol(), QStringLiteral("folder"));
    EXPECT_TRUE(bar.crumbs()[0]->isCurrent());

    const FileNode level2 = tree.at("big/deep/level2");
    tree.model.navigate(level2);
    ASSERT_EQ(bar.crumbs().size(), 4u);
    EXPECT_EQ(bar.chevronCount(), 3);
    const QStringList expected{"Testbaum", "big", "deep", "level2"};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(bar.crumbs()[i]->text(), expected[static_cast<int>(i)]);
        EXPECT_EQ(bar.crumbs()[i]->symbol().isEmpty(), i > 0) << i;
        EXPECT_EQ(bar.crumbs()[i]->isCurrent(), i == 3) << i;
        EXPECT_EQ(bar.crumbs()[i]->font().weight() > QFont::Normal, i == 3) << i;
    }
    EXPECT_TRUE(bar.crumbs()[3]->node() == level2);

    bar.crumbs()[1]->click();
    EXPECT_TRUE(tree.model.current() == tree.at("big"));
    ASSERT_EQ(bar.crumbs().size(), 2u);
    bar.crumbs()[0]->click();
    EXPECT_TRUE(tree.model.current() == tree.model.root());
    EXPECT_EQ(bar.crumbs().size(), 1u);

    // In a narrow bar the path scrolls so that the shown folder ends at the
    // trailing edge.
    bar.crumbs()[0]->click();
    BreadcrumbBar narrow(tree.model);
    narrow.resize(160, narrow.height());
    test::showAndSettle(narrow);
    tree.model.navigate(tree.at("big/deep/level2/level3"));
    QCoreApplication::processEvents();
    const QWidget* last = narrow.crumbs().back();
    const QPoint end = last->mapTo(narrow.viewport(), QPoint(last->width(), 0));
    EXPECT_GT(narrow.horizontalScrollBar()->value(), 0);
    EXPECT_EQ(end.x(), narrow.viewport()->width());

    // A whole volume shows the drive on the first crumb.
    tree.scan(std::int64_t{0});
    EXPECT_EQ(view.breadcrumb()->crumbs()[0]->symbol(), QStringLiteral("internaldrive"));
}

TEST(ResultViewTest, UpIsEnabledOnlyBelowTheRootAndLeadsToTheParent) {
    ScannedTree tree;
    ResultView view(tree.model);
    QAction* up = view.upAction();
    EXPECT_FALSE(up->isEnabled());

    tree.model.navigate(tree.at("big/deep"));
    EXPECT_TRUE(up->isEnabled());
    up->trigger();
    EXPECT_TRUE(tree.model.current() == tree.at("big"));
    up->trigger();
    EXPECT_TRUE(tree.model.current() == tree.model.root());
    EXPECT_FALSE(up->isEnabled());
}

TEST(ResultViewTest, ToolbarActionsCallTheModel) {
    ScannedTree tree;
    ResultView view(tree.model);
    const QList<QAction*> actions = view.toolbarActions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Übersicht"));
    EXPECT_EQ(actions[0]->toolTip(), QStringLiteral("Zurück zur Laufwerksübersicht"));
    EXPECT_EQ(actions[1]->toolTip(), QStringLiteral("Übergeordneter Ordner"));
    EXPECT_EQ(actions[3]->toolTip(), QStringLiteral("Aktuellen Ordner im Finder zeigen"));

    tree.model.navigate(tree.at("big"));
    actions[3]->trigger();
    ASSERT_EQ(tree.services.revealed.size(), 1u);
    EXPECT_EQ(tree.services.revealed[0], std::vector<std::string>{tree.scratch.path("big")});

    actions[2]->trigger();
    EXPECT_EQ(tree.model.phase(), Phase::Scanning);
    ASSERT_TRUE(test::waitUntil([&] { return tree.model.phase() == Phase::Result; }));
    test::settle(tree.model);

    actions[0]->trigger();
    EXPECT_EQ(tree.model.phase(), Phase::Start);
    EXPECT_FALSE(view.showsContent());
}

TEST(ResultViewTest, TitleIsTheTargetWithTheWholeTreeSize) {
    ScannedTree tree;
    ResultView view(tree.model);
    QStringList titles;
    QObject::connect(&view, &ResultView::titleChanged, [&](const QString& t) { titles << t; });
    const std::int64_t size = tree.model.root().size();
    EXPECT_EQ(view.title(), QStringLiteral("Testbaum — ") + bytes(size));

    // Still the whole tree in a subfolder.
    tree.model.navigate(tree.at("big"));
    EXPECT_EQ(view.title(), QStringLiteral("Testbaum — ") + bytes(size));
    EXPECT_EQ(titles.count(), 0);

    // Trashing shrinks the tree and the title follows.
    const FileNode a = tree.at("big/a.bin");
    tree.model.requestTrash({a});
    tree.model.confirmTrash();
    EXPECT_EQ(view.title(), QStringLiteral("Testbaum — ") + bytes(size - a.size()));
    EXPECT_EQ(titles, QStringList{view.title()});
}

TEST(ResultViewTest, WindowShowsTheTitleAndToolbarWhileTheResultIsOnDisplay) {
    ScannedTree tree;
    MainWindow window(tree.model);
    const auto* toolBar = window.findChild<QToolBar*>(QStringLiteral("toolBar"));
    ASSERT_NE(toolBar, nullptr);
    const auto titles = [&] {
        QStringList texts;
        for (const QAction* action : toolBar->actions()) {
            if (!action->text().isEmpty()) {
                texts << action->text();
            }
        }
        return texts;
    };
    const QString title = QStringLiteral("Testbaum — ") + bytes(tree.model.root().size());
    EXPECT_EQ(window.windowTitle(), title);
    EXPECT_EQ(titles(),
              (QStringList{"Übersicht", "Nach oben", "Erneut scannen", "Im Finder zeigen"}));
    EXPECT_FALSE(toolBar->isHidden());

    tree.model.backToStart();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Raumfuchs"));
    EXPECT_TRUE(toolBar->isHidden());
    EXPECT_TRUE(titles().isEmpty());

    tree.scan(std::nullopt);
    EXPECT_EQ(window.windowTitle(), title);
    EXPECT_EQ(titles().size(), 4);
}

TEST(ResultViewTest, SummaryShowsTheRemainderOnlyForVolumesWithUnattributedSpace) {
    ScannedTree tree;
    ResultView view(tree.model);
    const SummaryBar& summary = *view.chartPane()->summary();
    const QString files = QString::fromStdString(Format::integer(tree.model.root().fileCount())) +
                          QStringLiteral(" Dateien in ") +
                          QString::fromStdString(Format::duration(tree.model.scanDuration()));
    EXPECT_EQ(summary.filesText(), files);
    EXPECT_EQ(tree.model.root().fileCount(), 4);
    EXPECT_TRUE(summary.remainderText().isEmpty());  // a folder scan
    EXPECT_TRUE(summary.unreadableText().isEmpty());

    // The count describes the whole scan, wherever the user looks.
    tree.model.navigate(tree.at("big/deep"));
    EXPECT_EQ(summary.filesText(), files);

    tree.scan(std::int64_t{20'000'000'000});
    EXPECT_EQ(summary.remainderText(),
              QStringLiteral("20 GB nicht zuordenbar (System, Snapshots, Cache)"));
    EXPECT_TRUE(summary.remainderItem()->toolTip().startsWith(
        QStringLiteral("Diesen Platz meldet das Laufwerk als belegt")));

    tree.scan(std::int64_t{0});  // used = scanned: nothing to explain
    EXPECT_TRUE(summary.remainderText().isEmpty());
}

TEST(ResultViewTest, SummaryLinksUnreadableFoldersToTheSettings) {
    ScannedTree tree;
    for (const char* name : {"locked1", "locked2", "big/locked3"}) {
        tree.scratch.folder(name);
        tree.scratch.file(std::string(name) + "/secret", 4096);
    }
    ::chmod(tree.scratch.path().c_str(), 0755);
    for (const char* name : {"locked1", "locked2", "big/locked3"}) {
        ::chmod(tree.scratch.path(name).c_str(), 0);
    }
    {
        test::OrdinaryUserThreads asUser;
        tree.model.startScan(ScanTarget{tree.scratch.path(), QStringLiteral("Testbaum"), {}});
    }
    ASSERT_TRUE(test::waitUntil([&] { return tree.model.phase() == Phase::Result; }));
    test::settle(tree.model);
    for (const char* name : {"locked1", "locked2", "big/locked3"}) {
        ::chmod(tree.scratch.path(name).c_str(), 0755);
    }
    ASSERT_EQ(tree.model.unreadableCount(), 3);

    ResultView view(tree.model);
    const SummaryBar& summary = *view.chartPane()->summary();
    EXPECT_EQ(summary.unreadableText(), QStringLiteral("3 Ordner nicht lesbar"));
    EXPECT_EQ(summary.unreadableButton()->toolTip(),
              QStringLiteral("Erteile Raumfuchs den Festplattenvollzugriff und scanne erneut."));
    summary.unreadableButton()->click();
    EXPECT_EQ(tree.services.addresses.size(), 1u);

    tree.scan(std::nullopt);  // readable again
    EXPECT_EQ(tree.model.unreadableCount(), 0);
    EXPECT_TRUE(summary.unreadableText().isEmpty());
}

TEST(ResultViewTest, EachFolderGetsItsOwnChartAndNavigationAnimatesTheChange) {
    ScannedTree tree;
    ResultView view(tree.model);
    view.resize(1000, 700);
    test::showAndSettle(view);
    EXPECT_GE(view.chartPane()->width(), 380);
    EXPECT_GE(view.sidePanel()->width(), 320);
    EXPECT_LE(view.sidePanel()->width(), 560);

    const SunburstView* first = view.chartPane()->chart();
    EXPECT_TRUE(first->node() == tree.model.root());
    tree.model.navigate(tree.at("big"));
    const SunburstView* second = view.chartPane()->chart();
    EXPECT_NE(first, second);
    EXPECT_TRUE(second->node() == tree.at("big"));
    EXPECT_TRUE(view.chartPane()->isTransitioning());
    ASSERT_TRUE(test::waitUntil([&] { return !view.chartPane()->isTransitioning(); }, 3000));

    // A change that is not navigation (the shown folder goes to the trash)
    // replaces the chart at once.
    tree.model.requestTrash({tree.at("big")});
    tree.model.confirmTrash();
    EXPECT_TRUE(view.chartPane()->chart()->node() == tree.model.root());
    EXPECT_FALSE(view.chartPane()->isTransitioning());
}

}  // namespace
}  // namespace raumfuchs
