#include "ui/result/list/NodeListModel.h"

#include <QStringList>
#include <unordered_map>
#include <unordered_set>

#include "core/text/Format.h"
#include "ui/widgets/QtText.h"

namespace raumfuchs {

namespace {

std::vector<FileTree::Index> childIndices(const FileNode& folder) {
    std::vector<FileTree::Index> children;
    if (!folder) {
        return children;
    }
    const std::size_t count = folder.childCount();
    children.reserve(count);
    for (std::size_t position = 0; position < count; ++position) {
        children.push_back(folder.tree().child(folder.index(), position));
    }
    return children;
}

// False for a node cut out of its tree, or lying below one that was.
bool isInTree(const FileNode& node) {
    FileNode top = node;
    while (FileNode parent = top.parent()) {
        top = std::move(parent);
    }
    return top == top.tree().root();
}

}  // namespace

std::string relativePath(const FileNode& node, const FileNode& relativeTo) {
    const FileNode parent = node.parent();
    const std::string parentPath = parent ? parent.path() : std::string();
    const std::string base = relativeTo ? relativeTo.path() : std::string();
    if (parentPath.compare(0, base.size(), base) != 0 || parentPath.size() < base.size()) {
        return parentPath;
    }
    const std::string rest = parentPath.substr(base.size());
    std::string result(relativeTo.nameBytes());
    if (rest.empty()) {
        return result;
    }
    // The root of the system is named "/" itself: no second separator then.
    if (rest.front() != '/' && (result.empty() || result.back() != '/')) {
        result += '/';
    }
    return result + rest;
}

double shareFraction(std::int64_t size, std::int64_t reference) {
    if (reference <= 0) {
        return 0;
    }
    return static_cast<double>(size) / static_cast<double>(reference);
}

void NodeListModel::showContents(const FileNode& folder) {
    beginResetModel();
    folder_ = folder;
    reference_ = folder ? folder.size() : 0;
    showsPath_ = false;
    children_ = childIndices(folder);
    files_.clear();
    files_.shrink_to_fit();
    endResetModel();
}

void NodeListModel::showLargest(const FileNode& folder, std::vector<FileNode> files) {
    beginResetModel();
    folder_ = folder;
    reference_ = folder ? folder.size() : 0;
    showsPath_ = true;
    children_.clear();
    children_.shrink_to_fit();
    files_ = std::move(files);
    endResetModel();
}

void NodeListModel::followTree() {
    if (!folder_) {
        return;
    }
    if (showsPath_) {
        // Files keep their sizes and their order; only those in the trash go.
        removeGone([this](int row) { return !isInTree(files_[static_cast<std::size_t>(row)]); });
    } else {
        std::vector<FileTree::Index> now = childIndices(folder_);
        const std::unordered_set<FileTree::Index> present(now.begin(), now.end());
        removeGone(
            [&](int row) { return present.count(children_[static_cast<std::size_t>(row)]) == 0; });
        if (children_.size() != now.size()) {
            // Children came that were not there: no removal, another list.
            showContents(folder_);
            return;
        }
        if (children_ != now) {
            reorder(std::move(now));
        }
    }
    const std::int64_t reference = folder_.size();
    if (reference != reference_) {
        reference_ = reference;
        if (rowCount() > 0) {
            emit dataChanged(index(0), index(rowCount() - 1));
        }
    }
}

void NodeListModel::refreshingChanged() {
    if (rowCount() > 0) {
        emit dataChanged(index(0), index(rowCount() - 1), {RefreshingRole, Qt::AccessibleTextRole});
    }
}

template <typename Gone>
void NodeListModel::removeGone(Gone gone) {
    for (int last = rowCount() - 1; last >= 0; --last) {
        if (!gone(last)) {
            continue;
        }
        int first = last;
        while (first > 0 && gone(first - 1)) {
            --first;
        }
        beginRemoveRows(QModelIndex(), first, last);
        if (showsPath_) {
            files_.erase(files_.begin() + first, files_.begin() + last + 1);
        } else {
            children_.erase(children_.begin() + first, children_.begin() + last + 1);
        }
        endRemoveRows();
        last = first;
    }
}

void NodeListModel::reorder(std::vector<FileTree::Index> children) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::unordered_map<FileTree::Index, int> rowOf;
    rowOf.reserve(children.size());
    for (std::size_t row = 0; row < children.size(); ++row) {
        rowOf.emplace(children[row], static_cast<int>(row));
    }
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before) {
        after.append(index(rowOf.at(children_[static_cast<std::size_t>(old.row())])));
    }
    children_ = std::move(children);
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int NodeListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return static_cast<int>(showsPath_ ? files_.size() : children_.size());
}

FileNode NodeListModel::nodeAt(int row) const {
    if (row < 0 || row >= rowCount()) {
        return {};
    }
    const auto position = static_cast<std::size_t>(row);
    if (showsPath_) {
        return files_[position];
    }
    return {folder_.treePtr(), children_[position]};
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
    const FileNode node = index.isValid() ? nodeAt(index.row()) : FileNode();
    if (!node) {
        return {};
    }
    const std::int64_t reference = folder_ ? folder_.size() : 0;
    switch (role) {
        case Qt::DisplayRole:
            return toQString(node.displayName());
        case SizeRole:
            return qint64{node.size()};
        case ShareRole:
            return shareFraction(node.size(), reference);
        case ShareTextRole:
            return toQString(Format::percent(node.size(), reference));
        case PathRole:
            return showsPath_ ? toQString(decodeUtf8Lossy(relativePath(node, folder_)))
                              : QVariant();
        case UnreadableRole:
            return node.isUnreadable();
        case NodeRole:
            return QVariant::fromValue(node);
        case RefreshingRole:
            return refreshing_ && node.isDirectory() && refreshing_(node);
        case Qt::AccessibleTextRole: {
            QStringList parts{toQString(node.displayName())};
            if (showsPath_) {
                parts << toQString(decodeUtf8Lossy(relativePath(node, folder_)));
            }
            parts << toQString(Format::bytes(node.size()))
                  << toQString(Format::percent(node.size(), reference));
            if (node.isUnreadable()) {
                parts << QStringLiteral("nicht vollständig lesbar");
            }
            if (refreshing_ && node.isDirectory() && refreshing_(node)) {
                parts << QStringLiteral("wird neu eingelesen");
            }
            return parts.join(QStringLiteral(", "));
        }
        default:
            return {};
    }
}

Qt::ItemFlags NodeListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
           Qt::ItemNeverHasChildren;
}

}  // namespace raumfuchs
