#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <functional>

#include "ResultTestSupport.h"
#include "support/HandTree.h"
#include "ui/HoverState.h"
#include "ui/NodeMenu.h"
#include "ui/ResultView.h"
#include "ui/SidePanel.h"
#include "ui/SunburstView.h"

namespace raumfuchs {
namespace {

using test::ScannedTree;

std::string name(const FileNode& node) {
    return node ? node.displayName() : "-";
}

void press(QWidget& widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(&widget, &event);
}

// Start (4 MB): c 3 MB, Bilder 1 MB {b 750 KB, urlaub.jpg 250 KB}.
FileNode handTree() {
    return test::build(test::folder(
        "Start", 0,
        {test::folder("Bilder", 0, {test::file("urlaub.jpg", 250'000), test::file("b", 750'000)}),
         test::file("c", 3'000'000)}));
}

// A chart of the hand tree, nothing shown yet.
struct ChartKeyboardTest : ::testing::Test {
    ChartKeyboardTest() { view.resize(400, 400); }
    bool appReady = (test::ensureApp(), true);  // the widgets below need the application
    FakeDesktopServices services;
    AppModel model{services};
    HoverState hover;
    SunburstView view{model, hover};
    const FileNode start = handTree();
};

TEST_F(ChartKeyboardTest, AccessibleTreeNamesArcsWithSizeAndShareNestedByRing) {
    view.setNode(test::childNamed(start, "Bilder"));
    view.setNode(start);

    QAccessibleInterface* chart = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->role(), QAccessible::Chart);
    EXPECT_EQ(chart->text(QAccessible::Name), "Start, 4 MB");
    ASSERT_EQ(chart->childCount(), 3);  // the disc, then ring 0 clockwise
    QAccessibleInterface* disc = chart->child(0);
    EXPECT_EQ(disc->role(), QAccessible::StaticText);  // the root: no way up
    EXPECT_EQ(disc->text(QAccessible::Name), "Start, 4 MB, 3 Dateien");
    QAccessibleInterface* c = chart->child(1);
    QAccessibleInterface* bilder = chart->child(2);
    EXPECT_EQ(c->text(QAccessible::Name), "c, 3 MB, 75\u00A0%");
    EXPECT_EQ(bilder->text(QAccessible::Name), "Bilder, 1 MB, 25\u00A0%");
    EXPECT_EQ(bilder->text(QAccessible::Description), "Ordner, Ring 1");
    EXPECT_EQ(c->childCount(), 0);
    ASSERT_EQ(bilder->childCount(), 2);
    QAccessibleInterface* b = bilder->child(0);
    EXPECT_EQ(b->text(QAccessible::Name), "b, 750 KB, 19\u00A0%");  // of the shown folder
    EXPECT_EQ(bilder->child(1)->text(QAccessible::Name), "urlaub.jpg, 250 KB, 6,2\u00A0%");
    EXPECT_EQ(b->text(QAccessible::Description), "Datei, Ring 2");
    EXPECT_EQ(b->parent(), bilder);
    EXPECT_EQ(bilder->parent(), chart);
    EXPECT_EQ(chart->indexOfChild(bilder), 2);
    EXPECT_EQ(bilder->indexOfChild(b), 0);
    EXPECT_EQ(chart->child(2), bilder) << "parts are kept, not made anew";
    EXPECT_TRUE(bilder->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::pressAction()));
    EXPECT_FALSE(
        c->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));

    // Geometry: the arc's rectangle holds its middle, and a hit there finds it.
    const QPoint middle = b->rect().center();
    EXPECT_EQ(chart->childAt(middle.x(), middle.y()), bilder);
    EXPECT_EQ(bilder->childAt(middle.x(), middle.y()), b);
    const QPoint centre = view.mapToGlobal(view.rect().center());
    EXPECT_EQ(chart->childAt(centre.x(), centre.y()), disc);

    // Another folder: new parts, and the disc now goes up.
    view.setNode(test::childNamed(start, "Bilder"));
    EXPECT_EQ(chart->childCount(), 3);
    EXPECT_EQ(chart->child(0)->role(), QAccessible::Button);
    EXPECT_EQ(chart->child(0)->text(QAccessible::Name), "Nach oben zu „Start“");
    EXPECT_EQ(chart->child(1)->text(QAccessible::Name), "b, 750 KB, 75\u00A0%");
}

