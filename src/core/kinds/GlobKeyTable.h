#pragma once

#include <cstdint>
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
    const Entry* find(std::string_view key) const;
    bool empty() const { return keys_.empty(); }
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

    static std::uint64_t hashOf(std::string_view key);
    std::string_view keyText(const Key& key) const {
        return {pool_.data() + key.begin, key.length};
    }
    // The slot that holds `key`, or the empty one where it would go.
    std::size_t probe(std::uint64_t hash, std::string_view key) const;
    void grow();

    std::string pool_;
    std::vector<Key> keys_;
    // Open addressing, a power of two at most half full: positions in keys_
    // plus one, 0 for an empty slot.
    std::vector<std::uint32_t> slots_;
    std::size_t longestKey_ = 0;
};

}  // namespace raumfuchs
