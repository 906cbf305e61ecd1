#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QToolBar>
#include <cmath>

#include "ResultTestSupport.h"
#include "core/Format.h"
#include "ui/BreadcrumbBar.h"
#include "ui/ChartPane.h"
#include "ui/HoverState.h"
#include "ui/MainWindow.h"
#include "ui/ResultView.h"
#include "ui/SummaryBar.h"
#include "ui/SunburstView.h"
#include "ui/UnattributedDialog.h"

namespace raumfuchs {
namespace {

using test::ScannedTree;

QString bytes(std::int64_t count) {
    return QString::fromStdString(Format::bytes(count));
}

TEST(ResultViewTest, BreadcrumbListsThePathAndNavigatesOnClick) {
    ScannedTree tree;
    ResultView view(tree.model);
    const BreadcrumbBar& bar = *view.findChild<BreadcrumbBar*>();

    tree.model.navigate(tree.at("big/deep/level2"));
    ASSERT_EQ(bar.crumbs().size(), 4u);
    EXPECT_EQ(bar.chevronCount(), 3);
    const QStringList expected{"Testbaum", "big", "deep", "level2"};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(bar.crumbs()[i]->text(), expected[static_cast<int>(i)]);
        EXPECT_EQ(bar.crumbs()[i]->symbol().isEmpty(), i > 0) << i;
        EXPECT_EQ(bar.crumbs()[i]->font().weight() > QFont::Normal, i == 3) << i;
    }
    bar.crumbs()[1]->click();
    EXPECT_TRUE(tree.model.current() == tree.at("big"));
    EXPECT_EQ(bar.crumbs().size(), 2u);

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

    // A whole volume shows the drive on the first crumb.
    tree.scan(std::int64_t{0});
    EXPECT_EQ(view.findChild<BreadcrumbBar*>()->crumbs()[0]->symbol(),
              QStringLiteral("internaldrive"));
}

TEST(ResultViewTest, CrumbShowsANameWithAnAmpersandAsItIs) {
    ScannedTree tree;
    tree.scratch.file("Tom & Jerry/&Co/x.txt", 4096);
    tree.scan(std::nullopt);
    ResultView view(tree.model);
    tree.model.navigate(tree.at("Tom & Jerry/&Co"));
    ASSERT_EQ(view.findChild<BreadcrumbBar*>()->crumbs().size(), 3u);
    for (const auto& [i, name] : {std::pair{1, "Tom & Jerry"}, std::pair{2, "&Co"}}) {
        QAbstractButton* crumb = view.findChild<BreadcrumbBar*>()->crumbs()[std::size_t(i)];
        QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(crumb);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->text(QAccessible::Name), QString::fromUtf8(name));
        EXPECT_TRUE(crumb->shortcut().isEmpty()) << name;  // no mnemonic grabbed
        EXPECT_EQ(crumb->toolTip(), QString::fromUtf8(name));
    }
}

TEST(ResultViewTest, ToolbarActionsAndUpEnabling) {
    ScannedTree tree;
    ResultView view(tree.model);
    const QList<QAction*> actions = view.toolbarActions();
    ASSERT_EQ(actions.size(), 5);
    QAction* up = view.findChild<QAction*>(QStringLiteral("up"));
    EXPECT_EQ(actions[1], up);
    EXPECT_FALSE(up->isEnabled());
    tree.model.navigate(tree.at("big/deep"));
    EXPECT_TRUE(up->isEnabled());
    up->trigger();
    EXPECT_TRUE(tree.model.current() == tree.at("big"));

    EXPECT_EQ(actions[3]->shortcut(), QKeySequence(Qt::Key_F5));
    actions[3]->trigger();  // the shown folder, read in again in place
    EXPECT_TRUE(tree.model.isRefreshing(tree.at("big")));
    test::settle(tree.model);
    EXPECT_FALSE(tree.model.isRefreshing(tree.at("big")));
    actions[4]->trigger();
    EXPECT_EQ(tree.services.revealed,
              std::vector<std::vector<std::string>>{{tree.scratch.path("big")}});
    up->trigger();
    EXPECT_FALSE(up->isEnabled());

    actions[2]->trigger();
    EXPECT_EQ(tree.model.phase(), Phase::Scanning);
    ASSERT_TRUE(test::waitUntil([&] { return tree.model.phase() == Phase::Result; }));
    test::settle(tree.model);
    actions[0]->trigger();
    EXPECT_EQ(tree.model.phase(), Phase::Start);
}

