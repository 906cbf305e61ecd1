#include "core/system/MountTable.h"

#include <cstdlib>

#include "core/system/WholeFile.h"

namespace raumfuchs {

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

std::optional<std::vector<MountEntry>> readMountTable(const std::string& path) {
    const std::optional<std::string> text = readWholeFile(path);
    if (!text) {
        return std::nullopt;
    }
    return parseMountInfo(*text);
}

std::optional<std::string_view> pathBelow(std::string_view path, std::string_view folder) {
    if (folder == "/") {
        return path.starts_with('/') ? std::optional(path.substr(1)) : std::nullopt;
    }
    if (!path.starts_with(folder)) {
        return std::nullopt;
    }
    if (path.size() == folder.size()) {
        return path.substr(path.size());
    }
    if (path[folder.size()] != '/') {
        return std::nullopt;
    }
    return path.substr(folder.size() + 1);
}

std::optional<std::size_t> coveringMount(const std::vector<MountEntry>& mounts,
                                         std::string_view realPath) {
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < mounts.size(); ++i) {
        if (pathBelow(realPath, mounts[i].mountPoint) &&
            (!best || mounts[i].mountPoint.size() >= mounts[*best].mountPoint.size())) {
            best = i;
        }
    }
    return best;
}

bool holdsMountPoint(const std::vector<MountEntry>& mounts, std::string_view realPath) {
    for (const MountEntry& mount : mounts) {
        if (pathBelow(mount.mountPoint, realPath)) {
            return true;
        }
    }
    return false;
}

}  // namespace raumfuchs
