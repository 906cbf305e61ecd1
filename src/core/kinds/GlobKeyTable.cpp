#include "core/kinds/GlobKeyTable.h"

#include <algorithm>

namespace raumfuchs {

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
        sketch_.set(sketchBit(key));
    }
    Key& k = keys_[slots_[slot] - 1];
    int& held = caseSensitive ? k.entry.caseSensitive : k.entry.caseInsensitive;
    int& heldWeight = caseSensitive ? k.caseSensitiveWeight : k.caseInsensitiveWeight;
    if (held == kNone || weight > heldWeight) {
        held = glob;
        heldWeight = weight;
    }
}

}  // namespace raumfuchs
