#pragma once

#include <QMenu>
#include <memory>
#include <vector>

#include "app/AppModel.h"
#include "core/tree/FileTree.h"

namespace raumfuchs::NodeMenu {

// The context menu for one or more nodes of the tree, shared by the chart and
// the side panel. Entries, top to bottom: "Hineinzoomen" (one folder with
// children), "Öffnen" (exactly one node), "Neu einlesen" (one folder: reads
// it in again), "Im Dateimanager zeigen", "Pfad kopieren" / "Pfade kopieren", a
// separator, "In den Papierkorb legen …"; for an imported tree only
// "Hineinzoomen" and the copy entry. Every entry calls
// the model; moving to the trash only asks the model, which checks and
// confirms. The actions keep their own copy of `nodes`.

// Appends the entries to `menu`. The model must outlive the menu.
void populate(QMenu& menu, AppModel& model, const std::vector<FileNode>& nodes);

// A new menu with the entries.
std::unique_ptr<QMenu> create(AppModel& model, const std::vector<FileNode>& nodes,
                              QWidget* parent = nullptr);

// The trash entry is marked with this dynamic property (value true) so that
// styles and tests can find the destructive action.
inline constexpr const char* kDestructiveProperty = "destructive";

}  // namespace raumfuchs::NodeMenu
