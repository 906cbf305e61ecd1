#include "ui/result/node/NodeMenu.h"

#include <QAction>

#include "ui/widgets/Icons.h"

namespace raumfuchs::NodeMenu {

namespace {

// The red of destructive commands; the menu cannot colour its text, so the
// trash entry carries a red symbol instead.
const QColor kDestructiveRed(215, 58, 73);

}  // namespace

void populate(QMenu& menu, AppModel& model, const std::vector<FileNode>& nodes) {
    AppModel* m = &model;
    if (nodes.size() == 1) {
        const FileNode node = nodes.front();
        if (node.isDirectory() && node.childCount() > 0) {
            QObject::connect(menu.addAction(QStringLiteral("Hineinzoomen")), &QAction::triggered, m,
                             [m, node] { m->navigate(node); });
        }
        if (!model.isImported()) {
            QObject::connect(menu.addAction(QStringLiteral("Öffnen")), &QAction::triggered, m,
                             [m, node] { m->openItem(node); });
            if (node.isDirectory() && model.canRefresh()) {
                QObject::connect(menu.addAction(QStringLiteral("Neu einlesen")),
                                 &QAction::triggered, m, [m, node] { m->refreshFolder(node); });
            }
        }
    }
    if (!model.isImported()) {
        QObject::connect(menu.addAction(QStringLiteral("Im Dateimanager zeigen")),
                         &QAction::triggered, m, [m, nodes] { m->revealInFileManager(nodes); });
    }
    const QString copyTitle =
        nodes.size() == 1 ? QStringLiteral("Pfad kopieren") : QStringLiteral("Pfade kopieren");
    QObject::connect(menu.addAction(copyTitle), &QAction::triggered, m,
                     [m, nodes] { m->copyPaths(nodes); });
    if (model.isImported()) {
        return;  // another machine's files: only their paths are of use here
    }
    menu.addSeparator();
    QAction* trash = menu.addAction(Icons::symbol(QStringLiteral("trash"), kDestructiveRed),
                                    QStringLiteral("In den Papierkorb legen …"));
    trash->setProperty(kDestructiveProperty, true);
    QObject::connect(trash, &QAction::triggered, m, [m, nodes] { m->requestTrash(nodes); });
}

std::unique_ptr<QMenu> create(AppModel& model, const std::vector<FileNode>& nodes,
                              QWidget* parent) {
    auto menu = std::make_unique<QMenu>(parent);
    populate(*menu, model, nodes);
    return menu;
}

}  // namespace raumfuchs::NodeMenu
