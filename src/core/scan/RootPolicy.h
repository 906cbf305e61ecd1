#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace raumfuchs {

// How a root scan treats a mount point the mount table knows.
enum class MountChoice {
    Enter,
    Skip,  // its content is counted through another mount of the same file system
};

// What a scan of the whole system root ("/") leaves out and which other
// volumes it enters. The scanner asks it once per scan for the exclusions and
// the mount choices, and once per device for the file-system type. The one
// real policy is LinuxRootPolicy; tests derive their own from it.
class RootPolicy {
  public:
    virtual ~RootPolicy() = default;

    // Directory paths that a root scan does not enter, compared as whole strings.
    virtual std::unordered_set<std::string> exclusions() const = 0;
    // Whether a volume of this file-system type is entered.
    virtual bool acceptsFileSystem(std::string_view type) const = 0;
    // The mount points below `scanRoot` that the mount table knows, each with
    // whether the scan enters it, decided for the whole table before the walk.
    // Other mount points are recognised by a change of device number.
    virtual std::unordered_map<std::string, MountChoice> mountChoices(
        const std::string& /*scanRoot*/) const {
        return {};
    }
    // The file-system type name of the volume holding `path` (empty when it is
    // of no known type), or nothing when it cannot be read.
    virtual std::optional<std::string> fileSystemType(const std::string& path) const;
};

// The root policy of this system: the kernel's virtual trees and the
// removable-media folders are left out; local disk file systems (those of a
// Mac disk, apfs and hfs, among them) are entered, the content of each once: every
// file system through the mounts whose mount root is not inside the mount root
// of one already entered (the scanned folder's own first, then the widest), so
// a bind mount of a folder of a disk is left out wherever it lies in the walk.
class LinuxRootPolicy : public RootPolicy {
  public:
    explicit LinuxRootPolicy(std::string mountInfoPath = "/proc/self/mountinfo")
        : mountInfoPath_(std::move(mountInfoPath)) {}

    std::unordered_set<std::string> exclusions() const override;
    bool acceptsFileSystem(std::string_view type) const override;
    std::unordered_map<std::string, MountChoice> mountChoices(
        const std::string& scanRoot) const override;

  private:
    std::string mountInfoPath_;
};

// The type name of a Linux statfs f_type magic number ("ext4", "xfs", …), or
// an empty string for an unknown number.
std::string fileSystemTypeName(long magic);

}  // namespace raumfuchs
