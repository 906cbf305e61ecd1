#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/tree/FileTree.h"

namespace raumfuchs {

// Finds the children of one folder by their name bytes. A small folder is
// searched child by child; a large one gets a hash table (open addressing, kept
// at most half full), so matching a folder of n entries against another costs
// O(n), not O(n²). One lookup serves folder after folder and keeps its table's
// capacity for the next one.
class ChildLookup {
  public:
    using Index = FileTree::Index;

    // Up to this many children are searched one by one (not measured: below it
    // a table costs more to fill than the searches it saves).
    static constexpr std::size_t kLinearChildren = 8;

    // Prepares the lookup for the children of the folder `folder` of `tree`.
    void fill(const FileTree& tree, Index folder);

    // The first child named `name` (in the folder's order of children) for
    // which `accept(child)` holds, or kNone.
    template <typename Accept>
    Index find(std::string_view name, Accept&& accept) const {
        if (slots_.empty()) {
            const std::size_t count = tree_->childCount(folder_);
            for (std::size_t i = 0; i < count; ++i) {
                const Index child = tree_->child(folder_, i);
                if (tree_->nameBytes(child) == name && accept(child)) {
                    return child;
                }
            }
            return FileTree::kNone;
        }
        const std::uint64_t h = hash(name);
        const auto tag = static_cast<std::uint32_t>(h >> 32);
        for (std::size_t i = h & mask_;; i = (i + 1) & mask_) {
            const Slot& slot = slots_[i];
            if (slot.child == FileTree::kNone) {
                return FileTree::kNone;
            }
            if (slot.tag == tag && tree_->nameBytes(slot.child) == name && accept(slot.child)) {
                return slot.child;
            }
        }
    }

    // Bytes held by the table.
    std::size_t memoryBytes() const { return slots_.capacity() * sizeof(Slot); }

  private:
    struct Slot {
        std::uint32_t tag = 0;  // the hash's upper half, to pass over most others unread
        Index child = FileTree::kNone;
    };
    static std::uint64_t hash(std::string_view name);

    const FileTree* tree_ = nullptr;
    Index folder_ = FileTree::kNone;
    // Empty while the folder is searched child by child.
    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
};

}  // namespace raumfuchs
