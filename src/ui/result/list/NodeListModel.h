#pragma once

#include <QAbstractListModel>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/compare/TreeComparison.h"
#include "core/tree/FileTree.h"

namespace raumfuchs {

class ComparisonSession;

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
//
// While the tree is compared with a baseline, every row answers its change,
// the children may be ordered by it (largest change first), and the entries
// the baseline had in the folder and the folder no longer has follow the
// children as rows of their own: greyed, with no node behind them, so that no
// action on the disk can reach them (they are neither selectable nor
// draggable).
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
        ChangeRole,       // QString, "+1,2 GB", "−300 MB", "neu", "" (unchanged); none
                          // without a comparison
        ChangeStateRole,  // int, a ChangeState; none without a comparison
        RemovedRole,      // bool, an entry only the baseline has
        FolderRole,       // bool
    };
    enum class Order { Size, Change };

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
    // The comparison whose changes the rows show; its changes are taken again
    // (the list shown anew) by comparisonChanged().
    void setComparison(const ComparisonSession* comparison) { comparison_ = comparison; }
    void comparisonChanged();
    // How the children are ordered: as the tree keeps them (largest first),
    // or by change while there is a comparison.
    void setOrder(Order order);
    Order order() const { return order_; }

    // The node of `row`; none for a row out of range and for a removed entry.
    FileNode nodeAt(int row) const;
    // Every row whose node is in `ids`, in row order.
    std::vector<int> rowsOf(const std::vector<NodeId>& ids) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    // The children of `folder` in the order shown.
    std::vector<FileTree::Index> orderedChildren(const FileNode& folder) const;
    // The baseline's entries of `folder` that it no longer has.
    std::vector<FileTree::Index> removedOf(const FileNode& folder) const;
    QVariant removedData(std::size_t position, int role) const;
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
    std::vector<FileTree::Index> removed_;   // mode contents, in the baseline's tree
    std::vector<FileNode> files_;            // mode largest; may be of an earlier tree
    std::function<bool(const FileNode&)> refreshing_;
    const ComparisonSession* comparison_ = nullptr;
    std::shared_ptr<const TreeComparison> compared_;  // as the rows were made
    Order order_ = Order::Size;
};

}  // namespace raumfuchs
