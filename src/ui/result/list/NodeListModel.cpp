#include "ui/result/list/NodeListModel.h"

#include <QStringList>
#include <algorithm>
#include <cstdlib>
#include <unordered_map>
#include <unordered_set>

#include "app/compare/ComparisonSession.h"
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
    compared_ = comparison_ ? comparison_->comparison() : nullptr;
    children_ = orderedChildren(folder);
    removed_ = removedOf(folder);
    files_.clear();
    files_.shrink_to_fit();
    endResetModel();
}

void NodeListModel::showLargest(const FileNode& folder, std::vector<FileNode> files) {
    beginResetModel();
    folder_ = folder;
    reference_ = folder ? folder.size() : 0;
    showsPath_ = true;
    compared_ = comparison_ ? comparison_->comparison() : nullptr;
    children_.clear();
    children_.shrink_to_fit();
    removed_.clear();
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
        std::vector<FileTree::Index> now = orderedChildren(folder_);
        const std::unordered_set<FileTree::Index> present(now.begin(), now.end());
        removeGone([&](int row) {
            const auto position = static_cast<std::size_t>(row);
            return position < children_.size() && present.count(children_[position]) == 0;
        });
        if (children_.size() != now.size()) {
            // Children came that were not there (changes on disk, a refresh):
            // their rows go in after the others, and the order puts them in
            // place, so the selection and the scroll position stay.
            const std::unordered_set<FileTree::Index> shown(children_.begin(), children_.end());
            const int first = static_cast<int>(children_.size());
            beginInsertRows(QModelIndex(), first,
                            first + static_cast<int>(now.size() - children_.size()) - 1);
            for (const FileTree::Index child : now) {
                if (shown.count(child) == 0) {
                    children_.push_back(child);
                }
            }
            endInsertRows();
        }
        if (children_ != now) {
            reorder(std::move(now));
        }
        // A trashed entry the baseline had is one of its removed ones now.
        std::vector<FileTree::Index> removed = removedOf(folder_);
        if (removed != removed_) {
            const int first = static_cast<int>(children_.size());
            if (!removed_.empty()) {
                beginRemoveRows(QModelIndex(), first,
                                first + static_cast<int>(removed_.size()) - 1);
                removed_.clear();
                endRemoveRows();
            }
            if (!removed.empty()) {
                beginInsertRows(QModelIndex(), first, first + static_cast<int>(removed.size()) - 1);
                removed_ = std::move(removed);
                endInsertRows();
            }
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

void NodeListModel::comparisonChanged() {
    if (showsPath_) {
        showLargest(folder_, files_);
    } else {
        showContents(folder_);
    }
}

void NodeListModel::setOrder(Order order) {
    if (order_ == order) {
        return;
    }
    order_ = order;
    if (!showsPath_ && folder_) {
        reorder(orderedChildren(folder_));
    }
}

std::vector<FileTree::Index> NodeListModel::orderedChildren(const FileNode& folder) const {
    std::vector<FileTree::Index> children = childIndices(folder);
    if (order_ == Order::Change && compared_ && folder && &folder.tree() == &compared_->current()) {
        const TreeComparison& c = *compared_;
        std::stable_sort(children.begin(), children.end(),
                         [&c](FileTree::Index a, FileTree::Index b) {
                             return std::abs(c.deltaBytes(a)) > std::abs(c.deltaBytes(b));
                         });
    }
    return children;
}

std::vector<FileTree::Index> NodeListModel::removedOf(const FileNode& folder) const {
    if (!compared_ || !folder || &folder.tree() != &compared_->current()) {
        return {};
    }
    return compared_->removedEntries(folder.index());
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
        const auto row = static_cast<std::size_t>(old.row());
        // The removed entries after the children keep their rows.
        after.append(row < children_.size() ? index(rowOf.at(children_[row])) : old);
    }
    children_ = std::move(children);
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int NodeListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return static_cast<int>(showsPath_ ? files_.size() : children_.size() + removed_.size());
}

FileNode NodeListModel::nodeAt(int row) const {
    if (row < 0 || row >= rowCount()) {
        return {};
    }
    const auto position = static_cast<std::size_t>(row);
    if (showsPath_) {
        return files_[position];
    }
    if (position >= children_.size()) {
        return {};  // removed: only the baseline has it
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

QVariant NodeListModel::removedData(std::size_t position, int role) const {
    const FileTree& baseline = compared_->baseline();
    const FileTree::Index entry = removed_[position];
    switch (role) {
        case Qt::DisplayRole:
            return toQString(decodeUtf8Lossy(baseline.nameBytes(entry)));
        case SizeRole:
            return qint64{0};
        case ShareRole:
            return 0.0;
        case ShareTextRole:
            return QString();
        case UnreadableRole:
        case RefreshingRole:
            return false;
        case RemovedRole:
            return true;
        case FolderRole:
            return baseline.isDirectory(entry);
        case ChangeRole:
            return toQString(Format::change(-baseline.size(entry)));
        case ChangeStateRole:
            return static_cast<int>(ChangeState::Removed);
        case Qt::AccessibleTextRole:
            return toQString(decodeUtf8Lossy(baseline.nameBytes(entry))) +
                   QStringLiteral(", entfernt ") + comparison_->reference() +
                   QStringLiteral(", vorher ") + toQString(Format::bytes(baseline.size(entry)));
        default:
            return {};
    }
}

QVariant NodeListModel::data(const QModelIndex& index, int role) const {
    if (index.isValid() && !showsPath_ &&
        static_cast<std::size_t>(index.row()) >= children_.size() && index.row() < rowCount()) {
        return removedData(static_cast<std::size_t>(index.row()) - children_.size(), role);
    }
    const FileNode node = index.isValid() ? nodeAt(index.row()) : FileNode();
    if (!node) {
        return {};
    }
    const bool compared = compared_ && &node.tree() == &compared_->current();
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
        case RemovedRole:
            return false;
        case FolderRole:
            return node.isDirectory();
        case ChangeRole:
            return compared ? QVariant(comparison_->changeOf(node)) : QVariant();
        case ChangeStateRole:
            return compared ? QVariant(static_cast<int>(compared_->state(node.index())))
                            : QVariant();
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
            if (compared) {
                parts << comparison_->changeSince(node);
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
    if (!showsPath_ && static_cast<std::size_t>(index.row()) >= children_.size()) {
        return Qt::ItemNeverHasChildren;  // removed: greyed, nothing to act on
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
           Qt::ItemNeverHasChildren;
}

}  // namespace raumfuchs
