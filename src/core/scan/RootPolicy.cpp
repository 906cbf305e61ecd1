#include "core/scan/RootPolicy.h"

#include <sys/vfs.h>

#include <algorithm>
#include <array>
#include <map>
#include <utility>
#include <vector>

#include "core/system/MountTable.h"

namespace raumfuchs {

namespace {

// Whether `path` is `base` or lies below it.
bool isWithin(std::string_view path, std::string_view base) {
    if (base == "/") {
        return path.starts_with('/');
    }
    return path.starts_with(base) && (path.size() == base.size() || path[base.size()] == '/');
}

}  // namespace

std::optional<std::string> RootPolicy::fileSystemType(const std::string& path) const {
    struct statfs info;
    if (::statfs(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return fileSystemTypeName(static_cast<long>(info.f_type));
}

std::unordered_set<std::string> LinuxRootPolicy::exclusions() const {
    return {"/proc", "/sys", "/dev", "/run", "/media", "/mnt"};
}

bool LinuxRootPolicy::acceptsFileSystem(std::string_view type) const {
    static constexpr std::array<std::string_view, 13> kAccepted{
        "ext2",     "ext3", "ext4",     "xfs",    "btrfs", "f2fs", "jfs",
        "reiserfs", "zfs",  "bcachefs", "nilfs2", "apfs",  "hfs"};
    for (std::string_view accepted : kAccepted) {
        if (type == accepted) {
            return true;
        }
    }
    return false;
}

std::unordered_map<std::string, MountChoice> LinuxRootPolicy::mountChoices(
    const std::string& scanRoot) const {
    const std::optional<std::vector<MountEntry>> table = readMountTable(mountInfoPath_);
    if (!table) {
        return {};
    }
    // A later mount at the same mount point covers the earlier one.
    std::map<std::string, const MountEntry*> visible;
    for (const MountEntry& entry : *table) {
        visible[entry.mountPoint] = &entry;
    }
    // The mount holding the scanned folder: that part of its file system is entered.
    const MountEntry* holder = nullptr;
    for (const auto& [point, entry] : visible) {
        if (isWithin(scanRoot, point) &&
            (holder == nullptr || point.size() > holder->mountPoint.size())) {
            holder = entry;
        }
    }
    // Folders below the scanned one that the walk does not enter: the
    // exclusions and the mounts of file systems that are not entered.
    std::vector<std::string> barriers;
    for (const std::string& path : exclusions()) {
        barriers.push_back(path);
    }
    for (const auto& [point, entry] : visible) {
        if (!acceptsFileSystem(entry->fsType)) {
            barriers.push_back(point);
        }
    }
    std::erase_if(barriers, [&](const std::string& path) {
        return path == scanRoot || !isWithin(path, scanRoot);
    });
    std::vector<const MountEntry*> reached;
    for (const auto& [point, entry] : visible) {
        if (point != scanRoot && isWithin(point, scanRoot) &&
            std::ranges::none_of(
                barriers, [&, &p = point](const std::string& b) { return isWithin(p, b); })) {
            reached.push_back(entry);
        }
    }
    // The widest mount roots first; equal ones in the order of their mount points.
    std::ranges::stable_sort(reached, {}, [](const MountEntry* m) { return m->root.size(); });

    std::unordered_map<std::string, MountChoice> choices;
    for (;;) {
        choices.clear();
        std::map<std::pair<unsigned, unsigned>, std::vector<std::string>> entered;
        if (holder != nullptr) {
            // The scanned folder inside the holder's file system.
            const std::string below = holder->mountPoint == "/"
                                          ? (scanRoot == "/" ? "" : scanRoot)
                                          : scanRoot.substr(holder->mountPoint.size());
            entered[{holder->major, holder->minor}].push_back(
                holder->root == "/" ? (below.empty() ? "/" : below) : holder->root + below);
        }
        for (const MountEntry* m : reached) {
            std::vector<std::string>& roots = entered[{m->major, m->minor}];
            const bool inside = std::ranges::any_of(
                roots, [&](const std::string& r) { return isWithin(m->root, r); });
            choices[m->mountPoint] = inside ? MountChoice::Skip : MountChoice::Enter;
            if (!inside) {
                roots.push_back(m->root);
            }
        }
        // The walk never meets a mount below a skipped one; without it, another
        // mount of its file system may have to be entered instead.
        const auto unmet = [&](const MountEntry* m) {
            return std::ranges::any_of(choices, [&](const auto& choice) {
                return choice.second == MountChoice::Skip && choice.first != m->mountPoint &&
                       isWithin(m->mountPoint, choice.first);
            });
        };
        if (std::erase_if(reached, unmet) == 0) {
            return choices;
        }
    }
}

std::string fileSystemTypeName(long magic) {
    static constexpr std::pair<unsigned long, const char*> kNames[] = {
        {0xEF53, "ext4"},  // ext2, ext3 and ext4 share their magic number
        {0x58465342, "xfs"},
        {0x9123683E, "btrfs"},
        {0xF2F52010, "f2fs"},
        {0x3153464A, "jfs"},
        {0x52654973, "reiserfs"},
        {0x2FC12FC1, "zfs"},
        {0xCA451A4E, "bcachefs"},
        {0x3434, "nilfs2"},
        {0x42535041, "apfs"},
        {0x482B, "hfs"},  // HFS+
        {0x4244, "hfs"},
        {0x01021994, "tmpfs"},
        {0x9FA0, "proc"},
        {0x62656572, "sysfs"},
        {0x1CD1, "devpts"},
        {0x794C7630, "overlay"},
        {0x73717368, "squashfs"},
        {0x6969, "nfs"},
        {0xFF534D42, "cifs"},
        {0x65735546, "fuse"},
        {0x4D44, "vfat"},
        {0x2011BAB0, "exfat"},
        {0x5346544E, "ntfs"},
        {0x9660, "iso9660"},
        {0x27E0EB, "cgroup"},
        {0x63677270, "cgroup2"},
        {0x858458F6, "ramfs"},
        {0x64626720, "debugfs"},
        {0x73636673, "securityfs"},
        {0xCAFE4A11, "bpf"},
        {0x74726163, "tracefs"},
        {0x42494E4D, "binfmt_misc"},
        {0x19800202, "mqueue"},
        {0x958458F6, "hugetlbfs"},
        {0x453DCD28, "cramfs"},
    };
    const auto key = static_cast<unsigned long>(magic) & 0xFFFFFFFFul;
    for (const auto& [value, name] : kNames) {
        if (value == key) {
            return std::string(name);
        }
    }
    return {};
}

}  // namespace raumfuchs
