#include "core/tree/FileTree.h"

#include <algorithm>
#include <mutex>
#include <unordered_set>

namespace raumfuchs {

FileTree::FileTree(std::string rootPath, std::string rootName)
    : rootPath_(std::move(rootPath)), rootName_(std::move(rootName)) {}

FileTree::Index FileTree::addNode(Index parent, std::string_view name, std::int64_t size,
                                  std::uint32_t aux, std::uint16_t stamp) {
    const Index index = static_cast<Index>(sizes_.size());
    sizes_.push_back(size);
    stamps_.push_back(stamp);
    parents_.push_back(parent);
    aux_.push_back(aux);
    if (index == 0) {
        return index;  // the root's name is the display name of the scan, kept in rootName_
    }
    // A name never straddles two chunks, so nameBytes() can hand out a view.
    // Names are at most 65,535 bytes (a directory record's length is 16 bits).
    const std::size_t length = std::min<std::size_t>(name.size(), 0xFFFF);
    char header[3] = {static_cast<char>(static_cast<unsigned char>(length)), 0, 0};
    std::size_t headerLength = 1;
    if (length >= kChunkEnd) {
        header[0] = static_cast<char>(kLongName);
        header[1] = static_cast<char>(length & 0xFF);
        header[2] = static_cast<char>(length >> 8);
        headerLength = 3;
    }
    const std::size_t room = names_.roomInChunk();
    if (room != 0 && room < headerLength + length) {
        names_.push_back(static_cast<char>(kChunkEnd));
        for (std::size_t i = 1; i < room; ++i) {
            names_.push_back('\0');
        }
    }
    if ((index - 1) % kNameMarkEvery == 0) {
        nameMarks_.push_back(static_cast<std::uint32_t>(names_.size()));
    }
    names_.append(header, headerLength);
    names_.append(name.data(), length);
    return index;
}

FileTree::Index FileTree::addDirectory(Index parent, std::string_view name, std::int64_t ownBytes,
                                       std::uint16_t stamp) {
    const auto dirIndex = static_cast<std::uint32_t>(dirs_.size());
    dirs_.push_back(Directory{});
    return addNode(parent, name, ownBytes, kDirBit | dirIndex, stamp);
}

FileTree::Index FileTree::addFile(Index parent, std::string_view name, std::int64_t bytes,
                                  std::uint16_t stamp) {
    return addNode(parent, name, bytes, 0, stamp);
}

FileTree::Index FileTree::addPlaceholder(Index parent, std::string_view name, bool isDirectory) {
    if (isDirectory) {
        const Index index = addDirectory(parent, name, 0);
        dir(index).childCount = kUnreadableBit;
        return index;
    }
    return addNode(parent, name, 0, kFileUnreadable, EntryStamp::kBlank);
}

void FileTree::setChildren(Index node, const std::vector<Index>& children) {
    // Largest first; equal sizes keep the order they are given in.
    std::vector<std::pair<std::int64_t, std::uint32_t>> sorted(children.size());
    for (std::size_t i = 0; i < children.size(); ++i) {
        sorted[i] = {sizes_[children[i]], static_cast<std::uint32_t>(i)};
    }
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
        return a.first > b.first || (a.first == b.first && a.second < b.second);
    });
    Directory& d = dir(node);
    d.childBegin = static_cast<std::uint32_t>(childIndex_.size());
    for (const auto& [size, position] : sorted) {
        childIndex_.push_back(children[position]);
    }
    d.childCount = (d.childCount & kUnreadableBit) | static_cast<std::uint32_t>(children.size());
}

void FileTree::addToTotals(Index node, std::int64_t bytes, std::int64_t files) {
    sizes_.add(node, bytes);
    dir(node).fileCount += files;
}

void FileTree::addHardLink(const FileId& file, Index node) {
    hardLinks_.push_back({file, node});
}

void FileTree::markUnreadable(Index node) {
    if (isDirectory(node)) {
        dir(node).childCount |= kUnreadableBit;
    } else {
        aux_[node] = kFileUnreadable;
    }
}

std::string_view FileTree::nameBytes(Index node) const {
    if (node == 0) {
        return rootName_;
    }
    // From the last mark, over the names in between.
    const std::size_t number = node - 1;
    std::size_t offset = nameMarks_[number / kNameMarkEvery];
    const auto byteAt = [this](std::size_t at) {
        return std::size_t{static_cast<unsigned char>(names_[at])};
    };
    for (std::size_t skip = number % kNameMarkEvery;; --skip) {
        if (byteAt(offset) == kChunkEnd) {
            offset = (offset | (decltype(names_)::kChunkSize - 1)) + 1;
        }
        const std::size_t first = byteAt(offset);
        const std::size_t header = first < kChunkEnd ? 1 : 3;
        const std::size_t length =
            first < kChunkEnd ? first : byteAt(offset + 1) | byteAt(offset + 2) << 8;
        if (skip == 0) {
            return {&names_[offset + header], length};
        }
        offset += header + length;
    }
}

