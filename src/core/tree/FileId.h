#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace raumfuchs {

// One file on one file system, what all its hard links share: the device and
// the inode number.
struct FileId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FileId&, const FileId&) = default;
};

}  // namespace raumfuchs

// Mixes both halves into the low bits too, which open addressing by a mask
// (HardlinkSet) depends on.
template <>
struct std::hash<raumfuchs::FileId> {
    std::size_t operator()(const raumfuchs::FileId& id) const noexcept {
        std::uint64_t h = id.inode * 0x9E3779B97F4A7C15ull ^ (id.device + 0x632BE59BD9B4E019ull);
        h ^= h >> 29;
        return static_cast<std::size_t>(h * 0xBF58476D1CE4E5B9ull >> 7);
    }
};
