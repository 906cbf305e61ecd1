#pragma once

#include <sys/mman.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace raumfuchs {

// An append-only array stored in fixed chunks. Growing never moves or copies
// existing elements, so a tree of millions of entries never needs twice its
// size during a reallocation, and the slack is at most one chunk.
template <typename T, unsigned ChunkBits = 16>
class ChunkedArray {
  public:
    static constexpr std::size_t kChunkSize = std::size_t{1} << ChunkBits;

    std::size_t size() const { return size_; }

    T& operator[](std::size_t i) { return chunks_[i >> ChunkBits][i & (kChunkSize - 1)]; }
    const T& operator[](std::size_t i) const {
        return chunks_[i >> ChunkBits][i & (kChunkSize - 1)];
    }

    void push_back(const T& value) {
        if ((size_ & (kChunkSize - 1)) == 0) {
            addChunk();
        }
        (*this)[size_++] = value;
    }

    // Appends `count` elements that fit in the rest of the current chunk
    // (roomInChunk()), or in a new one when it is full.
    void append(const T* values, std::size_t count) {
        if (count == 0) {
            return;
        }
        if ((size_ & (kChunkSize - 1)) == 0) {
            addChunk();
        }
        std::copy_n(values, count, &(*this)[size_]);
        size_ += count;
    }

    // Elements that fit before the current chunk is full.
    std::size_t roomInChunk() const {
        const std::size_t used = size_ & (kChunkSize - 1);
        return used == 0 && size_ == chunks_.size() * kChunkSize ? 0 : kChunkSize - used;
    }

    std::size_t memoryBytes() const { return chunks_.size() * kChunkSize * sizeof(T); }

  private:
    // Out of line, so that push_back stays small enough to inline.
    [[gnu::noinline]] void addChunk() {
        chunks_.push_back(std::make_unique_for_overwrite<T[]>(kChunkSize));
#ifdef MADV_POPULATE_WRITE
        // Map the whole chunk in one call instead of one page fault per page,
        // which costs a trap each (and dearly in a virtual machine). Where the
        // kernel cannot, the pages come by fault as before.
        const auto begin = reinterpret_cast<std::uintptr_t>(chunks_.back().get());
        const std::uintptr_t page = 4096;
        const std::uintptr_t first = (begin + page - 1) & ~(page - 1);
        const std::uintptr_t last = (begin + kChunkSize * sizeof(T)) & ~(page - 1);
        if (last > first) {
            ::madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
        }
#endif
    }

    std::vector<std::unique_ptr<T[]>> chunks_;
    std::size_t size_ = 0;
};

}  // namespace raumfuchs