std::int64_t FileTree::fileCount(Index node) const {
    if (isDirectory(node)) {
        return dir(node).fileCount;
    }
    return aux_[node] == kFileUnreadable ? 0 : 1;
}

bool FileTree::isUnreadable(Index node) const {
    if (isDirectory(node)) {
        return (dir(node).childCount & kUnreadableBit) != 0;
    }
    return aux_[node] == kFileUnreadable;
}

std::size_t FileTree::childCount(Index node) const {
    return isDirectory(node) ? (dir(node).childCount & ~kUnreadableBit) : 0;
}

FileTree::Index FileTree::child(Index node, std::size_t position) const {
    return childSlot(dir(node), position);
}

std::string FileTree::path(Index node) const {
    // Collect the chain up to the root (or to the first node without a parent),
    // then join it from the top. The root carries the scanned path itself.
    std::vector<Index> chain;
    for (Index n = node; n != kNone; n = parents_[n]) {
        chain.push_back(n);
    }
    std::string result;
    const Index top = chain.back();
    result = top == 0 ? rootPath_ : std::string(nameBytes(top));
    for (auto it = chain.rbegin() + 1; it != chain.rend(); ++it) {
        if (result.empty() || result.back() != '/') {
            result += '/';
        }
        result += nameBytes(*it);
    }
    return result;
}

void FileTree::sortChildren(Index node) {
    if (!isDirectory(node)) {
        return;
    }
    const Directory& d = dir(node);
    const std::size_t count = d.childCount & ~kUnreadableBit;
    if (count < 2) {
        return;
    }
    std::vector<Index> run(count);
    for (std::size_t i = 0; i < count; ++i) {
        run[i] = childIndex_[d.childBegin + i];
    }
    std::stable_sort(run.begin(), run.end(),
                     [this](Index a, Index b) { return sizes_[a] > sizes_[b]; });
    for (std::size_t i = 0; i < count; ++i) {
        childIndex_[d.childBegin + i] = run[i];
    }
}

// The generation turns odd before a change waits for the lock, so background
// readers let go of it soon, and even again once the change is done (still
// under the lock): a reader that walked the old tree while the change waited
// can never pass for one of the new tree.
class FileTree::Change {
  public:
    explicit Change(FileTree& tree) : tree_(tree) {
        tree_.generation_.fetch_add(1, std::memory_order_acq_rel);
        lock_ = std::unique_lock(tree_.mutex_);
    }
    ~Change() { tree_.generation_.fetch_add(1, std::memory_order_acq_rel); }
    Change(const Change&) = delete;
    Change& operator=(const Change&) = delete;

  private:
    FileTree& tree_;
    std::unique_lock<std::shared_mutex> lock_;
};

void FileTree::detach(Index node) {
    if (parents_[node] == kNone) {
        return;
    }
    Change change(*this);
    std::unordered_set<Index> lists;
    detachLocked(node, lists);
    sortLists(lists);
}

void FileTree::addUpFrom(Index node, std::int64_t bytes, std::int64_t files,
                         std::unordered_set<Index>& lists) {
    for (Index a = parents_[node]; a != kNone; a = parents_[a]) {
        sizes_.add(a, bytes);
        dir(a).fileCount += files;
    }
    for (Index n = node; parents_[n] != kNone && lists.insert(parents_[n]).second;
         n = parents_[n]) {
    }
}

void FileTree::sortLists(const std::unordered_set<Index>& lists) {
    for (Index list : lists) {
        sortChildren(list);
    }
}

void FileTree::detachLocked(Index node, std::unordered_set<Index>& lists) {
    const Index parent = parents_[node];
    Directory& d = dir(parent);
    const std::size_t count = d.childCount & ~kUnreadableBit;
    std::size_t position = 0;
    while (position < count && childIndex_[d.childBegin + position] != node) {
        ++position;
    }
    if (position == count) {
        return;
    }
    for (std::size_t i = position; i + 1 < count; ++i) {
        childIndex_[d.childBegin + i] = childIndex_[d.childBegin + i + 1];
    }
    d.childCount -= 1;
    addUpFrom(node, -sizes_[node], -fileCount(node), lists);
    parents_[node] = kNone;
}

void FileTree::resizeFiles(const std::vector<Resize>& resizes) {
    if (resizes.empty()) {
        return;
    }
    Change change(*this);
    std::unordered_set<Index> lists;
    resizeLocked(resizes, lists);
    sortLists(lists);
}

