#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QListView>
#include <QMimeData>
#include <QSignalSpy>
#include <memory>
#include <set>

#include "ui/ResultTestSupport.h"
#include "ui/result/list/NodeListModel.h"
#include "ui/result/list/SidePanel.h"
#include "ui/result/list/TrashDropZone.h"
#include "ui/result/node/HoverState.h"
#include "ui/widgets/TextLabel.h"

namespace raumfuchs {
namespace {

using Names = QStringList;

struct SidePanelTest : ::testing::Test {
    SidePanelTest() {
        panel.resize(400, 600);
        test::showAndSettle(panel);
    }
    QListView* list() const { return panel.findChild<QListView*>(QStringLiteral("rows")); }
    NodeListModel& rows() const { return *qobject_cast<NodeListModel*>(list()->model()); }
    // The empty-state text on show, or an empty string.
    QString emptyText() const {
        const auto* label = panel.findChild<TextLabel*>(QStringLiteral("emptyText"));
        return label->isVisibleTo(&panel) ? label->text() : QString();
    }
    bool isSpinnerShown() const {
        return panel.findChild<QWidget*>(QStringLiteral("spinner"))->isVisibleTo(&panel);
    }
    Names rowNames() const { return test::rowTexts(rows()); }
    QModelIndex indexOf(const std::string& relative) const {
        for (int row = 0; row < rows().rowCount(); ++row) {
            if (rows().nodeAt(row) == tree.at(relative)) {
                return rows().index(row);
            }
        }
        return {};
    }
    void select(std::initializer_list<std::string> names) {
        list()->clearSelection();
        for (const std::string& name : names) {
            list()->selectionModel()->select(indexOf(name), QItemSelectionModel::Select);
        }
    }
    bool waitForLoad() {
        return test::waitUntil([&] { return !panel.isLoadingLargest(); }, 10000);
    }
    void drop(const QByteArray& uriList) {
        TrashDropZone& zone = *panel.findChild<TrashDropZone*>(QStringLiteral("dropZone"));
        QMimeData data;
        data.setData(QStringLiteral("text/uri-list"), uriList);
        const QPointF centre = QRectF(zone.rect()).center();
        QDragEnterEvent enter(centre.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&zone, &enter);
        EXPECT_TRUE(enter.isAccepted() && zone.isDropTargeted());
        QDropEvent dropEvent(centre, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&zone, &dropEvent);
        EXPECT_FALSE(zone.isDropTargeted());
        QCoreApplication::processEvents();
    }

