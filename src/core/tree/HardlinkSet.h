#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace raumfuchs {

// The (device, inode) pairs of files with several links that were counted
// already. Open addressing: no allocation per entry.
class HardlinkSet {
  public:
    // True when the pair was not in the set yet.
    bool insert(std::uint64_t device, std::uint64_t inode) {
        if (device == 0 && inode == 0) {
            const bool fresh = !zeroSeen_;
            zeroSeen_ = true;
            return fresh;
        }
        if ((count_ + 1) * 2 > slots_.size()) {
            grow();
        }
        return place(slots_, device, inode);
    }

  private:
    struct Key {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
    };
    static std::size_t hash(std::uint64_t device, std::uint64_t inode) {
        std::uint64_t h = inode * 0x9E3779B97F4A7C15ull ^ (device + 0x632BE59BD9B4E019ull);
        h ^= h >> 29;
        return static_cast<std::size_t>(h * 0xBF58476D1CE4E5B9ull >> 7);
    }
    bool place(std::vector<Key>& slots, std::uint64_t device, std::uint64_t inode) {
        const std::size_t mask = slots.size() - 1;
        for (std::size_t i = hash(device, inode) & mask;; i = (i + 1) & mask) {
            Key& k = slots[i];
            if (k.device == device && k.inode == inode) {
                return false;
            }
            if (k.device == 0 && k.inode == 0) {
                k = Key{device, inode};
                ++count_;
                return true;
            }
        }
    }
    void grow() {
        std::vector<Key> bigger(slots_.empty() ? 1024 : slots_.size() * 2);
        count_ = 0;
        for (const Key& k : slots_) {
            if (k.device != 0 || k.inode != 0) {
                place(bigger, k.device, k.inode);
            }
        }
        slots_.swap(bigger);
    }

    std::vector<Key> slots_;
    std::size_t count_ = 0;
    bool zeroSeen_ = false;
};

}  // namespace raumfuchs
