#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/system/MountTable.h"
#include "core/system/VolumeInfo.h"
#include "core/system/VolumeService.h"

namespace raumfuchs {

// Pseudo and virtual file systems (except at "/") and the system's own mount areas (/proc,
// /sys, /dev, /run except /run/media, /snap) are no volumes for the user.
bool isHiddenMount(const MountEntry& entry);

// What the Linux volume list asks of the machine beyond the mount table; tests
// replace it to describe a machine of their own.
class LinuxVolumeProbe {
  public:
    struct Capacity {
        std::int64_t total = 0;      // f_blocks × f_frsize
        std::int64_t available = 0;  // f_bavail × f_frsize
        std::int64_t reserved = 0;   // (f_bfree − f_bavail) × f_frsize
    };
    // Reads the udev label links once.
    LinuxVolumeProbe();
    virtual ~LinuxVolumeProbe() = default;

    // Nothing when the mount point is not a folder (single files bound into
    // containers) or statvfs fails.
    virtual std::optional<Capacity> capacity(const std::string& mountPoint) const;
    // The file-system label of the mounted block device, if it has one: from
    // udev's label links, else read from the device itself.
    virtual std::optional<std::string> label(const MountEntry& entry) const;
    // Nothing when the source is no local block device; else whether the
    // device is removable media or hangs on a USB bus.
    virtual std::optional<bool> removable(const MountEntry& entry) const;

  private:
    struct Label {
        std::string device;  // resolved device node
        std::uint64_t rdev = 0;
        std::string name;
    };
    std::vector<Label> labels_;
};

// The volume records of a mount table: hidden mounts left out, a mount point
// covered by a later mount reported once (the later one), a folder of a device
// mounted again elsewhere (bind mounts) reported only at its first mount
// point, and a mount of a sub-folder left out when its device is listed
// already or through a mount of its whole content anywhere in the table.
std::vector<VolumeRecord> linuxVolumeRecords(std::string_view mountinfo,
                                             const LinuxVolumeProbe& probe);

// The start screen's volumes of this machine, ordered.
std::vector<VolumeInfo> mountedLinuxVolumes();

}  // namespace raumfuchs
