#pragma once

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace raumfuchs {

// The patterns of the MIME database that are plain strings (literal names, and
// the ".ext" of `*.ext`), by key, for one hash probe per name or suffix.
// A case-sensitive pattern is keyed by its exact bytes, the others by their
// lowercase form, so one key holds at most one of each: the heavier one, or
// the one added first at equal weight.
class GlobKeyTable {
  public:
    static constexpr int kNone = -1;

    struct Entry {
        int caseInsensitive = kNone;  // a position in MimeGlobs::globs()
        int caseSensitive = kNone;
    };

    void add(std::string_view key, bool caseSensitive, int glob, int weight);
    // Inline: it runs once or more for every file name classified.
    const Entry* find(std::string_view key) const {
        if (key.empty() || key.size() > longestKey_ || !sketch_[sketchBit(key)]) {
            return nullptr;
        }
        const std::uint32_t at = slots_[probe(hashOf(key), key)];
        return at == 0 ? nullptr : &keys_[at - 1].entry;
    }
    std::size_t longestKey() const { return longestKey_; }

  private:
    struct Key {
        std::uint64_t hash = 0;
        std::uint32_t begin = 0;  // in pool_
        std::uint32_t length = 0;
        Entry entry;
        int caseInsensitiveWeight = 0;
        int caseSensitiveWeight = 0;
    };

    // Eight bytes at a time, multiplied and folded: keys are a few bytes long.
    static std::uint64_t hashOf(std::string_view key) {
        constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
        std::uint64_t hash = key.size() * kMultiplier;
        for (std::size_t at = 0; at < key.size(); at += 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, key.data() + at, std::min<std::size_t>(8, key.size() - at));
            hash = (hash ^ word) * kMultiplier;
            hash ^= hash >> 32;
        }
        return hash;
    }
    // A bit for the key's length, first and last byte: most names and
    // suffixes that have no pattern are turned away here, before hashing.
    static std::size_t sketchBit(std::string_view key) {
        return (key.size() * 977 + static_cast<unsigned char>(key.front()) * 31 +
                static_cast<unsigned char>(key.back())) %
               kSketchBits;
    }
    static constexpr std::size_t kSketchBits = 1 << 14;

    std::string_view keyText(const Key& key) const {
        return {pool_.data() + key.begin, key.length};
    }
    // The slot that holds `key`, or the empty one where it would go.
    std::size_t probe(std::uint64_t hash, std::string_view key) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
            const std::uint32_t at = slots_[slot];
            if (at == 0) {
                return slot;
            }
            const Key& k = keys_[at - 1];
            if (k.hash == hash && keyText(k) == key) {
                return slot;
            }
        }
    }
    void grow();

    std::string pool_;
    std::vector<Key> keys_;
    // Open addressing, a power of two at most half full: positions in keys_
    // plus one, 0 for an empty slot.
    std::vector<std::uint32_t> slots_;
    std::bitset<kSketchBits> sketch_;
    std::size_t longestKey_ = 0;
};

}  // namespace raumfuchs
