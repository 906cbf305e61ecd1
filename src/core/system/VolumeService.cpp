#include "core/system/VolumeService.h"

#include <algorithm>

#include "core/text/NameOrder.h"
#include "core/text/PathText.h"

namespace raumfuchs::VolumeService {

std::vector<VolumeInfo> orderedVolumes(const std::vector<VolumeRecord>& records) {
    std::vector<VolumeInfo> volumes;
    for (const VolumeRecord& record : records) {
        if (record.browsable.has_value() && !*record.browsable) {
            continue;
        }
        if (!record.total.has_value() || *record.total <= 0) {
            continue;
        }
        VolumeInfo info;
        info.path = record.path;
        info.total = *record.total;
        if (record.availableImportant.has_value() && *record.availableImportant > 0) {
            info.available = *record.availableImportant;
        } else {
            info.available = record.available.value_or(0);
        }
        if (record.localizedName.has_value()) {
            info.name = *record.localizedName;
        } else if (record.volumeName.has_value()) {
            info.name = *record.volumeName;
        } else if (!record.lastComponent.empty()) {
            info.name = record.lastComponent;
        } else {
            info.name = PathText::lastComponent(record.path);
        }
        info.isRemovable = record.removable.value_or(false);
        info.isInternal = record.internal.value_or(false);
        info.reserved = record.reserved.value_or(0);
        volumes.push_back(std::move(info));
    }
    std::stable_sort(volumes.begin(), volumes.end(), [](const VolumeInfo& a, const VolumeInfo& b) {
        const bool aRoot = a.path == "/";
        const bool bRoot = b.path == "/";
        if (aRoot || bRoot) {
            return aRoot && !bRoot;
        }
        return NameOrder::localizedStandardCompare(a.name, b.name) < 0;
    });
    return volumes;
}

}  // namespace raumfuchs::VolumeService