TEST(ResultViewTest, WindowTitleIsTheTargetWithTheWholeTreeSize) {
    ScannedTree tree;
    MainWindow window(tree.model);
    const auto* toolBar = window.findChild<QToolBar*>(QStringLiteral("toolBar"));
    ASSERT_NE(toolBar, nullptr);
    const std::int64_t size = tree.model.root().size();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Testbaum — ") + bytes(size));
    EXPECT_FALSE(toolBar->isHidden());

    tree.model.navigate(tree.at("big"));  // still the whole tree
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Testbaum — ") + bytes(size));
    const FileNode a = tree.at("big/a.bin");
    tree.model.requestTrash({a});
    tree.model.confirmTrash();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Testbaum — ") + bytes(size - a.size()));

    tree.model.backToStart();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Raumfuchs"));
    EXPECT_TRUE(toolBar->isHidden());
}

TEST(ResultViewTest, SummaryCountsFilesExplainsTheRemainderAndLinksUnreadableFolders) {
    ScannedTree tree;
    const char* locked[] = {"locked1", "locked2", "big/locked3"};
    ::chmod(tree.scratch.path().c_str(), 0755);
    for (const char* name : locked) {
        tree.scratch.file(std::string(name) + "/secret", 4096);
        ::chmod(tree.scratch.path(name).c_str(), 0);
    }
    // Scan threads inherit the file-system uid: as root, read as an ordinary user.
    const bool asRoot = ::geteuid() == 0;
    if (asRoot) {
        ::setfsuid(65534);
    }
    tree.model.startScan(ScanTarget{tree.scratch.path(), QStringLiteral("Testbaum"), {}});
    if (asRoot) {
        ::setfsuid(0);
    }
    ASSERT_TRUE(test::waitUntil([&] { return tree.model.phase() == Phase::Result; }));
    test::settle(tree.model);
    for (const char* name : locked) {
        ::chmod(tree.scratch.path(name).c_str(), 0755);
    }

    ResultView view(tree.model);
    const SummaryBar& summary = *view.findChild<SummaryBar*>();
    EXPECT_EQ(summary.unreadableText(), QStringLiteral("3 Ordner nicht lesbar"));
    summary.findChild<QAbstractButton*>(QStringLiteral("unreadable"))->click();
    EXPECT_EQ(tree.services.addresses.size(), 1u);
    tree.scan(std::nullopt);  // readable again
    EXPECT_TRUE(summary.unreadableText().isEmpty());
    EXPECT_TRUE(summary.remainderText().isEmpty());  // a folder scan
    const QString files = QStringLiteral("7 Dateien in ") +
                          QString::fromStdString(Format::duration(tree.model.scanDuration()));
    tree.model.navigate(tree.at("big/deep"));  // the count is the whole scan's
    EXPECT_EQ(summary.filesText(), files);

    tree.scan(std::int64_t{20'000'000'000});
    EXPECT_EQ(summary.remainderText(),
              QStringLiteral("20 GB nicht zuordenbar (System, Snapshots, Cache)"));
    tree.scan(std::int64_t{0});  // used = scanned: nothing to explain
    EXPECT_TRUE(summary.remainderText().isEmpty());
}

TEST(ResultViewTest, RemainderOpensWhatItIsMadeOf) {
    ScannedTree tree(std::int64_t{300'000'000'000});
    ResultView view(tree.model);
    auto* remainder = view.findChild<QAbstractButton*>(QStringLiteral("remainder"));
    ASSERT_NE(remainder, nullptr);
    EXPECT_FALSE(remainder->toolTip().isEmpty());
    EXPECT_EQ(remainder->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(remainder->focusPolicy() & Qt::TabFocus);
    ASSERT_TRUE(tree.model.unattributed());

    QTest::keyClick(remainder, Qt::Key_Space);  // as a keyboard user opens it
    auto* dialog = view.findChild<UnattributedDialog*>();
    ASSERT_NE(dialog, nullptr);
    QStringList texts;
    for (const QLabel* label : dialog->findChildren<QLabel*>()) {
        texts << label->text();
    }
    const UnattributedSpace& space = *tree.model.unattributed();
    for (const QString& shown :
         {bytes(300'000'000'000) + " nicht zuordenbar",
          QStringLiteral("Für den Administrator reserviert"), bytes(space.reserved),
          bytes(space.deletedOpen.bytes), QStringLiteral("Unter Einhängepunkten verborgen"),
          QStringLiteral("0 Ordner"),
          bytes(300'000'000'000 - space.reserved - space.deletedOpen.bytes -
                space.underMounts.value_or(0))}) {
        EXPECT_TRUE(texts.contains(shown)) << shown.toStdString() << "\n"
                                           << texts.join('|').toStdString();
    }
    dialog->reject();
}

TEST(ResultViewTest, ClickedFolderStaysHoveredUntilThePointerMoves) {
    ScannedTree tree;
    ResultView view(tree.model);
    view.resize(1000, 700);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const auto chart = [&] { return view.findChild<ChartPane*>()->chart(); };
    const auto hovered = [&] {
        const FileNode& node = view.findChild<HoverState*>()->hovered();
        return node ? node.displayName() : std::string("-");
    };
    // Halfway through the arc of `name`, in the middle of its angle.
    const auto arc = [&](const FileNode& node) {
        for (const Segment& s : chart()->segments()) {
            if (s.node == node) {
                const RingGeometry g = chart()->ringGeometry();
                const double r = g.innerRadius + (s.depth + 0.5) * g.ringWidth;
                const double a = (s.start + s.end) / 2;
                return QPointF(g.center.x + r * std::sin(a), g.center.y - r * std::cos(a))
                    .toPoint();
            }
        }
        ADD_FAILURE() << node.displayName();
        return QPoint();
    };

    const QPoint onBig = arc(tree.at("big"));
    QTest::mouseMove(chart(), onBig);
    ASSERT_EQ(hovered(), "big");
    QTest::mouseClick(chart(), Qt::LeftButton, {}, onBig);
    QCoreApplication::processEvents();
    ASSERT_TRUE(chart()->node() == tree.at("big"));
    EXPECT_EQ(hovered(), "big");
    EXPECT_FALSE(chart()->centerLabel().upIcon);  // the label describes the hovered "big"

    // The first real move hit-tests the new chart: the disc of "big" is no arc.
    const QPoint disc(int(chart()->ringGeometry().center.x), int(chart()->ringGeometry().center.y));
    QTest::mouseMove(chart(), disc);
    EXPECT_EQ(hovered(), "-");
    EXPECT_TRUE(chart()->centerLabel().upIcon);

    // Zoomed in again, the pointer leaving the chart ends the hover as well.
    QTest::mouseMove(chart(), arc(tree.at("big/deep")));
    QTest::mouseClick(chart(), Qt::LeftButton, {}, arc(tree.at("big/deep")));
    QCoreApplication::processEvents();
    EXPECT_EQ(hovered(), "deep");
    QTest::mouseMove(&view, QPoint(view.width() - 5, view.height() - 5));  // over the panel
    EXPECT_EQ(hovered(), "-");
}

TEST(ResultViewTest, NavigationAnimatesToANewChartOtherChangesReplaceItAtOnce) {
    ScannedTree tree;
    ResultView view(tree.model);
    view.resize(1000, 700);
    test::showAndSettle(view);
    const ChartPane& pane = *view.findChild<ChartPane*>();
    tree.model.navigate(tree.at("big"));
    EXPECT_TRUE(pane.chart()->node() == tree.at("big"));
    EXPECT_TRUE(pane.isTransitioning());
    ASSERT_TRUE(test::waitUntil([&] { return !pane.isTransitioning(); }, 3000));

    tree.model.requestTrash({tree.at("big")});
    tree.model.confirmTrash();
    EXPECT_TRUE(pane.chart()->node() == tree.model.root());
    EXPECT_FALSE(pane.isTransitioning());
}

}  // namespace
}  // namespace raumfuchs
