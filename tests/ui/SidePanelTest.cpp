#include <gtest/gtest.h>

#include <QDropEvent>
#include <QItemSelectionModel>
#include <QListView>
#include <QMimeData>
#include <memory>

#include "ResultTestSupport.h"
#include "ui/HoverState.h"
#include "ui/NodeListModel.h"
#include "ui/SidePanel.h"
#include "ui/TrashDropZone.h"

namespace raumfuchs {
namespace {

using test::ScannedTree;

struct Panel {
    explicit Panel(ScannedTree& tree) : panel(tree.model, hover) {
        panel.resize(400, 600);
        test::showAndSettle(panel);
    }
    std::vector<std::string> rowNames() const {
        std::vector<std::string> names;
        for (int row = 0; row < panel.rows().rowCount(); ++row) {
            names.emplace_back(panel.rows().nodeAt(row).nameBytes());
        }
        return names;
    }
    QModelIndex indexOf(const FileNode& node) const {
        for (int row = 0; row < panel.rows().rowCount(); ++row) {
            if (panel.rows().nodeAt(row) == node) {
                return panel.rows().index(row);
            }
        }
        return {};
    }
    void select(std::initializer_list<FileNode> nodes) {
        for (const FileNode& node : nodes) {
            panel.list()->selectionModel()->select(indexOf(node), QItemSelectionModel::Select);
        }
    }
    HoverState hover;
    SidePanel panel;
};

bool waitForLoad(SidePanel& panel) {
    return test::waitUntil([&] { return !panel.isLoadingLargest(); }, 10000);
}

void dropUrls(TrashDropZone& zone, const QByteArray& uriList) {
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"), uriList);
    const QPointF centre = QRectF(zone.rect()).center();
    QDragEnterEvent enter(centre.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&zone, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_TRUE(zone.isDropTargeted());
    QDropEvent drop(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&zone, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_FALSE(zone.isDropTargeted());
    QCoreApplication::processEvents();
}

TEST(SidePanelTest, PickerSwitchesListsAndSelectionFollowsTheRules) {
    ScannedTree tree;
    Panel p(tree);
    EXPECT_EQ(p.rowNames(), (std::vector<std::string>{"big", "file.txt", "nofiles", "empty"}));
    EXPECT_FALSE(p.panel.rows().showsPath());
    EXPECT_TRUE(p.panel.emptyText().isEmpty());

    p.select({tree.at("big"), tree.at("file.txt")});
    EXPECT_EQ(p.panel.selectedNodes().size(), 2u);

    p.panel.setMode(SidePanel::Mode::Largest);
    EXPECT_TRUE(p.panel.selectedNodes().empty());  // a mode change clears the selection
    EXPECT_TRUE(p.panel.isLoadingLargest());
    EXPECT_TRUE(p.panel.isSpinnerShown());
    EXPECT_TRUE(p.panel.emptyText().isEmpty());  // no empty text while loading
    ASSERT_TRUE(waitForLoad(p.panel));
    EXPECT_FALSE(p.panel.isSpinnerShown());
    EXPECT_EQ(p.rowNames(), (std::vector<std::string>{"a.bin", "b.bin", "file.txt", "leaf.txt"}));
    EXPECT_TRUE(p.panel.rows().showsPath());

    // A change of the tree reloads the list and keeps the selection.
    p.select({tree.at("big/b.bin"), tree.at("file.txt")});
    tree.model.requestTrash({tree.at("file.txt")});
    tree.model.confirmTrash();
    EXPECT_TRUE(p.panel.isLoadingLargest());
    ASSERT_TRUE(waitForLoad(p.panel));
    EXPECT_EQ(p.rowNames(), (std::vector<std::string>{"a.bin", "b.bin", "leaf.txt"}));
    ASSERT_EQ(p.panel.selectedNodes().size(), 1u);
    EXPECT_TRUE(p.panel.selectedNodes()[0] == tree.at("big/b.bin"));

    // Another folder clears it, in either mode.
    tree.model.navigate(tree.at("big"));
    EXPECT_TRUE(p.panel.selectedNodes().empty());
    ASSERT_TRUE(waitForLoad(p.panel));
    EXPECT_EQ(p.rowNames(), (std::vector<std::string>{"a.bin", "b.bin", "leaf.txt"}));

    p.panel.setMode(SidePanel::Mode::Contents);
    EXPECT_EQ(p.rowNames(), (std::vector<std::string>{"a.bin", "b.bin", "deep"}));
}

TEST(SidePanelTest, EmptyTextsForAnEmptyFolderAndAFolderWithoutFiles) {
    ScannedTree tree;
    Panel p(tree);
    tree.model.navigate(tree.at("empty"));
    EXPECT_EQ(p.panel.emptyText(), QStringLiteral("Dieser Ordner ist leer."));

    tree.model.navigate(tree.at("nofiles"));
    EXPECT_TRUE(p.panel.emptyText().isEmpty());  // it holds "sub"
    p.panel.setMode(SidePanel::Mode::Largest);
    ASSERT_TRUE(waitForLoad(p.panel));
    EXPECT_EQ(p.panel.emptyText(), QStringLiteral("Keine Dateien gefunden."));
}

TEST(SidePanelTest, DoubleClickZoomsIntoFoldersAndOpensEverythingElse) {
    ScannedTree tree;
    Panel p(tree);
    const auto doubleClick = [&](const FileNode& node) {
        const QRect rect = p.panel.list()->visualRect(p.indexOf(node));
        test::doubleClick(*p.panel.list()->viewport(), rect.center());
    };

    doubleClick(tree.at("empty"));
    EXPECT_EQ(tree.services.opened, std::vector<std::string>{tree.scratch.path("empty")});
    EXPECT_TRUE(tree.model.current() == tree.model.root());

    doubleClick(tree.at("file.txt"));
    ASSERT_EQ(tree.services.opened.size(), 2u);
    EXPECT_EQ(tree.services.opened[1], tree.scratch.path("file.txt"));

    // Several rows selected: a double-click on one of them does nothing.
    p.panel.list()->clearSelection();
    p.select({tree.at("big"), tree.at("file.txt")});
    p.panel.activate(p.indexOf(tree.at("big")));
    EXPECT_TRUE(tree.model.current() == tree.model.root());
    EXPECT_EQ(tree.services.opened.size(), 2u);

    p.panel.list()->clearSelection();
    doubleClick(tree.at("big"));
    EXPECT_TRUE(tree.model.current() == tree.at("big"));
    EXPECT_EQ(tree.services.opened.size(), 2u);
}

TEST(SidePanelTest, DeleteKeyAsksTheModelToTrashTheSelection) {
    ScannedTree tree;
    Panel p(tree);
    p.panel.list()->setFocus();

    // Nothing selected: the model's guard notice, no dialog.
    test::pressKey(*p.panel.list(), Qt::Key_Delete);
    ASSERT_TRUE(tree.model.alertMessage().has_value());
    EXPECT_TRUE(tree.model.alertMessage()->startsWith(QStringLiteral("Systemdateien")));
    EXPECT_FALSE(tree.model.isConfirmingTrash());

    // Trashing rows removes them from the list.
    const FileNode file = tree.at("file.txt");
    const FileNode empty = tree.at("empty");
    p.select({empty, file});
    test::pressKey(*p.panel.list(), Qt::Key_Backspace);
    ASSERT_TRUE(tree.model.isConfirmingTrash());
    EXPECT_EQ(tree.model.pendingTrash(), (std::vector<FileNode>{file, empty}));  // row order
    tree.model.confirmTrash();
    EXPECT_EQ(p.rowNames(), (std::vector<std::string>{"big", "nofiles"}));
    EXPECT_EQ(tree.services.trashed, (std::vector<std::string>{tree.scratch.path("file.txt"),
                                                               tree.scratch.path("empty")}));
    EXPECT_TRUE(p.panel.selectedNodes().empty());  // the removed identities match no row
}

TEST(SidePanelTest, MenuAppliesToTheSelectionOnlyWhenTheClickedRowIsSelected) {
    ScannedTree tree;
    Panel p(tree);
    p.select({tree.at("big"), tree.at("empty")});
    EXPECT_EQ(p.panel.menuNodes(p.indexOf(tree.at("empty"))),
              (std::vector<FileNode>{tree.at("big"), tree.at("empty")}));
    EXPECT_EQ(p.panel.menuNodes(p.indexOf(tree.at("file.txt"))),
              std::vector<FileNode>{tree.at("file.txt")});
    EXPECT_TRUE(p.panel.menuNodes(QModelIndex()).empty());
}

TEST(SidePanelTest, DropZoneTrashesTheDroppedNodesOfTheTreeInOrder) {
    ScannedTree tree;
    Panel p(tree);
    const QByteArray first = "file://" + QByteArray::fromStdString(tree.scratch.path("file.txt"));
    const QByteArray outside = "file:///etc/hostname";
    const QByteArray third = "file://" + QByteArray::fromStdString(tree.scratch.path("big/a.bin"));
    dropUrls(*p.panel.dropZone(), first + "\r\n" + outside + "\r\n" + third + "\r\n");
    ASSERT_TRUE(tree.model.isConfirmingTrash());
    EXPECT_EQ(tree.model.pendingTrash(),
              (std::vector<FileNode>{tree.at("file.txt"), tree.at("big/a.bin")}));

    // Nothing of the tree: nothing happens at all.
    tree.model.setPendingTrash({});
    tree.model.setConfirmingTrash(false);
    dropUrls(*p.panel.dropZone(), outside + "\r\n");
    EXPECT_FALSE(tree.model.isConfirmingTrash());
    EXPECT_FALSE(tree.model.alertMessage().has_value());

    // A row dragged out of the panel itself.
    const std::unique_ptr<QMimeData> row(SidePanel::mimeData(tree.at("big")));
    dropUrls(*p.panel.dropZone(), row->data(QStringLiteral("text/uri-list")));
    EXPECT_EQ(tree.model.pendingTrash(), std::vector<FileNode>{tree.at("big")});
}

TEST(SidePanelTest, DraggedRowsCarryTheExactBytesOfTheirPath) {
    test::Scratch scratch;
    const std::string odd = "K\xf6ln 100%.txt";  // Latin-1 ö: not UTF-8
    scratch.file(odd, 4096);
    FakeDesktopServices services;
    AppModel model(services);
    test::scanAndWait(model, scratch.path(), QStringLiteral("Fremd"));
    const FileNode node = model.node(scratch.path(odd));
    ASSERT_TRUE(node);
    const std::unique_ptr<QMimeData> data(SidePanel::mimeData(node));
    EXPECT_TRUE(data->data(QStringLiteral("text/uri-list")).contains("K%F6ln%20100%25.txt"));
    EXPECT_EQ(TrashDropZone::localPaths(*data), std::vector<std::string>{scratch.path(odd)});
}

TEST(SidePanelTest, LargestFilesOfAFolderLeftMeanwhileAreDiscarded) {
    ScannedTree tree;
    Panel p(tree);
    // Ask for the root's largest files, then leave the mode and the folder
    // before the answer can arrive.
    p.panel.setMode(SidePanel::Mode::Largest);
    p.panel.setMode(SidePanel::Mode::Contents);
    tree.model.navigate(tree.at("big"));
    EXPECT_TRUE(p.panel.isLoadingLargest());
    ASSERT_TRUE(waitForLoad(p.panel));  // nothing newer runs: the flag clears
    EXPECT_TRUE(p.panel.largest().empty());
    EXPECT_EQ(p.rowNames(), (std::vector<std::string>{"a.bin", "b.bin", "deep"}));

    p.panel.setMode(SidePanel::Mode::Largest);
    ASSERT_TRUE(waitForLoad(p.panel));
    EXPECT_EQ(p.rowNames(), (std::vector<std::string>{"a.bin", "b.bin", "leaf.txt"}));
}

TEST(SidePanelTest, RowOfTheChartsHoveredNodeIsTintedWithTheAccent) {
    ScannedTree tree;
    Panel p(tree);
    p.panel.list()->clearSelection();
    const auto tint = [&](const char* name) {
        const QRect rect = p.panel.list()->visualRect(p.indexOf(tree.at(name)));
        QCoreApplication::processEvents();
        const QImage image = p.panel.list()->viewport()->grab().toImage();
        const QColor colour = image.pixelColor(rect.left() + 3, rect.top() + 2);
        return colour.blue() - colour.red();  // the accent is a clear blue
    };
    const int plainBig = tint("big");
    const int plainEmpty = tint("empty");

    p.hover.setHovered(tree.at("big"));
    EXPECT_GT(tint("big"), plainBig + 15);
    EXPECT_EQ(tint("empty"), plainEmpty);

    // A node two levels down has no row: nothing is tinted.
    p.hover.setHovered(tree.at("big/deep/level2"));
    EXPECT_EQ(tint("big"), plainBig);
    p.hover.setHovered(FileNode());
    EXPECT_EQ(tint("big"), plainBig);
}

}  // namespace
}  // namespace raumfuchs
