#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QListView>
#include <QToolTip>

#include "support/HandTree.h"
#include "support/QtTestApp.h"
#include "ui/result/list/NodeListModel.h"
#include "ui/result/list/NodeRow.h"
#include "ui/result/node/HoverState.h"

namespace raumfuchs {
namespace {

using test::childNamed;
using test::file;
using test::folder;

TEST(NodeRowTest, RelativePathAndShare) {
    // A volume scanned at "/" under the name "Daten".
    const FileNode root = test::build(
        folder("Daten", 0,
               {folder("Users", 0,
                       {folder("nutzer", 0,
                               {folder("Dokumente", 0, {folder("Steuer", 0, {file("b.pdf", 8)})}),
                                file("notiz.txt", 4)})})}),
        "/");
    const FileNode nutzer = childNamed(childNamed(root, "Users"), "nutzer");
    const FileNode steuer = childNamed(childNamed(nutzer, "Dokumente"), "Steuer");
    const FileNode notiz = childNamed(nutzer, "notiz.txt");
    EXPECT_EQ(relativePath(notiz, nutzer), "nutzer");
    EXPECT_EQ(relativePath(steuer.child(0), nutzer), "nutzer/Dokumente/Steuer");
    EXPECT_EQ(relativePath(notiz, root), "Daten/Users/nutzer");  // no doubled separator
    EXPECT_EQ(relativePath(notiz, steuer), "/Users/nutzer");     // not below: the full path
    // The whole system, named "/" as the file manager names it.
    const FileNode system =
        test::build(folder("/", 0, {folder("tmp", 0, {file("a", 4)}), file("vmlinuz", 4)}), "/");
    EXPECT_EQ(relativePath(childNamed(childNamed(system, "tmp"), "a"), system), "/tmp");
    EXPECT_EQ(relativePath(childNamed(system, "vmlinuz"), system), "/");
    root.tree().detach(notiz.index());
    EXPECT_EQ(relativePath(notiz, nutzer), "");  // cut out: no parent, no path

    EXPECT_DOUBLE_EQ(shareFraction(4096, 0), 0.0);
    EXPECT_DOUBLE_EQ(shareFraction(4096, -5), 0.0);
}

TEST(NodeRowTest, OnlyTheLockOfAnUnreadableRowExplainsItself) {
    test::ensureApp();
    auto tree = std::make_shared<FileTree>("/data", "Daten");
    const auto top = tree->addDirectory(FileTree::kNone, "", 0);
    const auto closed = tree->addPlaceholder(top, "Geschlossen", true);
    tree->setChildren(top, {tree->addFile(top, "Offen.txt", 4096), closed});
    NodeListModel rows;
    rows.showContents(tree->root());
    HoverState hover;
    QListView view;
    view.setModel(&rows);
    view.setItemDelegate(new NodeRow(hover, &view));
    view.resize(360, 200);
    view.show();
    QCoreApplication::processEvents();

    // Points of the row whose help event is answered with the explanation.
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
