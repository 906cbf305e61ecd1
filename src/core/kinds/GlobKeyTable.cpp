#include "core/kinds/GlobKeyTable.h"

#include <algorithm>
#include <cstring>

namespace raumfuchs {

std::uint64_t GlobKeyTable::hashOf(std::string_view key) {
    // Eight bytes at a time, multiplied and folded: keys are a few bytes long
    // and looked up for every file name, so this is the cost that counts.
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    std::uint64_t hash = key.size() * kMultiplier;
    const char* p = key.data();
    std::size_t left = key.size();
    while (left > 0) {
        std::uint64_t word = 0;
        const std::size_t n = left < 8 ? left : 8;
        std::memcpy(&word, p, n);
        hash = (hash ^ word) * kMultiplier;
        hash ^= hash >> 32;
        p += n;
        left -= n;
    }
    return hash;
}

std::size_t GlobKeyTable::probe(std::uint64_t hash, std::string_view key) const {
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

void GlobKeyTable::grow() {
    slots_.assign(slots_.empty() ? 64 : slots_.size() * 2, 0);
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        slots_[probe(keys_[i].hash, keyText(keys_[i]))] = static_cast<std::uint32_t>(i + 1);
    }
}

void GlobKeyTable::add(std::string_view key, bool caseSensitive, int glob, int weight) {
    if (2 * (keys_.size() + 1) > slots_.size()) {
        grow();
    }
    const std::uint64_t hash = hashOf(key);
    const std::size_t slot = probe(hash, key);
    if (slots_[slot] == 0) {
        Key k;
        k.hash = hash;
        k.begin = static_cast<std::uint32_t>(pool_.size());
        k.length = static_cast<std::uint32_t>(key.size());
        pool_ += key;
        keys_.push_back(k);
        slots_[slot] = static_cast<std::uint32_t>(keys_.size());
        longestKey_ = std::max(longestKey_, key.size());
    }
    Key& k = keys_[slots_[slot] - 1];
    int& held = caseSensitive ? k.entry.caseSensitive : k.entry.caseInsensitive;
    int& heldWeight = caseSensitive ? k.caseSensitiveWeight : k.caseInsensitiveWeight;
    if (held == kNone || weight > heldWeight) {
        held = glob;
        heldWeight = weight;
    }
}

const GlobKeyTable::Entry* GlobKeyTable::find(std::string_view key) const {
    if (keys_.empty()) {
        return nullptr;
    }
    const std::uint32_t at = slots_[probe(hashOf(key), key)];
    return at == 0 ? nullptr : &keys_[at - 1].entry;
}

}  // namespace raumfuchs
