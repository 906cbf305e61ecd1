#include "platform/LinuxVolumes.h"

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
#include <sstream>
#include <utility>

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

std::string lastComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    const auto slash = path.rfind('/');
    if (path == "/" || slash == std::string_view::npos) {
        return std::string(path);
    }
    return std::string(path.substr(slash + 1));
}

}  // namespace

std::string decodeMountField(std::string_view field) {
    const auto octal = [&](std::size_t k) { return field[k] >= '0' && field[k] <= '7'; };
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && octal(i + 1) && octal(i + 2) &&
            octal(i + 3)) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::vector<MountEntry> parseMountInfo(std::string_view text) {
    std::vector<MountEntry> entries;
    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
        auto lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string_view::npos) {
            lineEnd = text.size();
        }
        const std::string_view line = text.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;

        std::vector<std::string_view> fields;
        std::size_t pos = 0;
        while (pos < line.size()) {
            const auto next = line.find(' ', pos);
            const auto end = next == std::string_view::npos ? line.size() : next;
            if (end > pos) {
                fields.push_back(line.substr(pos, end - pos));
            }
            pos = end + 1;
        }
        // id parent major:minor root mountpoint options [optional…] - type source superoptions
        std::size_t separator = 6;
        while (separator < fields.size() && fields[separator] != "-") {
            ++separator;
        }
        if (fields.size() < 6 || separator + 2 >= fields.size()) {
            continue;
        }
        MountEntry entry;
        const std::string_view device = fields[2];
        const auto colon = device.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        entry.major = static_cast<unsigned>(
            std::strtoul(std::string(device.substr(0, colon)).c_str(), nullptr, 10));
        entry.minor = static_cast<unsigned>(
            std::strtoul(std::string(device.substr(colon + 1)).c_str(), nullptr, 10));
        entry.root = decodeMountField(fields[3]);
        entry.mountPoint = decodeMountField(fields[4]);
        entry.fsType = decodeMountField(fields[separator + 1]);
        entry.source = decodeMountField(fields[separator + 2]);
        entries.push_back(std::move(entry));
    }
    return entries;
}

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
    return Capacity{static_cast<std::int64_t>(vfs.f_blocks) * fragment,
                    static_cast<std::int64_t>(vfs.f_bavail) * fragment};
}

std::optional<std::string> LinuxVolumeProbe::label(const MountEntry& entry) const {
    const std::string device = resolved(entry.source);
    const std::optional<std::uint64_t> rdev = blockDeviceNumber(device);
    for (const Label& label : labels_) {
        if (label.device == device || (rdev.has_value() && label.rdev == *rdev)) {
            return label.name;
        }
    }
    return std::nullopt;
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
    const std::vector<MountEntry> entries = parseMountInfo(mountinfo);
    std::vector<VolumeRecord> records;
    std::set<std::pair<std::pair<unsigned, unsigned>, std::string>> seenFolders;
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
        if (!seenFolders.insert({{entry.major, entry.minor}, entry.root}).second) {
            continue;
        }
        const std::optional<LinuxVolumeProbe::Capacity> capacity = probe.capacity(entry.mountPoint);
        if (!capacity.has_value()) {
            continue;
        }
        VolumeRecord record;
        record.path = entry.mountPoint;
        record.lastComponent = lastComponent(entry.mountPoint);
        record.volumeName = probe.label(entry);
        record.total = capacity->total;
        record.available = capacity->available;
        record.availableImportant = capacity->available;
        const std::optional<bool> removable = probe.removable(entry);
        record.removable = removable.value_or(false);
        record.internal = removable.has_value() && !*removable;
        records.push_back(std::move(record));
    }
    return records;
}

std::vector<VolumeInfo> mountedLinuxVolumes() {
    std::ifstream in("/proc/self/mountinfo");
    std::stringstream text;
    text << in.rdbuf();
    const LinuxVolumeProbe probe;
    return VolumeService::orderedVolumes(linuxVolumeRecords(text.str(), probe));
}

}  // namespace raumfuchs
