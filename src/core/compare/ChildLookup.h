#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/tree/FileTree.h"

namespace raumfuchs {

// Finds the children of one folder by their name bytes through a hash table
// (open addressing, kept at most half full), so matching a folder of n entries
// against another costs O(n), not O(n²). One lookup serves folder after folder
// and keeps its table's capacity for the next one. Small folders take the
// table too: searching those of up to 8 or 32 children one by one instead was
// measured no faster on /usr (docs/PERFORMANCE.md).
class ChildLookup {
  public:
    using Index = FileTree::Index;

    // Prepares the lookup for the children of the folder `folder` of `tree`.
    void fill(const FileTree& tree, Index folder);

    // The first child named `name` (in the folder's order of children) for
    // which `accept(child)` holds, or kNone.
    template <typename Accept>
    Index find(std::string_view name, Accept&& accept) const {
        for (std::size_t i = hash(name) & mask_;; i = (i + 1) & mask_) {
            const Index child = slots_[i];
            if (child == FileTree::kNone) {
                return FileTree::kNone;
            }
            if (tree_->nameBytes(child) == name && accept(child)) {
                return child;
            }
        }
    }

  private:
    static std::uint64_t hash(std::string_view name);

    const FileTree* tree_ = nullptr;
    // Children by hash, kNone in empty slots. Four bytes a slot and two to
    // four slots a child: a tag of the hash beside each was measured no faster on
    // bench/tree (docs/PERFORMANCE.md) and took twice the room.
    std::vector<Index> slots_;
    std::size_t mask_ = 0;
};

}  // namespace raumfuchs
