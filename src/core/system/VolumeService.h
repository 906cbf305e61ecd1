#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/system/VolumeInfo.h"

namespace raumfuchs {

// What the platform reports about one mounted volume; every value may be
// missing, exactly as the platform left it out.
struct VolumeRecord {
    std::string path;           // mount point
    std::string lastComponent;  // of the mount point, "/" for the root; derived from path if empty
    std::optional<std::string> volumeName;
    std::optional<std::string> localizedName;
    std::optional<std::int64_t> total;
    std::optional<std::int64_t> availableImportant;  // free space for important use
    std::optional<std::int64_t> available;
    std::optional<std::int64_t> reserved;  // for the administrator, part of the used space
    std::optional<bool> removable;
    std::optional<bool> internal;
    std::optional<bool> browsable;
};

namespace VolumeService {

// The start screen's volume list from the platform's records, in the
// platform's order: volumes that are not browsable or report no positive
// capacity are left out; the rest are sorted stably with "/" first and then
// by name in the order file lists use (localizedStandardCompare).
std::vector<VolumeInfo> orderedVolumes(const std::vector<VolumeRecord>& records);

}  // namespace VolumeService
}  // namespace raumfuchs
