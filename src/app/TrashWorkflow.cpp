#include "app/TrashWorkflow.h"

#include <QStringList>

#include "core/trash/DiskTrashGuard.h"
#include "core/trash/TrashGuard.h"

namespace raumfuchs {

std::vector<FileNode> TrashWorkflow::accepted(const std::vector<FileNode>& nodes) const {
    const DiskTrashGuard guard(TrashGuard::systemProtection());
    return TrashGuard::acceptedForTrash(
        nodes, [&guard](const std::string& path) { return guard.isProtected(path); });
}

QString TrashWorkflow::refusal() {
    return QStringLiteral(
        "Systemdateien und das gescannte Hauptverzeichnis legt Raumfuchs nicht in den "
        "Papierkorb.");
}

TrashWorkflow::Outcome TrashWorkflow::trash(const std::vector<FileNode>& nodes, FileNode current) {
    // Held again: a link or a mount may have changed since the request.
    const DiskTrashGuard guard(TrashGuard::systemProtection());
    QStringList failed;
    for (const FileNode& node : nodes) {
        // A node whose folder was read in again since the request is no longer
        // in the tree, and its path no longer leads anywhere certain.
        if (!node.tree().isAttached(node.index()) || guard.isProtected(node.path()) ||
            !services_.moveToTrash({node.path(), node.isDirectory()})) {
            failed << QString::fromStdString(node.displayName());
        } else if (const FileNode parent = node.parent()) {
            bool currentGoes = false;
            for (FileNode up = current; up && !currentGoes; up = up.parent()) {
                currentGoes = up == node;
            }
            node.tree().detach(node.index());
            if (currentGoes) {
                current = parent;
            }
        }
    }
    Outcome outcome{std::move(current), std::nullopt};
    if (!failed.isEmpty()) {
        outcome.alert =
            QStringLiteral("Nicht in den Papierkorb gelegt: %1. Vermutlich fehlt die Berechtigung.")
                .arg(failed.join(QStringLiteral(", ")));
    }
    return outcome;
}

}  // namespace raumfuchs
