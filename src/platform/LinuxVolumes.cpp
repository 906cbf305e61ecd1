#include "platform/LinuxVolumes.h"

#include <blkid/blkid.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include <array>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <utility>

#include "core/system/WholeFile.h"
#include "core/text/PathText.h"

namespace raumfuchs {
namespace {

bool isUnder(std::string_view path, std::string_view area) {
    return path == area || (path.size() > area.size() && path.substr(0, area.size()) == area &&
                            path[area.size()] == '/');
}

std::string resolved(const std::string& path) {
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) != nullptr ? std::string(buffer) : path;
}

// udev writes unsafe characters of labels as "\xHH".
std::string decodeUdevName(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
            std::isxdigit(static_cast<unsigned char>(name[i + 2])) &&
            std::isxdigit(static_cast<unsigned char>(name[i + 3]))) {
            out += static_cast<char>(std::stoi(std::string(name.substr(i + 2, 2)), nullptr, 16));
            i += 3;
        } else {
            out += name[i];
        }
    }
    return out;
}

std::optional<std::uint64_t> blockDeviceNumber(const std::string& device) {
    struct stat st {};
    if (device.empty() || device.front() != '/' || ::stat(device.c_str(), &st) != 0 ||
        !S_ISBLK(st.st_mode)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(st.st_rdev);
}

std::string readFirstLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The mount shows all of its file system (the root volume counts as such
// whatever folder of its file system it shows).
bool isWholeMount(const MountEntry& entry) {
    return entry.root == "/" || entry.mountPoint == "/";
}

}  // namespace

bool isHiddenMount(const MountEntry& entry) {
    static const std::set<std::string, std::less<>> kPseudoTypes{"autofs",      "binfmt_misc",
                                                                 "bpf",         "cgroup",
                                                                 "cgroup2",     "configfs",
                                                                 "debugfs",     "devpts",
                                                                 "devtmpfs",    "efivarfs",
                                                                 "fusectl",     "hugetlbfs",
                                                                 "mqueue",      "nfsd",
                                                                 "nsfs",        "proc",
                                                                 "pstore",      "ramfs",
                                                                 "rpc_pipefs",  "securityfs",
                                                                 "selinuxfs",   "squashfs",
                                                                 "sysfs",       "tmpfs",
                                                                 "tracefs",     "fuse.gvfsd-fuse",
                                                                 "fuse.portal", "fuse.lxcfs",
                                                                 "devfs",       "cpuset",
                                                                 "none",        "zram"};
    if (entry.mountPoint == "/") {
        return false;  // the system's root is a volume whatever it is made of (overlay, tmpfs)
    }
    if (kPseudoTypes.count(entry.fsType) > 0 || entry.fsType == "overlay") {
        return true;
    }
    const std::string& point = entry.mountPoint;
    if (isUnder(point, "/run")) {
        return !isUnder(point, "/run/media") || point == "/run/media";
    }
    return isUnder(point, "/proc") || isUnder(point, "/sys") || isUnder(point, "/dev") ||
           isUnder(point, "/snap");
}

LinuxVolumeProbe::LinuxVolumeProbe() {
    std::error_code error;
    for (const auto& link : std::filesystem::directory_iterator("/dev/disk/by-label", error)) {
        Label label;
        label.device = resolved(link.path().string());
        label.rdev = blockDeviceNumber(label.device).value_or(0);
        label.name = decodeUdevName(link.path().filename().string());
        labels_.push_back(std::move(label));
    }
}

std::optional<LinuxVolumeProbe::Capacity> LinuxVolumeProbe::capacity(
    const std::string& mountPoint) const {
    struct stat st {};
    struct statvfs vfs {};
    if (::stat(mountPoint.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        ::statvfs(mountPoint.c_str(), &vfs) != 0) {
        return std::nullopt;
    }
    const auto fragment = static_cast<std::int64_t>(vfs.f_frsize != 0 ? vfs.f_frsize : vfs.f_bsize);
    const auto reserved = vfs.f_bfree > vfs.f_bavail ? vfs.f_bfree - vfs.f_bavail : 0;
    return Capacity{static_cast<std::int64_t>(vfs.f_blocks) * fragment,
                    static_cast<std::int64_t>(vfs.f_bavail) * fragment,
                    static_cast<std::int64_t>(reserved) * fragment};
}

std::optional<std::string> LinuxVolumeProbe::label(const MountEntry& entry) const {
    const std::string device = resolved(entry.source);
    const std::optional<std::uint64_t> rdev = blockDeviceNumber(device);
    for (const Label& label : labels_) {
        if (label.device == device || (rdev.has_value() && label.rdev == *rdev)) {
            return label.name;
        }
    }
    if (!rdev.has_value()) {
        return std::nullopt;
    }
    // Without udev (containers) nobody writes the label links: read the label
    // from the device's superblock, which needs read access to the device.
    blkid_probe probe = blkid_new_probe_from_filename(device.c_str());
    if (probe == nullptr) {
        return std::nullopt;
    }
    blkid_probe_enable_superblocks(probe, 1);
    blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_LABEL);
    std::optional<std::string> name;
    const char* value = nullptr;
    if (blkid_do_safeprobe(probe) == 0 &&
        blkid_probe_lookup_value(probe, "LABEL", &value, nullptr) == 0 && value != nullptr &&
        *value != '\0') {
        name = value;
    }
    blkid_free_probe(probe);
    return name;
}

std::optional<bool> LinuxVolumeProbe::removable(const MountEntry& entry) const {
    const std::optional<std::uint64_t> rdev = blockDeviceNumber(resolved(entry.source));
    if (!rdev.has_value()) {
        return std::nullopt;
    }
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path link =
        "/sys/dev/block/" + std::to_string(major(*rdev)) + ":" + std::to_string(minor(*rdev));
    fs::path device = fs::canonical(link, error);
    if (error) {
        return false;
    }
    if (device.string().find("/usb") != std::string::npos) {
        return true;
    }
    if (fs::exists(device / "partition", error)) {
        device = device.parent_path();
    }
    return readFirstLine(device / "removable") == "1";
}

std::vector<VolumeRecord> linuxVolumeRecords(std::string_view mountinfo,
                                             const LinuxVolumeProbe& probe) {
    using Device = std::pair<unsigned, unsigned>;
    const std::vector<MountEntry> entries = parseMountInfo(mountinfo);
    // The mounts that can be listed, each with its capacity.
    std::vector<std::pair<const MountEntry*, LinuxVolumeProbe::Capacity>> shown;
    std::set<Device> shownWhole;  // devices listed through a mount of their whole content
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const MountEntry& entry = entries[i];
        if (isHiddenMount(entry)) {
            continue;
        }
        bool covered = false;
        for (std::size_t later = i + 1; later < entries.size() && !covered; ++later) {
            covered = entries[later].mountPoint == entry.mountPoint;
        }
        if (covered) {
            continue;
        }
        const std::optional<LinuxVolumeProbe::Capacity> capacity = probe.capacity(entry.mountPoint);
        if (!capacity.has_value()) {
            continue;
        }
        shown.emplace_back(&entry, *capacity);
        if (isWholeMount(entry)) {
            shownWhole.insert({entry.major, entry.minor});
        }
    }

    std::vector<VolumeRecord> records;
    std::set<Device> listed;
    std::set<std::pair<Device, std::string>> seenFolders;
    for (const auto& [entry, capacity] : shown) {
        const Device device{entry->major, entry->minor};
        // A folder of a device bound elsewhere would show the whole device's size again.
        if (!seenFolders.insert({device, entry->root}).second ||
            (!isWholeMount(*entry) && (listed.contains(device) || shownWhole.contains(device)))) {
            continue;
        }
        listed.insert(device);
        VolumeRecord record;
        record.path = entry->mountPoint;
        record.lastComponent = PathText::lastComponent(entry->mountPoint);
        record.volumeName = probe.label(*entry);
        record.total = capacity.total;
        record.available = capacity.available;
        record.availableImportant = capacity.available;
        record.reserved = capacity.reserved;
        const std::optional<bool> removable = probe.removable(*entry);
        record.removable = removable.value_or(false);
        record.internal = removable.has_value() && !*removable;
        records.push_back(std::move(record));
    }
    return records;
}

std::vector<VolumeInfo> mountedLinuxVolumes() {
    const LinuxVolumeProbe probe;
    return VolumeService::orderedVolumes(
        linuxVolumeRecords(readWholeFile("/proc/self/mountinfo").value_or(""), probe));
}

}  // namespace raumfuchs