    test::ScannedTree tree;
    HoverState hover;
    SidePanel panel{tree.model, hover};
};

TEST_F(SidePanelTest, PickerSwitchesListsAndSelectionFollowsTheRules) {
    EXPECT_EQ(rowNames(), (Names{"big", "file.txt", "nofiles", "empty"}));
    select({"big", "file.txt"});
    EXPECT_EQ(panel.selectedNodes().size(), 2u);

    panel.setMode(SidePanel::Mode::Largest);
    EXPECT_TRUE(panel.selectedNodes().empty());  // a mode change clears the selection
    EXPECT_TRUE(isSpinnerShown());
    EXPECT_TRUE(emptyText().isEmpty());  // no empty text while loading
    ASSERT_TRUE(waitForLoad());
    EXPECT_FALSE(isSpinnerShown());
    EXPECT_EQ(rowNames(), (Names{"a.bin", "b.bin", "file.txt", "leaf.txt"}));

    select({"big/b.bin"});
    tree.model.navigate(tree.at("big"));  // another folder clears it
    EXPECT_TRUE(panel.selectedNodes().empty());
    ASSERT_TRUE(waitForLoad());
    panel.setMode(SidePanel::Mode::Contents);
    EXPECT_EQ(rowNames(), (Names{"a.bin", "b.bin", "deep"}));

    tree.model.navigate(tree.at("empty"));
    EXPECT_EQ(emptyText(), QStringLiteral("Dieser Ordner ist leer."));
    tree.model.navigate(tree.at("nofiles"));
    EXPECT_TRUE(emptyText().isEmpty());  // it holds "sub"
    panel.setMode(SidePanel::Mode::Largest);
    ASSERT_TRUE(waitForLoad());
    EXPECT_EQ(emptyText(), QStringLiteral("Keine Dateien gefunden."));

    // The largest files of a folder left meanwhile are discarded, never shown.
    tree.model.navigate(tree.model.root());
    panel.setMode(SidePanel::Mode::Contents);
    tree.model.navigate(tree.at("big"));
    ASSERT_TRUE(waitForLoad());
    panel.setMode(SidePanel::Mode::Largest);
    EXPECT_TRUE(rowNames().empty());
    ASSERT_TRUE(waitForLoad());
    EXPECT_EQ(rowNames(), (Names{"a.bin", "b.bin", "leaf.txt"}));
}

// The kinds view of the shown folder: its categories (".bin" names no kind
// the desktop knows, ".txt" is a document), then the ages; a click or Return
// on a category selects it, and "Größte Dateien" then lists only that kind,
// until a second click clears it.
TEST_F(SidePanelTest, KindsViewCountsTheFolderAndASelectedKindFiltersTheLargestFiles) {
    if (!tree.model.kinds().kinds()) {
        GTEST_SKIP() << tree.model.kinds().kindsError().toStdString();
    }
    auto* kinds = panel.findChild<QListView*>(QStringLiteral("kinds"));
    ASSERT_TRUE(kinds && !kinds->isVisibleTo(&panel));
    const auto shown = [&] { return test::rowTexts(*kinds->model(), Qt::AccessibleTextRole); };
    const auto counted = [&] {
        return test::waitUntil([&] { return !tree.model.kinds().isCounting(); });
    };
    // The arrow keys choose in the picker, from the chosen view on.
    auto* contents = test::withText<QAbstractButton>(panel, QStringLiteral("Inhalt"));
    ASSERT_TRUE(contents);
    panel.activateWindow();
    contents->setFocus();
    test::pressKey(*contents, Qt::Key_Right);
    EXPECT_EQ(panel.mode(), SidePanel::Mode::Largest);
    test::pressKey(*QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_EQ(panel.mode(), SidePanel::Mode::Kinds);
    EXPECT_TRUE(kinds->isVisibleTo(&panel));
    EXPECT_FALSE(list()->isVisibleTo(&panel));
    ASSERT_TRUE(counted());
    std::int64_t total = tree.model.root().size();
    // A category's or age's row; a category adds its largest endings.
    const auto row = [&](const char* name, std::int64_t bytes, std::int64_t files,
                         const char* ending = nullptr) {
        const QString count = QString::fromStdString(Format::files(files));
        return QStringLiteral("%1, %2, %3, %4")
                   .arg(QString::fromUtf8(name), test::bytes(bytes), count,
                        test::percent(bytes, total)) +
               (ending ? QStringLiteral(", größte Endungen: %1 %2, %3")
                             .arg(QLatin1String(ending), test::bytes(bytes), count)
                       : QString());
    };
    const std::int64_t bins = 96 * 1024;
    const std::int64_t texts = 20 * 1024;
    EXPECT_EQ(shown(),
              (QStringList{row("Sonstige", bins, 2, ".bin"), row("Dokumente", texts, 2, ".txt"),
                           QStringLiteral("Alter"), row("Letzte 30 Tage", bins + texts, 4),
                           row("Bis 1 Jahr", 0, 0), row("Bis 3 Jahre", 0, 0), row("Älter", 0, 0)}));

    kinds->setFocus();
    kinds->setCurrentIndex(kinds->model()->index(1, 0));
    test::pressKey(*kinds, Qt::Key_Return);
    EXPECT_EQ(tree.model.kinds().selected(), FileCategory::Documents);
    EXPECT_TRUE(shown()[1].endsWith(QStringLiteral(", ausgewählt")));
    panel.setMode(SidePanel::Mode::Largest);
    ASSERT_TRUE(waitForLoad());
    EXPECT_EQ(rowNames(), (Names{"file.txt", "leaf.txt"}));
    const auto* filter = panel.findChild<TextLabel*>(QStringLiteral("kindFilter"));
    EXPECT_TRUE(filter->isVisibleTo(&panel));
    EXPECT_EQ(filter->text(), QStringLiteral("Nur Dokumente (unter „Dateitypen“ gewählt)"));

    // Another folder counts its own files and keeps the kind.
    tree.model.navigate(tree.at("big"));
    ASSERT_TRUE(waitForLoad());
    EXPECT_EQ(rowNames(), (Names{"leaf.txt"}));
    panel.setMode(SidePanel::Mode::Kinds);
    ASSERT_TRUE(counted());
    total = tree.at("big").size();
    EXPECT_EQ(shown().mid(0, 2), (QStringList{row("Sonstige", bins, 2, ".bin"),
                                              row("Dokumente", 4096, 1, ".txt") + ", ausgewählt"}));

    test::click(*kinds->viewport(), kinds->visualRect(kinds->model()->index(1, 0)).center());
    EXPECT_FALSE(tree.model.kinds().selected());
    panel.setMode(SidePanel::Mode::Largest);
    ASSERT_TRUE(waitForLoad());
    EXPECT_EQ(rowNames(), (Names{"a.bin", "b.bin", "leaf.txt"}));
    EXPECT_FALSE(filter->isVisibleTo(&panel));
}

TEST_F(SidePanelTest, ListModelAnswersRolesAndFollowsTheTrashRowByRow) {
    tree.scratch.file("heavy/a.bin", 256 * 1024);
    tree.scratch.file("heavy/b.bin", 8 * 1024);
    tree.scan();
    NodeListModel& model = rows();
    const QAbstractItemModelTester tester(&model,
                                          QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_EQ(rowNames(), (Names{"heavy", "big", "file.txt", "nofiles", "empty"}));
    EXPECT_EQ(
        indexOf("file.txt").data(Qt::AccessibleTextRole).toString(),
        QStringLiteral("file.txt, 16 KB, ") + test::percent(16 * 1024, tree.model.root().size()));

    // A removal, not a reset: the other rows stay selected, the emptied
    // folder falls behind "big", and every share grows with the smaller total.
    select({"big", "heavy", "nofiles"});
    const double bigShare = indexOf("big").data(NodeListModel::ShareRole).toDouble();
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    test::trash(tree.model, {tree.at("file.txt"), tree.at("heavy/a.bin")});
    EXPECT_EQ(reset.count(), 0);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed[0].mid(1), (QVariantList{2, 2}));  // the row of "file.txt" only
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(rowNames(), (Names{"big", "heavy", "nofiles", "empty"}));
    EXPECT_EQ(panel.selectedNodes(),
              (std::vector<FileNode>{tree.at("big"), tree.at("heavy"), tree.at("nofiles")}));
    EXPECT_GT(indexOf("big").data(NodeListModel::ShareRole).toDouble(), bigShare + 0.1);

    // The largest files: the path joins the accessible text; a trashed file's
    // row goes at once, before the reloaded list replaces them all.
    panel.setMode(SidePanel::Mode::Largest);
    ASSERT_TRUE(waitForLoad());
    EXPECT_EQ(model.index(0).data(Qt::AccessibleTextRole).toString(),
              QStringLiteral("a.bin, Testbaum/big, 66 KB, ") +
                  test::percent(64 * 1024, tree.model.root().size()));
    select({"big/b.bin"});
    removed.clear();
    reset.clear();
    test::trash(tree.model, {tree.at("big/a.bin")});
    EXPECT_EQ(reset.count(), 0);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed[0][1].toInt(), 0);
    ASSERT_TRUE(waitForLoad());  // the reloaded list keeps the rest of the selection
    EXPECT_EQ(panel.selectedNodes(), std::vector<FileNode>{tree.at("big/b.bin")});

    tree.model.navigate(tree.at("empty"));  // another folder: resets, down to no rows
    ASSERT_TRUE(waitForLoad());
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(SidePanelTest, DoubleClickMenuAndDeleteKeyFollowTheSelection) {
    const auto doubleClick = [&](const std::string& name) {
        test::doubleClick(*list()->viewport(), list()->visualRect(indexOf(name)).center());
    };
    doubleClick("empty");  // an empty folder opens like a file
    doubleClick("file.txt");
    EXPECT_EQ(tree.services.opened, (std::vector<std::string>{tree.scratch.path("empty"),
                                                              tree.scratch.path("file.txt")}));
    EXPECT_TRUE(tree.model.current() == tree.model.root());

    // The menu covers the selection only when the clicked row is part of it.
    select({"big", "empty"});
    EXPECT_EQ(panel.menuNodes(indexOf("empty")),
              (std::vector<FileNode>{tree.at("big"), tree.at("empty")}));
    EXPECT_EQ(panel.menuNodes(indexOf("file.txt")), std::vector<FileNode>{tree.at("file.txt")});
    // Several rows selected: activating one of them does nothing.
    panel.activate(indexOf("big"));
    EXPECT_TRUE(tree.model.current() == tree.model.root());
    EXPECT_EQ(tree.services.opened.size(), 2u);

    // Delete with nothing selected: the guard notice, no confirmation.
    select({});
    list()->setFocus();
    test::pressKey(*list(), Qt::Key_Delete);
    ASSERT_TRUE(tree.model.alertMessage().has_value());
    EXPECT_TRUE(tree.model.alertMessage()->startsWith(QStringLiteral("Systemdateien")));
    EXPECT_FALSE(tree.model.isConfirmingTrash());
    tree.model.setAlertMessage(std::nullopt);

    // Backspace never trashes: it goes up, onto the folder it came from, and
    // at the root it does nothing.
    select({"file.txt"});
    test::pressKey(*list(), Qt::Key_Backspace);
    EXPECT_FALSE(tree.model.isConfirmingTrash() || tree.model.alertMessage());
    EXPECT_TRUE(tree.model.current() == tree.model.root());
    tree.model.navigate(tree.at("big/deep"));
    test::pressKey(*list(), Qt::Key_Backspace);
    EXPECT_TRUE(tree.model.current() == tree.at("big"));
    EXPECT_EQ(panel.selectedNodes(), std::vector<FileNode>{tree.at("big/deep")});
    EXPECT_EQ(list()->currentIndex(), indexOf("big/deep"));
    EXPECT_FALSE(tree.model.isConfirmingTrash() || tree.model.alertMessage());
    tree.model.navigate(tree.model.root());

    select({"empty", "file.txt"});
    test::pressKey(*list(), Qt::Key_Delete);
    ASSERT_TRUE(tree.model.isConfirmingTrash());
    EXPECT_EQ(tree.model.pendingTrash(),
              (std::vector<FileNode>{tree.at("file.txt"), tree.at("empty")}));  // row order
    tree.model.confirmTrash();
    EXPECT_EQ(rowNames(), (Names{"big", "nofiles"}));
    EXPECT_TRUE(panel.selectedNodes().empty());

    doubleClick("big");
    EXPECT_TRUE(tree.model.current() == tree.at("big"));
    EXPECT_EQ(tree.services.opened.size(), 2u);
}

TEST_F(SidePanelTest, DropZoneTrashesTheDroppedNodesOfTheTreeInOrder) {
    const QByteArray outside = "file:///etc/hostname\r\n";
    const QByteArray path = "file://" + QByteArray::fromStdString(tree.scratch.path());
    drop(path + "/file.txt\r\n" + outside + path + "/big/a.bin\r\n");
    ASSERT_TRUE(tree.model.isConfirmingTrash());
    EXPECT_EQ(tree.model.pendingTrash(),
              (std::vector<FileNode>{tree.at("file.txt"), tree.at("big/a.bin")}));

    tree.model.setPendingTrash({});
    tree.model.setConfirmingTrash(false);
    drop(outside);  // nothing of the tree: nothing happens
    EXPECT_FALSE(tree.model.isConfirmingTrash() || tree.model.alertMessage());

    // A row dragged out of the panel, its name not UTF-8.
    const std::string odd = "big/K\xf6ln 100%.txt";
    tree.scratch.file(odd, 4096);
    tree.scan();
    const std::unique_ptr<QMimeData> row(SidePanel::mimeData(tree.at(odd)));
    EXPECT_TRUE(row->data(QStringLiteral("text/uri-list")).contains("K%F6ln%20100%25.txt"));
    drop(row->data(QStringLiteral("text/uri-list")));
    EXPECT_EQ(tree.model.pendingTrash(), std::vector<FileNode>{tree.at(odd)});
}

// The row of the chart's hovered node is tinted; the list is inset and every
// row's bar ends at the same x.
TEST_F(SidePanelTest, RowsAreTintedInsetAndTheirBarsAligned) {
    const auto tint = [&](const char* name) {
        const QRect rect = list()->visualRect(indexOf(name));
        QCoreApplication::processEvents();
        const QColor colour =
            list()->viewport()->grab().toImage().pixelColor(rect.left() + 3, rect.top() + 2);
        return colour.blue() - colour.red();  // the accent is a clear blue
    };
    const int plainBig = tint("big");
    const int plainEmpty = tint("empty");
    hover.setHovered(tree.at("big"));
    EXPECT_GT(tint("big"), plainBig + 15);
    EXPECT_EQ(tint("empty"), plainEmpty);
    hover.setHovered(tree.at("big/deep/level2"));  // no row of its own: nothing tinted
    EXPECT_EQ(tint("big"), plainBig);

    // The list lines up with the picker's segments.
    const auto* first = panel.findChild<QWidget*>(QStringLiteral("first"));
    const auto* last = panel.findChild<QWidget*>(QStringLiteral("last"));
    ASSERT_TRUE(first && last);
    const QRect area(list()->mapTo(&panel, QPoint(0, 0)), list()->size());
    EXPECT_EQ(area.left(), first->mapTo(&panel, QPoint(0, 0)).x());
    EXPECT_EQ(area.right(), last->mapTo(&panel, QPoint(last->width() - 1, 0)).x());

    // Sizes of different widths ("1xx KB", "16 KB", "8 KB", "4 KB"): each
    // row's bar is its one long stretch off the row's background.
    const QImage image = list()->viewport()->grab().toImage();
    ASSERT_EQ(rows().rowCount(), 4);
    std::set<int> barEnds;
    for (int row = 0; row < rows().rowCount(); ++row) {
        const QRect rect = list()->visualRect(rows().index(row));
        const QRgb background = image.pixel(rect.left() + 1, rect.top() + 1);
        int longest = 0;
        int end = -1;
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            for (int x = rect.left(), run = 0; x <= rect.right(); ++x) {
                run = image.pixel(x, y) == background ? 0 : run + 1;
                if (run > longest) {
                    longest = run;
                    end = x;
                }
            }
        }
        EXPECT_GT(longest, 40) << row;
        barEnds.insert(end);
    }
    EXPECT_EQ(barEnds.size(), 1u);
}

}  // namespace
}  // namespace raumfuchs
