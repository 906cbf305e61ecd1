#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace raumfuchs {

// One mounted volume as the start screen shows it.
struct VolumeInfo {
    std::string path;  // mount point, "/" for the startup volume
    std::string name;
    std::int64_t total = 0;  // bytes, > 0
    std::int64_t available = 0;
    bool isRemovable = false;
    bool isInternal = false;
    std::int64_t reserved = 0;  // bytes of `used` that only the administrator may fill

    std::int64_t used() const { return total - available > 0 ? total - available : 0; }
    double fraction() const {
        return total > 0 ? static_cast<double>(used()) / static_cast<double>(total) : 0.0;
    }
    friend bool operator==(const VolumeInfo&, const VolumeInfo&) = default;
};

}  // namespace raumfuchs