TEST_F(ChartKeyboardTest, ArrowsMoveAlongRingsOutwardsAndInwards) {
    view.setNode(start);
    test::showAndSettle(view);
    view.setFocus();
    // Ring 0 clockwise: c, Bilder; ring 1: b, urlaub.jpg.
    const std::vector<std::pair<int, std::string>> steps{
        {Qt::Key_Down, "-"},           {Qt::Key_Left, "Bilder"},
        {Qt::Key_Right, "c"},          {Qt::Key_Right, "Bilder"},
        {Qt::Key_Right, "c"},          {Qt::Key_Up, "c"},
        {Qt::Key_Left, "Bilder"},      {Qt::Key_Up, "b"},
        {Qt::Key_Right, "urlaub.jpg"}, {Qt::Key_Right, "b"},
        {Qt::Key_Left, "urlaub.jpg"},  {Qt::Key_Up, "urlaub.jpg"},
        {Qt::Key_Down, "Bilder"},      {Qt::Key_Down, "-"},
        {Qt::Key_Down, "-"},           {Qt::Key_Up, "c"}};
    int i = 0;
    for (const auto& [key, expected] : steps) {
        press(view, key);
        EXPECT_EQ(name(hover.hovered()), expected) << "step " << i++;
    }
    // The keyboard's arc is the hovered one: the centre label tells about it.
    EXPECT_EQ(view.centerLabel().name, QStringList{"c"});

    // An empty folder has nowhere to go.
    const FileNode empty = test::build(test::folder("leer", 0, {}));
    view.setNode(empty);
    hover.setHovered(FileNode());
    for (int key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down}) {
        press(view, key);
        EXPECT_EQ(name(hover.hovered()), "-") << key;
    }
}

SunburstView* focusedChart() {
    return qobject_cast<SunburstView*>(QApplication::focusWidget());
}

// The first entry of every menu that opens while `act` runs; each is closed,
// or its entry `trigger` chosen.
QStringList menusDuring(const std::function<void()>& act, const QString& trigger = {}) {
    QStringList first;
    QTimer::singleShot(0, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            first << menu->actions().first()->text();
            for (QAction* action : menu->actions()) {
                if (action->text() == trigger) {
                    action->trigger();
                }
            }
            menu->close();
        }
    });
    act();
    QCoreApplication::processEvents();
    return first;
}

TEST_F(ChartKeyboardTest, ResultScreenWorksWithoutAPointer) {
    ScannedTree tree;
    ResultView screen(tree.model);
    screen.resize(1000, 700);
    test::showAndSettle(screen);
    screen.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));
    SunburstView* chart = screen.findChild<SunburstView*>();
    chart->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(focusedChart(), chart);

    // Tab leaves for the side panel, Shift+Tab comes back.
    press(*chart, Qt::Key_Tab);
    EXPECT_TRUE(screen.findChild<SidePanel*>()->isAncestorOf(QApplication::focusWidget()));
    press(*QApplication::focusWidget(), Qt::Key_Backtab);
    ASSERT_EQ(focusedChart(), chart);

    const HoverState& screenHover = *screen.findChild<HoverState*>();
    press(*chart, Qt::Key_Right);
    ASSERT_EQ(name(screenHover.hovered()), "big");
    press(*chart, Qt::Key_Return);  // zooms in; the new chart keeps the focus
    EXPECT_EQ(tree.model.current(), tree.at("big"));
    ASSERT_NE(focusedChart(), nullptr);
    EXPECT_NE(focusedChart(), chart);
    EXPECT_EQ(focusedChart()->node(), tree.at("big"));
    EXPECT_EQ(name(screenHover.hovered()), "-");

    press(*focusedChart(), Qt::Key_Backspace);  // up, onto the folder it came from
    EXPECT_EQ(tree.model.current(), tree.model.root());
    EXPECT_EQ(name(screenHover.hovered()), "big");
    chart = focusedChart();
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->currentArc(), 0u);

    // Enter on a file does nothing; on the disc it goes up.
    press(*chart, Qt::Key_Right);
    ASSERT_EQ(name(screenHover.hovered()), "file.txt");
    press(*chart, Qt::Key_Return);
    EXPECT_EQ(tree.model.current(), tree.model.root());

    // Shift+F10 and the menu key open the menu of the keyboard's arc; the
    // disc has none. Its trash entry asks for confirmation.
    EXPECT_EQ(menusDuring([&] { press(*chart, Qt::Key_F10, Qt::ShiftModifier); }),
              QStringList{"Öffnen"});
    press(*chart, Qt::Key_Left);
    const auto menuKey = [&] {
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(),
                                chart->mapToGlobal(QPoint()));
        QCoreApplication::sendEvent(chart, &event);
    };
    EXPECT_EQ(menusDuring(menuKey, QStringLiteral("In den Papierkorb legen …")),
              QStringList{"Hineinzoomen"});
    ASSERT_EQ(tree.model.pendingTrash().size(), 1u);
    EXPECT_EQ(tree.model.pendingTrash().front(), tree.at("big"));
    tree.model.confirmTrash();  // the arc went: the keyboard is on the disc again
    EXPECT_EQ(name(screenHover.hovered()), "-");
    EXPECT_EQ(chart->centerLabel().name, QStringList{"Testbaum"});
    EXPECT_TRUE(menusDuring(menuKey).isEmpty());
    press(*chart, Qt::Key_Return);  // the root's disc: nowhere up
    EXPECT_EQ(tree.model.current(), tree.model.root());
}

}  // namespace
}  // namespace raumfuchs
