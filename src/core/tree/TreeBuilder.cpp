#include "core/tree/TreeBuilder.h"

#include "core/text/PathText.h"

namespace raumfuchs {

TreeBuilder::TreeBuilder(std::optional<std::string> displayName)
    : displayName_(std::move(displayName)) {}

FileTree& TreeBuilder::treeFor(const TreeEntry& entry) {
    if (!tree_) {
        std::string name =
            displayName_ ? std::move(*displayName_) : PathText::lastComponent(entry.name);
        tree_ = std::make_shared<FileTree>(std::string(entry.name), std::move(name));
        tree_->setAgeReference(ageReference_);
    }
    return *tree_;
}

void TreeBuilder::setStamping(const NameClassifier* classifier, std::int64_t ageReference) {
    classifier_ = classifier;
    ageReference_ = ageReference;
}

std::uint16_t TreeBuilder::stampOf(const TreeEntry& entry) const {
    std::uint8_t category = EntryStamp::kUnclassified;
    if (classifier_ != nullptr && entry.kind != EntryKind::Directory) {
        // The first entry's name is the path of the root.
        category = classifier_->categoryNumber(
            tree_ ? entry.name : std::string_view(PathText::lastComponent(entry.name)));
    }
    const int age = entry.hasMtime ? EntryStamp::daysBefore(ageReference_, entry.mtime)
                                   : EntryStamp::kUnknownAge;
    return EntryStamp::make(category, age);
}

void TreeBuilder::attach(FileTree::Index node) {
    if (!open_.empty()) {
        open_.back().children.push_back(node);
    }
}

void TreeBuilder::openDirectory(const TreeEntry& entry) {
    const std::uint16_t stamp = stampOf(entry);
    const FileTree::Index node =
        treeFor(entry).addDirectory(parentIndex(), entry.name, entry.allocated, stamp);
    attach(node);
    std::vector<FileTree::Index> children;
    if (!spare_.empty()) {
        children = std::move(spare_.back());
        spare_.pop_back();
        children.clear();
    }
    open_.push_back(OpenDirectory{node, std::move(children), 0, 0});
}

void TreeBuilder::file(const TreeEntry& entry) {
    std::int64_t bytes = entry.allocated;
    if (entry.hardLink && !hardLinks_.insert(FileId{entry.device, entry.inode})) {
        bytes = 0;
    }
    const std::uint16_t stamp = stampOf(entry);
    FileTree& tree = treeFor(entry);
    const FileTree::Index node = tree.addFile(parentIndex(), entry.name, bytes, stamp);
    if (entry.hardLink) {
        tree.addHardLink(FileId{entry.device, entry.inode}, node);
    }
    fileBytes_ += bytes;
    if (!open_.empty()) {
        OpenDirectory& top = open_.back();
        top.children.push_back(node);
        top.bytes += bytes;
        ++top.files;
    }
}

void TreeBuilder::placeholder(const TreeEntry& entry) {
    ++unreadable_;
    attach(treeFor(entry).addPlaceholder(parentIndex(), entry.name,
                                         entry.kind == EntryKind::Directory));
}

void TreeBuilder::addOwnBytes(std::int64_t bytes) {
    tree_->addToTotals(open_.back().node, bytes, 0);
}

void TreeBuilder::closeDirectory(bool unreadable) {
    OpenDirectory& top = open_.back();
    const FileTree::Index node = top.node;
    if (unreadable) {
        ++unreadable_;
        tree_->markUnreadable(node);
    }
    tree_->addToTotals(node, top.bytes, top.files);
    tree_->setChildren(node, top.children);
    spare_.push_back(std::move(top.children));
    open_.pop_back();
    if (!open_.empty()) {
        open_.back().bytes += tree_->size(node);
        open_.back().files += tree_->fileCount(node);
    }
}

std::shared_ptr<FileTree> TreeBuilder::finish() {
    while (!open_.empty()) {
        closeDirectory(false);
    }
    spare_.clear();
    return std::move(tree_);
}

}  // namespace raumfuchs