void FileTree::resizeLocked(const std::vector<Resize>& resizes, std::unordered_set<Index>& lists) {
    // Each changed list is sorted once, after every size is final.
    for (const auto& [file, size] : resizes) {
        const std::int64_t delta = size - sizes_[file];
        sizes_.set(file, size);
        addUpFrom(file, delta, 0, lists);
    }
}

void FileTree::splice(Index node, const FileTree* fresh, const std::vector<Resize>& resizes) {
    splice({Splice{node, fresh, {}}}, resizes);
}

void FileTree::splice(const std::vector<Splice>& splices, const std::vector<Resize>& resizes,
                      const std::vector<HardLink>& links) {
    Change change(*this);
    std::unordered_set<Index> lists;
    resizeLocked(resizes, lists);
    // A kept file's links are the fresh read's now: it may have gained or
    // lost links, or be another file of the same name.
    std::unordered_set<Index> keptFiles;
    for (const Splice& s : splices) {
        for (const Kept& k : s.kept) {
            if (!isDirectory(k.old)) {
                keptFiles.insert(k.old);
            }
        }
    }
    if (!keptFiles.empty()) {
        std::erase_if(hardLinks_,
                      [&](const HardLink& link) { return keptFiles.count(link.node) > 0; });
    }
    for (const Splice& s : splices) {
        if (isAttached(s.node)) {
            spliceLocked(s, lists);
        }
    }
    hardLinks_.insert(hardLinks_.end(), links.begin(), links.end());
    sortLists(lists);
}

void FileTree::spliceLocked(const Splice& s, std::unordered_set<Index>& lists) {
    const Index node = s.node;
    if (s.fresh == nullptr) {
        if (parents_[node] != kNone) {
            detachLocked(node, lists);
        }
        return;
    }
    const std::int64_t oldBytes = sizes_[node];
    const std::int64_t oldFiles = fileCount(node);
    copySubtree(node, *s.fresh, s.kept);
    addUpFrom(node, sizes_[node] - oldBytes, fileCount(node) - oldFiles, lists);
    if (!s.kept.empty()) {
        lists.insert(node);  // kept folders came in with their own bytes alone
    }
}

void FileTree::copySubtree(Index node, const FileTree& fresh, const std::vector<Kept>& kept) {
    // Fresh's root becomes `node`, a kept child the old node it stands for;
    // fresh's other entries are appended in their order, so a parent is
    // always copied before its children.
    std::vector<Index> mapped(fresh.nodeCount(), kNone);
    mapped[0] = node;
    std::vector<bool> keptFresh(fresh.nodeCount(), false);
    for (const Kept& k : kept) {
        mapped[k.fresh] = k.old;
        keptFresh[k.fresh] = true;
        stamps_[k.old] = fresh.stamps_[k.fresh];
        if (isDirectory(k.old)) {
            std::int64_t content = 0;
            for (std::size_t i = 0; i < childCount(k.old); ++i) {
                content += sizes_[child(k.old, i)];
            }
            sizes_.set(k.old, content + fresh.size(k.fresh));
        } else {
            sizes_.set(k.old, fresh.size(k.fresh));
            aux_[k.old] = fresh.aux_[k.fresh];
        }
    }
    for (Index i = 1; i < fresh.nodeCount(); ++i) {
        if (mapped[i] != kNone) {
            continue;
        }
        if (fresh.isDirectory(i)) {
            const Index n = addDirectory(mapped[fresh.parent(i)], fresh.nameBytes(i), fresh.size(i),
                                         fresh.stamps_[i]);
            dir(n).fileCount = fresh.dir(i).fileCount;
            dir(n).childCount = fresh.dir(i).childCount;
            mapped[i] = n;
        } else {
            mapped[i] = addNode(mapped[fresh.parent(i)], fresh.nameBytes(i), fresh.size(i),
                                fresh.aux_[i], fresh.stamps_[i]);
        }
    }
    std::unordered_set<Index> stays;
    for (const Kept& k : kept) {
        stays.insert(k.old);
    }
    for (std::size_t i = 0; i < childCount(node); ++i) {
        const Index old = child(node, i);
        if (stays.count(old) == 0) {
            parents_[old] = kNone;
        }
    }
    if (fresh.isDirectory(0)) {
        if (!isDirectory(node)) {
            aux_[node] = kDirBit | static_cast<std::uint32_t>(dirs_.size());
            dirs_.push_back(Directory{});
        }
        dir(node).childCount = fresh.dir(0).childCount;
    } else {
        aux_[node] = fresh.aux_[0];
    }
    // The folder's own bytes, then its children's totals as they are here.
    std::int64_t bytes = fresh.size(0);
    for (std::size_t k = 0; k < fresh.childCount(0); ++k) {
        bytes -= fresh.size(fresh.child(0, k));
    }
    std::int64_t files = 0;
    for (Index i = 0; i < fresh.nodeCount(); ++i) {
        if (!fresh.isDirectory(i) || keptFresh[i]) {
            continue;  // a kept folder keeps its own list of children
        }
        const Directory& from = fresh.dir(i);
        Directory& to = dir(mapped[i]);
        to.childBegin = static_cast<std::uint32_t>(childIndex_.size());
        for (std::size_t k = 0; k < fresh.childCount(i); ++k) {
            const Index c = mapped[fresh.childSlot(from, k)];
            childIndex_.push_back(c);
            if (i == 0) {
                bytes += sizes_[c];
                files += fileCount(c);
            }
        }
    }
    sizes_.set(node, bytes);
    stamps_[node] = fresh.stamps_[0];
    if (fresh.isDirectory(0)) {
        dir(node).fileCount = files;
    }
    for (const HardLink& link : fresh.hardLinks_) {
        hardLinks_.push_back({link.file, mapped[link.node]});
    }
}

