#include "core/compare/ChildLookup.h"

#include <bit>

namespace raumfuchs {

std::uint64_t ChildLookup::hash(std::string_view name) {
    // FNV-1a over the bytes, then mixed so that the low bits that pick the
    // slot depend on every byte.
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (const char c : name) {
        h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    }
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    return h;
}

void ChildLookup::fill(const FileTree& tree, Index folder) {
    tree_ = &tree;
    const std::size_t count = tree.childCount(folder);
    const std::size_t size = std::bit_ceil(count * 2 + 1);
    slots_.assign(size, FileTree::kNone);
    mask_ = size - 1;
    // Children go in in the folder's order, so among equal names the earlier
    // child lies earlier on the probe sequence and is found first.
    for (std::size_t k = 0; k < count; ++k) {
        const Index child = tree.child(folder, k);
        std::size_t i = hash(tree.nameBytes(child)) & mask_;
        while (slots_[i] != FileTree::kNone) {
            i = (i + 1) & mask_;
        }
        slots_[i] = child;
    }
}

}  // namespace raumfuchs
