#pragma once

#include <QAbstractListModel>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/tree/FileTree.h"

namespace raumfuchs {

// The folder that holds `node`, written from `relativeTo` down and starting
// with its name ("Bilder/Urlaub"); the parent's full path when it does not lie
// below `relativeTo`, and empty when the node has no parent any more. Bytes of
// the file system, to be decoded for display.
std::string relativePath(const FileNode& node, const FileNode& relativeTo);

// The share of `size` in `reference` for a usage bar: 0 when the reference is
// not positive.
double shareFraction(std::int64_t size, std::int64_t reference);

// The rows of the side panel: either the children of a folder or a list of
// files handed in. Rows stand for nodes by identity. The children are kept as
// their tree indices only (four bytes a row), so that a move to the trash,
// which changes the tree before it is announced, can be told apart row by row:
// followTree() then removes the rows that went instead of resetting the list.
class NodeListModel : public QAbstractListModel {
    Q_OBJECT
  public:
    // What a row answers besides Qt::DisplayRole (the name) and
    // Qt::AccessibleTextRole (name, size and share in one sentence).
    enum Role {
        SizeRole = Qt::UserRole + 1,  // qint64, allocated bytes
        ShareRole,                    // double, of the shown folder's size; 0 when it is empty
        ShareTextRole,                // QString, the share as the row shows it ("51 %", "–")
        PathRole,                     // QString, the file's folder; only while showing files
        UnreadableRole,               // bool
        NodeRole,                     // FileNode
        RefreshingRole,               // bool, a folder being read in again
    };

    using QAbstractListModel::QAbstractListModel;

    // Rows = the children of `folder` in their stored order (largest first).
    void showContents(const FileNode& folder);
    // Rows = `files`, measured against and placed relative to `folder`.
    void showLargest(const FileNode& folder, std::vector<FileNode> files);
    // Brings the rows in line with the tree after nodes were cut out of it:
    // their rows are removed, rows the tree re-sorted move, and every share
    // is updated (the shown folder got smaller).
    void followTree();
    // Which folders are being read in again; every row is told when it
    // changes (refreshingChanged()).
    void setRefreshing(std::function<bool(const FileNode&)> refreshing) {
        refreshing_ = std::move(refreshing);
    }
    void refreshingChanged();

    // The node of `row`; none for a row out of range.
    FileNode nodeAt(int row) const;
    // Every row whose node is in `ids`, in row order.
    std::vector<int> rowsOf(const std::vector<NodeId>& ids) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    // Shows `children` (indices in the folder's tree) in place of the current
    // ones, which all lie among them in the same order; rows move as needed.
    void reorder(std::vector<FileTree::Index> children);
    // Removes, run by run from the end, every row for which `gone(row)` holds.
    template <typename Gone>
    void removeGone(Gone gone);

    FileNode folder_;
    std::int64_t reference_ = 0;  // the folder's size the shares were last given for
    bool showsPath_ = false;
    std::vector<FileTree::Index> children_;  // mode contents
    std::vector<FileNode> files_;            // mode largest; may be of an earlier tree
    std::function<bool(const FileNode&)> refreshing_;
};

}  // namespace raumfuchs
