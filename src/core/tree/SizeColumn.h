#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "core/tree/ChunkedArray.h"

namespace raumfuchs {

// The sizes of a tree's entries in 4 bytes each: a size below 4 GiB − 1 stands
// in the column, a larger one (a large file, a folder near the root) in a side
// table. Most entries are small files, so the table stays short.
class SizeColumn {
  public:
    std::size_t size() const { return small_.size(); }

    std::int64_t operator[](std::size_t i) const {
        const std::uint32_t value = small_[i];
        return value != kLarge ? value : large_.at(static_cast<std::uint32_t>(i));
    }

    void push_back(std::int64_t value) {
        small_.push_back(0);
        set(small_.size() - 1, value);
    }

    void set(std::size_t i, std::int64_t value) {
        const auto key = static_cast<std::uint32_t>(i);
        if (value >= 0 && value < kLarge) {
            if (small_[i] == kLarge) {
                large_.erase(key);
            }
            small_[i] = static_cast<std::uint32_t>(value);
        } else {
            small_[i] = kLarge;
            large_[key] = value;
        }
    }

    void add(std::size_t i, std::int64_t delta) { set(i, (*this)[i] + delta); }

    // The column and, roughly, the side table's nodes.
    std::size_t memoryBytes() const {
        return small_.memoryBytes() + large_.size() * (sizeof(std::int64_t) * 4);
    }

  private:
    static constexpr std::uint32_t kLarge = UINT32_MAX;

    ChunkedArray<std::uint32_t> small_;
    std::unordered_map<std::uint32_t, std::int64_t> large_;
};

}  // namespace raumfuchs
