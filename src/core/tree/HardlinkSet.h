#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "core/tree/FileId.h"

namespace raumfuchs {

// The files with several links that were counted already. Open addressing:
// no allocation per entry; the empty slot is FileId{}, which is kept apart.
class HardlinkSet {
  public:
    // True when the file was not in the set yet.
    bool insert(const FileId& file) {
        if (file == FileId{}) {
            const bool fresh = !zeroSeen_;
            zeroSeen_ = true;
            return fresh;
        }
        if ((count_ + 1) * 2 > slots_.size()) {
            grow();
        }
        return place(slots_, file);
    }

  private:
    bool place(std::vector<FileId>& slots, const FileId& file) {
        const std::size_t mask = slots.size() - 1;
        for (std::size_t i = std::hash<FileId>()(file) & mask;; i = (i + 1) & mask) {
            FileId& slot = slots[i];
            if (slot == file) {
                return false;
            }
            if (slot == FileId{}) {
                slot = file;
                ++count_;
                return true;
            }
        }
    }
    void grow() {
        std::vector<FileId> bigger(slots_.empty() ? 1024 : slots_.size() * 2);
        count_ = 0;
        for (const FileId& slot : slots_) {
            if (!(slot == FileId{})) {
                place(bigger, slot);
            }
        }
        slots_.swap(bigger);
    }

    std::vector<FileId> slots_;
    std::size_t count_ = 0;
    bool zeroSeen_ = false;
};

}  // namespace raumfuchs
