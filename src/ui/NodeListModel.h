#pragma once

#include <QAbstractListModel>
#include <vector>

#include "core/FileTree.h"

namespace raumfuchs {

// The rows of the side panel: either the children of a folder, read from the
// tree row by row as the view asks for them (a folder may hold hundreds of
// thousands of entries, none of which is copied), or a list of files handed
// in. Rows stand for nodes by identity; the list is rebuilt whole (a model
// reset) whenever what it shows may have changed.
class NodeListModel : public QAbstractListModel {
    Q_OBJECT
  public:
    using QAbstractListModel::QAbstractListModel;

    // Rows = the children of `folder` in their stored order (largest first).
    void showContents(const FileNode& folder);
    // Rows = `files`, measured against and placed relative to `folder`.
    void showLargest(const FileNode& folder, std::vector<FileNode> files);
    void clear();

    // The folder the rows are measured against; none when cleared.
    const FileNode& folder() const { return folder_; }
    // True while the rows are a list of files (their folders are shown
    // instead of a usage bar).
    bool showsPath() const { return showsPath_; }
    // The node of `row`; none for a row out of range.
    FileNode nodeAt(int row) const;
    // Every row whose node is in `ids`, in row order.
    std::vector<int> rowsOf(const std::vector<NodeId>& ids) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    FileNode folder_;
    bool showsPath_ = false;
    std::vector<FileNode> files_;  // mode largest only
};

}  // namespace raumfuchs
