#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace raumfuchs {

// What a scan of the whole system root ("/") leaves out and which other
// volumes it enters. The scanner asks it once per scan for the exclusions and
// the mount points, and once per device for the file-system type.
class RootPolicy {
  public:
    virtual ~RootPolicy() = default;

    // Directory paths that a root scan does not enter, compared as whole strings.
    virtual std::unordered_set<std::string> exclusions() const = 0;
    // Whether a volume of this file-system type is entered.
    virtual bool acceptsFileSystem(std::string_view type) const = 0;
    // Whether a device already entered through one mount point is left out at
    // every other one (bind mounts would otherwise be counted twice).
    virtual bool entersDeviceOnce() const = 0;
    // Mount points known beyond those where the device number changes: a bind
    // mount of the same file system keeps its device number.
    virtual std::unordered_set<std::string> mountPoints() const { return {}; }
    // The file-system type name of the volume holding `path` (empty when it is
    // of no known type), or nothing when it cannot be read.
    virtual std::optional<std::string> fileSystemType(const std::string& path) const;
};

// macOS: five fixed folders plus the data volume's side of every firmlink;
// only "apfs" and "hfs" volumes are entered.
class MacRootPolicy : public RootPolicy {
  public:
    explicit MacRootPolicy(std::string firmlinksPath = "/usr/share/firmlinks")
        : firmlinksPath_(std::move(firmlinksPath)) {}

    std::unordered_set<std::string> exclusions() const override;
    bool acceptsFileSystem(std::string_view type) const override;
    bool entersDeviceOnce() const override { return false; }

  private:
    std::string firmlinksPath_;
};

// Linux: the kernel's virtual trees and the removable-media folders are left
// out; local disk file systems are entered, each device once.
class LinuxRootPolicy : public RootPolicy {
  public:
    explicit LinuxRootPolicy(std::string mountInfoPath = "/proc/self/mountinfo")
        : mountInfoPath_(std::move(mountInfoPath)) {}

    std::unordered_set<std::string> exclusions() const override;
    bool acceptsFileSystem(std::string_view type) const override;
    bool entersDeviceOnce() const override { return true; }
    std::unordered_set<std::string> mountPoints() const override;

  private:
    std::string mountInfoPath_;
};

// The type name of a Linux statfs f_type magic number ("ext4", "xfs", …), or
// an empty string for an unknown number.
std::string fileSystemTypeName(long magic);

}  // namespace raumfuchs