bool FileTree::isAttached(Index node) const {
    Index n = node;
    while (parents_[n] != kNone) {
        n = parents_[n];
    }
    return n == 0;
}

bool FileTree::isWithin(Index node, Index ancestor) const {
    for (Index n = node; n != kNone; n = parents_[n]) {
        if (n == ancestor) {
            return true;
        }
    }
    return false;
}

std::vector<FileTree::Index> FileTree::largestFiles(Index node, std::size_t limit) const {
    std::vector<Index> out;
    largestFilesConcurrently(node, limit, out);
    return out;
}

bool FileTree::largestFilesConcurrently(Index node, std::size_t limit, std::vector<Index>& result,
                                        std::optional<std::uint8_t> category) const {
    // Bounded top-k: never more than 2 × limit candidates. Ties keep discovery
    // order because every sort is stable and later files must be strictly
    // larger than the threshold to enter a full list.
    auto lock = readLock();
    const std::uint64_t startGeneration = generation();
    result.clear();
    if (startGeneration % 2 != 0) {
        return false;  // a change is waiting for the lock
    }
    // More candidates than nodes can never be needed; this also keeps 2 × limit
    // from overflowing.
    limit = std::min(limit, nodeCount());
    if (limit == 0) {
        return true;
    }
    result.reserve(2 * limit);
    std::int64_t threshold = 0;
    const auto compact = [&] {
        std::stable_sort(result.begin(), result.end(),
                         [this](Index a, Index b) { return sizes_[a] > sizes_[b]; });
        if (result.size() > limit) {
            result.resize(limit);
        }
        threshold = result.empty() ? 0 : sizes_[result.back()];
    };
    std::vector<Index> stack{node};
    std::size_t visited = 0;
    while (!stack.empty()) {
        const Index n = stack.back();
        stack.pop_back();
        if (!isDirectory(n)) {
            continue;
        }
        const Directory& d = dir(n);
        const std::size_t count = d.childCount & ~kUnreadableBit;
        for (std::size_t i = 0; i < count; ++i) {
            const Index c = childIndex_[d.childBegin + i];
            if (isDirectory(c)) {
                stack.push_back(c);
            } else if (category && EntryStamp::category(stamps_[c]) != *category) {
                continue;
            } else if (sizes_[c] > threshold || result.size() < limit) {
                result.push_back(c);
                if (result.size() >= 2 * limit) {
                    compact();
                }
            }
        }
        visited += count;
        if (visited >= 4096) {
            visited = 0;
            if (generation() != startGeneration) {
                result.clear();
                return false;
            }
        }
    }
    compact();
    return true;
}

FileNode FileTree::node(Index index) {
    return FileNode(shared_from_this(), index);
}

FileNode FileTree::root() {
    return node(0);
}

std::size_t FileTree::memoryBytes() const {
    return sizes_.memoryBytes() + parents_.memoryBytes() + nameMarks_.memoryBytes() +
           aux_.memoryBytes() + dirs_.memoryBytes() + childIndex_.memoryBytes() +
           names_.memoryBytes() + stamps_.memoryBytes() + hardLinks_.capacity() * sizeof(HardLink);
}

FileNode FileNode::parent() const {
    const FileTree::Index p = tree_->parent(index_);
    return p == FileTree::kNone ? FileNode() : FileNode(tree_, p);
}

std::vector<FileNode> FileNode::children() const {
    const std::size_t count = childCount();
    std::vector<FileNode> result;
    result.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        result.push_back(child(i));
    }
    return result;
}

std::vector<FileNode> FileNode::largestFiles(std::size_t limit) const {
    std::vector<FileNode> result;
    for (FileTree::Index i : tree_->largestFiles(index_, limit)) {
        result.emplace_back(tree_, i);
    }
    return result;
}

std::string FileNode::displayName() const {
    return decodeUtf8Lossy(nameBytes());
}

}  // namespace raumfuchs
