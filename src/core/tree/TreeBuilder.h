#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/tree/FileTree.h"
#include "core/tree/HardlinkSet.h"
#include "core/tree/TreeSink.h"

namespace raumfuchs {

// Builds a FileTree from a source's entries (see TreeSink), by the rules every
// tree follows, scanned or imported: files and placeholders go to the
// innermost open folder; the bytes and counts of its files and closed
// subfolders are added up while it is open and stored when it closes, with
// its children sorted largest first; a file with several links counts its
// bytes at the link met first and 0 at the others, and the tree keeps every
// link's (device, inode); placeholders and folders closed unreadable are
// marked so and counted. Left-out folders make no node.
class TreeBuilder : public TreeSink {
  public:
    // `displayName`: the root's name; without one, the last component of the
    // root's path.
    explicit TreeBuilder(std::optional<std::string> displayName = std::nullopt);

    // Files are stamped with the category `classifier` gives their names (none:
    // all unclassified), and every entry with its age in days before
    // `ageReference` (seconds since 1970); see EntryStamp. Before the first
    // entry.
    void setStamping(const NameClassifier* classifier, std::int64_t ageReference);

    void openDirectory(const TreeEntry& entry) override;
    void file(const TreeEntry& entry) override;
    void placeholder(const TreeEntry& entry) override;
    void leftOut(const TreeEntry&) override {}
    void closeDirectory(bool unreadable) override;

    // Adds to the innermost open folder's own bytes, for sources that know
    // them only once its entries are read.
    void addOwnBytes(std::int64_t bytes);
    // The bytes of the files so far, each hard-linked file once.
    std::int64_t fileBytes() const { return fileBytes_; }
    // Entries marked unreadable so far.
    std::int64_t unreadableCount() const { return unreadable_; }
    // Closes every folder still open and hands the tree over; null when no
    // node was made.
    std::shared_ptr<FileTree> finish();

  private:
    struct OpenDirectory {
        FileTree::Index node;
        std::vector<FileTree::Index> children;
        std::int64_t bytes = 0;
        std::int64_t files = 0;
    };
    // The tree, made at the first entry, which names its root.
    FileTree& treeFor(const TreeEntry& entry);
    FileTree::Index parentIndex() const {
        return open_.empty() ? FileTree::kNone : open_.back().node;
    }
    void attach(FileTree::Index node);
    std::uint16_t stampOf(const TreeEntry& entry) const;

    std::optional<std::string> displayName_;
    const NameClassifier* classifier_ = nullptr;
    std::int64_t ageReference_ = 0;
    std::shared_ptr<FileTree> tree_;
    // Open directories, innermost last.
    std::vector<OpenDirectory> open_;
    // Child vectors of closed directories, kept with their capacity for the next ones.
    std::vector<std::vector<FileTree::Index>> spare_;
    HardlinkSet hardLinks_;
    std::int64_t fileBytes_ = 0;
    std::int64_t unreadable_ = 0;
};

}  // namespace raumfuchs
