#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace raumfuchs {

// One line of /proc/self/mountinfo, escapes decoded.
struct MountEntry {
    unsigned major = 0;
    unsigned minor = 0;
    std::string root;  // the mounted folder inside its file system ("/" for all of it)
    std::string mountPoint;
    std::string fsType;
    std::string source;
};

// Reads mountinfo text; malformed lines are skipped. The kernel lists mounts
// in the order they were made, so a later entry at the same mount point
// covers an earlier one.
std::vector<MountEntry> parseMountInfo(std::string_view text);

// Undoes the kernel's octal escapes ("\040" for a space) in a mountinfo field.
std::string decodeMountField(std::string_view field);

// The mount table of this process, read at the moment of the call; nothing
// when it cannot be read.
std::optional<std::vector<MountEntry>> readMountTable(
    const std::string& path = "/proc/self/mountinfo");

// The part of `path` below `folder` ("" for the folder itself), by whole
// components; nothing when `path` is neither the folder nor below it.
std::optional<std::string_view> pathBelow(std::string_view path, std::string_view folder);

// The mount that shows the resolved absolute `realPath`: the longest mount
// point that is the path or a folder above it, and of several mounts at that
// point the last, which covers the others. Its index in `mounts`; nothing when
// no mount covers the path.
std::optional<std::size_t> coveringMount(const std::vector<MountEntry>& mounts,
                                         std::string_view realPath);

// True when a mount point is the resolved `realPath` or lies below it.
bool holdsMountPoint(const std::vector<MountEntry>& mounts, std::string_view realPath);

}  // namespace raumfuchs
