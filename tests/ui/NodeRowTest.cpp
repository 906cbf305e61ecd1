#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QListView>
#include <QToolTip>
#include <memory>

#include "core/FileTree.h"
#include "core/Format.h"
#include "support/QtTestApp.h"
#include "ui/HoverState.h"
#include "ui/NodeListModel.h"
#include "ui/NodeRow.h"

namespace raumfuchs {
namespace {

// /Users/nutzer/Dokumente/Steuer/bescheid.pdf, /Users/nutzer/notiz.txt and
// /Users/nutzer2/x in a tree scanned at "/" under the name "Daten".
struct VolumeTree {
    VolumeTree() {
        const auto top = tree->addDirectory(FileTree::kNone, "", 0);
        const auto users = tree->addDirectory(top, "Users", 0);
        const auto nutzer = tree->addDirectory(users, "nutzer", 0);
        const auto dokumente = tree->addDirectory(nutzer, "Dokumente", 0);
        const auto steuer = tree->addDirectory(dokumente, "Steuer", 0);
        const auto bescheid = tree->addFile(steuer, "bescheid.pdf", 8192);
        const auto notiz = tree->addFile(nutzer, "notiz.txt", 4096);
        const auto nutzer2 = tree->addDirectory(users, "nutzer2", 0);
        const auto x = tree->addFile(nutzer2, "x", 4096);
        tree->setChildren(nutzer2, {x});
        tree->setChildren(steuer, {bescheid});
        tree->setChildren(dokumente, {steuer});
        tree->setChildren(nutzer, {dokumente, notiz});
        tree->setChildren(users, {nutzer, nutzer2});
        tree->setChildren(top, {users});
        root = tree->root();
        nutzerNode = tree->node(nutzer);
        bescheidNode = tree->node(bescheid);
        notizNode = tree->node(notiz);
        steuerNode = tree->node(steuer);
        xNode = tree->node(x);
    }
    std::shared_ptr<FileTree> tree = std::make_shared<FileTree>("/", "Daten");
    FileNode root, nutzerNode, steuerNode, bescheidNode, notizNode, xNode;
};

TEST(NodeRowTest, RelativePathStartsAtTheReferenceFolder) {
    VolumeTree v;
    EXPECT_EQ(relativePath(v.notizNode, v.nutzerNode), "nutzer");
    EXPECT_EQ(relativePath(v.bescheidNode, v.nutzerNode), "nutzer/Dokumente/Steuer");
    // Below the volume root the separator is added after the name.
    EXPECT_EQ(relativePath(v.notizNode, v.root), "Daten/Users/nutzer");
    // Not below the reference: the parent's full path.
    EXPECT_EQ(relativePath(v.notizNode, v.steuerNode), "/Users/nutzer");
    // A plain text prefix, not a path component test: /Users/nutzer is a
    // prefix of /Users/nutzer2, so the rest is added after a separator.
    EXPECT_EQ(relativePath(v.xNode, v.nutzerNode), "nutzer/2");
    // Cut out of the tree: no parent, no path.
    v.tree->detach(v.notizNode.index());
    EXPECT_EQ(relativePath(v.notizNode, v.nutzerNode), "");
}

TEST(NodeRowTest, ShareOfAnEmptyReferenceIsZero) {
    EXPECT_DOUBLE_EQ(shareFraction(4096, 0), 0.0);
    EXPECT_DOUBLE_EQ(shareFraction(4096, -5), 0.0);
    EXPECT_DOUBLE_EQ(shareFraction(0, 0), 0.0);
    EXPECT_DOUBLE_EQ(shareFraction(1, 4), 0.25);
    EXPECT_DOUBLE_EQ(shareFraction(6, 4), 1.5);  // not clamped: the bar caps its own width
    EXPECT_EQ(Format::percent(4096, 0), "–");
}

TEST(NodeRowTest, FoldersWithoutADotShareOneIcon) {
    test::ensureApp();
    VolumeTree v;
    const QIcon users = NodeRow::icon(v.tree->node(1));
    EXPECT_FALSE(users.isNull());
    EXPECT_EQ(users.cacheKey(), NodeRow::icon(v.nutzerNode).cacheKey());
    EXPECT_EQ(users.cacheKey(), NodeRow::icon(v.steuerNode).cacheKey());
    // Files are typed; two files of one type share the type's icon.
    const QIcon pdf = NodeRow::icon(v.bescheidNode);
    EXPECT_FALSE(pdf.isNull());
    EXPECT_NE(pdf.cacheKey(), users.cacheKey());
}

TEST(NodeRowTest, OnlyTheLockOfAnUnreadableRowExplainsItself) {
    test::ensureApp();
    auto tree = std::make_shared<FileTree>("/data", "Daten");
    const auto top = tree->addDirectory(FileTree::kNone, "", 0);
    const auto closed = tree->addPlaceholder(top, "Geschlossen", true);
    const auto open = tree->addFile(top, "Offen.txt", 4096);
    tree->setChildren(top, {open, closed});
    NodeListModel rows;
    rows.showContents(tree->root());
    HoverState hover;
    QListView view;
    view.setModel(&rows);
    view.setItemDelegate(new NodeRow(rows, hover, &view));
    view.resize(360, 200);
    view.show();
    QCoreApplication::processEvents();

    // Points of the row that show the lock's explanation (an accepted help
    // event; everywhere else the event goes on unanswered).
    const auto explained = [&](int row) {
        const QRect rect = view.visualRect(rows.index(row));
        int hits = 0;
        for (int y = rect.top(); y <= rect.bottom(); y += 2) {
            for (int x = rect.left(); x <= rect.right(); x += 2) {
                QHelpEvent event(QEvent::ToolTip, QPoint(x, y),
                                 view.viewport()->mapToGlobal(QPoint(x, y)));
                QCoreApplication::sendEvent(view.viewport(), &event);
                if (event.isAccepted()) {
                    ++hits;
                    EXPECT_EQ(QToolTip::text(), QStringLiteral("Nicht vollständig lesbar"));
                }
            }
        }
        return hits;
    };
    ASSERT_TRUE(rows.nodeAt(1).isUnreadable());
    const int lockPoints = explained(1);
    EXPECT_GT(lockPoints, 0);
    EXPECT_LT(lockPoints, 60);  // the small lock after the name, not the whole row
    EXPECT_EQ(explained(0), 0);
}

}  // namespace
}  // namespace raumfuchs
