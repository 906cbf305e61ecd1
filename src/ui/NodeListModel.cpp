#include "ui/NodeListModel.h"

#include <unordered_set>

namespace raumfuchs {

void NodeListModel::showContents(const FileNode& folder) {
    beginResetModel();
    folder_ = folder;
    showsPath_ = false;
    files_.clear();
    files_.shrink_to_fit();
    endResetModel();
}

void NodeListModel::showLargest(const FileNode& folder, std::vector<FileNode> files) {
    beginResetModel();
    folder_ = folder;
    showsPath_ = true;
    files_ = std::move(files);
    endResetModel();
}

void NodeListModel::clear() {
    beginResetModel();
    folder_ = FileNode();
    showsPath_ = false;
    files_.clear();
    endResetModel();
}

int NodeListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    if (showsPath_) {
        return static_cast<int>(files_.size());
    }
    return folder_ ? static_cast<int>(folder_.childCount()) : 0;
}

FileNode NodeListModel::nodeAt(int row) const {
    if (row < 0) {
        return {};
    }
    const auto position = static_cast<std::size_t>(row);
    if (showsPath_) {
        return position < files_.size() ? files_[position] : FileNode();
    }
    // The tree may have lost children since the last reset (a move to the
    // trash is announced right after it happened); never read past the end.
    if (!folder_ || position >= folder_.childCount()) {
        return {};
    }
    return folder_.child(position);
}

std::vector<int> NodeListModel::rowsOf(const std::vector<NodeId>& ids) const {
    std::vector<int> rows;
    if (ids.empty()) {
        return rows;
    }
    const std::unordered_set<NodeId> wanted(ids.begin(), ids.end());
    const int count = rowCount();
    for (int row = 0; row < count; ++row) {
        if (wanted.count(nodeAt(row).id()) > 0) {
            rows.push_back(row);
        }
    }
    return rows;
}

QVariant NodeListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) {
        return {};
    }
    const FileNode node = nodeAt(index.row());
    if (!node) {
        return {};
    }
    return QString::fromStdString(node.displayName());
}

Qt::ItemFlags NodeListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
           Qt::ItemNeverHasChildren;
}

}  // namespace raumfuchs
