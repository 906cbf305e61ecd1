#include "core/scan/UnattributedSpace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <set>
#include <thread>
#include <unordered_set>
#include <utility>

#include "core/scan/CancelToken.h"
#include "core/scan/DirWalker.h"
#include "core/system/MountTable.h"
#include "core/tree/FileId.h"

namespace raumfuchs {

namespace {

std::optional<std::string> realPath(const std::string& path) {
    char buffer[PATH_MAX];
    if (::realpath(path.c_str(), buffer) == nullptr) {
        return std::nullopt;
    }
    return std::string(buffer);
}

std::int64_t fragmentSize(const struct statvfs& vfs) {
    return static_cast<std::int64_t>(vfs.f_frsize != 0 ? vfs.f_frsize : vfs.f_bsize);
}

bool isNumber(const char* name) {
    if (*name == '\0') {
        return false;
    }
    for (; *name != '\0'; ++name) {
        if (*name < '0' || *name > '9') {
            return false;
        }
    }
    return true;
}

std::string processName(const std::string& processFolder) {
    std::ifstream comm(processFolder + "/comm");
    std::string name;
    std::getline(comm, name);
    return name.empty() ? "?" : name;
}

// The mount points strictly inside `volume` (a resolved path) that no other of
// them lies above: what is hidden below a lower one is hidden below the upper
// one already. Paths relative to the volume.
std::vector<std::string> topmostMountPoints(const std::vector<MountEntry>& mounts,
                                            const std::string& volume) {
    std::vector<std::string> inside;
    for (const MountEntry& mount : mounts) {
        const std::optional<std::string_view> below = pathBelow(mount.mountPoint, volume);
        if (below && !below->empty()) {
            inside.emplace_back(*below);
        }
    }
    std::sort(inside.begin(), inside.end());
    inside.erase(std::unique(inside.begin(), inside.end()), inside.end());
    std::vector<std::string> topmost;
    for (const std::string& point : inside) {
        const bool covered = std::any_of(inside.begin(), inside.end(), [&](const std::string& o) {
            const auto below = pathBelow(point, o);
            return below && !below->empty();
        });
        if (!covered) {
            topmost.push_back(point);
        }
    }
    return topmost;
}

// Allocated bytes below `folder` (the folder's own blocks left out: the scan
// counted a folder at that place), each hard-linked inode once.
std::optional<std::int64_t> bytesBelow(const std::string& folder, std::uint64_t device,
                                       const CancelToken* token,
                                       std::unordered_set<std::uint64_t>& linked) {
    DirWalker walker(folder, DirWalker::Options{});
    std::int64_t bytes = 0;
    std::size_t entries = 0;
    while (const WalkEntry* entry = walker.next()) {
        if (++entries % 1024 == 0 && token != nullptr && token->isCancelled()) {
            return std::nullopt;
        }
        if (entry->level == 0) {
            // The place itself was counted by the scan (as what is mounted
            // there); a folder of another volume hides nothing of this one.
            if (entry->info == EntryInfo::Directory && entry->stat.device != device) {
                walker.skip();
            }
            continue;
        }
        const bool counted = entry->info == EntryInfo::Directory ||
                             entry->info == EntryInfo::File || entry->info == EntryInfo::Symlink ||
                             entry->info == EntryInfo::Other;
        if (!counted || !entry->hasStat) {
            continue;
        }
        if (entry->stat.links > 1 && entry->info != EntryInfo::Directory &&
            !linked.insert(entry->stat.inode).second) {
            continue;
        }
        bytes += entry->stat.blocks * 512;
    }
    return bytes;
}

constexpr const char* kPrivateRoot = "/tmp";
constexpr const char* kPrivateView = "/tmp/volume";

// Runs on a thread of its own, whose mount namespace becomes private: every
// mount made here is seen by this thread alone, and goes at the latest when
// the thread ends.
std::optional<std::int64_t> measureInPrivateNamespace(const std::string& volume,
                                                      const std::vector<std::string>& points,
                                                      const CancelToken* token,
                                                      std::string& unmeasured) {
    if (::unshare(CLONE_NEWNS) != 0) {
        unmeasured = errno == EPERM ? "Nur mit Administratorrechten messbar: dazu wird das "
                                      "Laufwerk unsichtbar für andere ein zweites Mal eingebunden."
                                    : "Das System erlaubt keinen eigenen Namensraum für "
                                      "Einhängepunkte.";
        return std::nullopt;
    }
    // Before anything is mounted: nothing may propagate back to the system.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        unmeasured = "Die Einhängepunkte ließen sich nicht vom System trennen.";
        return std::nullopt;
    }
    // Taken before the private folder may cover the volume (one below /tmp).
    const int volumeFd = ::open(volume.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct stat st {};
    if (volumeFd < 0 || ::fstat(volumeFd, &st) != 0) {
        if (volumeFd >= 0) {
            ::close(volumeFd);
        }
        unmeasured = "Das Laufwerk war nicht mehr erreichbar.";
        return std::nullopt;
    }
    std::optional<std::int64_t> hidden;
    unmeasured = "Das System hat den zweiten, privaten Blick auf das Laufwerk verweigert.";
    if (::mount("raumfuchs", kPrivateRoot, "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC,
                "size=16k,mode=700") == 0) {
        const std::string source = "/proc/self/fd/" + std::to_string(volumeFd);
        // Not recursive: the bind shows the volume without anything mounted on it.
        if (::mkdir(kPrivateView, 0700) == 0 &&
            ::mount(source.c_str(), kPrivateView, nullptr, MS_BIND, nullptr) == 0) {
            // Read-only, so not even an access time changes while looking.
            if (::mount(nullptr, kPrivateView, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                        nullptr) == 0) {
                std::unordered_set<std::uint64_t> linked;
                hidden = 0;
                for (const std::string& point : points) {
                    const std::optional<std::int64_t> bytes = bytesBelow(
                        std::string(kPrivateView) + "/" + point, st.st_dev, token, linked);
                    if (!bytes) {
                        hidden.reset();
                        unmeasured = "Die Messung wurde abgebrochen.";
                        break;
                    }
                    *hidden += *bytes;
                }
            }
            ::umount2(kPrivateView, MNT_DETACH);
        }
        ::umount2(kPrivateRoot, MNT_DETACH);
    }
    ::close(volumeFd);
    if (hidden) {
        unmeasured.clear();
    }
    return hidden;
}

}  // namespace

std::optional<std::int64_t> usedBytes(const std::string& path) {
    struct statvfs vfs {};
    if (::statvfs(path.c_str(), &vfs) != 0 || vfs.f_blocks < vfs.f_bavail) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(vfs.f_blocks - vfs.f_bavail) * fragmentSize(vfs);
}

std::optional<std::int64_t> volumeUsedBytes(const std::string& path) {
    const std::optional<std::string> real = realPath(path);
    const std::optional<std::vector<MountEntry>> mounts = readMountTable();
    if (!real || !mounts || std::none_of(mounts->begin(), mounts->end(), [&](const MountEntry& m) {
            return m.mountPoint == *real;
        })) {
        return std::nullopt;
    }
    return usedBytes(*real);
}

std::int64_t reservedBytes(const std::string& path) {
    struct statvfs vfs {};
    if (::statvfs(path.c_str(), &vfs) != 0 || vfs.f_bfree < vfs.f_bavail) {
        return 0;
    }
    return static_cast<std::int64_t>(vfs.f_bfree - vfs.f_bavail) * fragmentSize(vfs);
}

DeletedOpenFiles findDeletedOpenFiles(const std::vector<std::uint64_t>& devices,
                                      const std::string& procRoot) {
    DeletedOpenFiles found;
    DIR* processes = ::opendir(procRoot.c_str());
    if (processes == nullptr) {
        return found;
    }
    std::unordered_set<FileId> counted;
    std::set<std::string> holders;
    while (const dirent* process = ::readdir(processes)) {
        if (!isNumber(process->d_name)) {
            continue;
        }
        const std::string folder = procRoot + "/" + process->d_name;
        DIR* fds = ::opendir((folder + "/fd").c_str());
        if (fds == nullptr) {
            if (errno != ENOENT && errno != ESRCH) {
                ++found.uninspectedProcesses;  // it ended meanwhile, or holds what we cannot see
            }
            continue;
        }
        bool holds = false;
        bool uninspected = false;
        while (const dirent* fd = ::readdir(fds)) {
            if (!isNumber(fd->d_name)) {
                continue;
            }
            struct stat st {};
            if (::fstatat(::dirfd(fds), fd->d_name, &st, 0) != 0) {
                uninspected = uninspected || errno == EACCES || errno == EPERM;
                continue;  // else closed meanwhile
            }
            if (st.st_nlink != 0 ||
                std::find(devices.begin(), devices.end(), st.st_dev) == devices.end()) {
                continue;
            }
            holds = true;
            if (counted.insert(FileId{st.st_dev, st.st_ino}).second) {
                found.bytes += static_cast<std::int64_t>(st.st_blocks) * 512;
                ++found.files;
            }
        }
        ::closedir(fds);
        if (holds) {
            holders.insert(processName(folder));
        }
        if (uninspected) {
            ++found.uninspectedProcesses;
        }
    }
    ::closedir(processes);
    found.holders.assign(holders.begin(), holders.end());
    return found;
}

std::optional<std::int64_t> hiddenUnderMounts(const std::string& volume, const CancelToken* token,
                                              std::string& unmeasured) {
    const std::optional<std::string> real = realPath(volume);
    const std::optional<std::vector<MountEntry>> mounts = readMountTable();
    if (!real || !mounts) {
        unmeasured = "Die Einhängepunkte konnten nicht gelesen werden.";
        return std::nullopt;
    }
    const std::vector<std::string> points = topmostMountPoints(*mounts, *real);
    if (points.empty()) {
        unmeasured.clear();
        return 0;
    }
    std::optional<std::int64_t> hidden;
    std::thread([&] {
        hidden = measureInPrivateNamespace(*real, points, token, unmeasured);
    }).join();
    return hidden;
}

UnattributedSpace measureUnattributedSpace(const std::vector<EnteredMount>& entered,
                                           std::int64_t used, std::int64_t scanned,
                                           std::int64_t unreadableFolders, const CancelToken* token,
                                           const std::string& procRoot) {
    UnattributedSpace space;
    space.used = used;
    space.unreadableFolders = unreadableFolders;
    std::vector<std::uint64_t> devices;
    space.underMounts = 0;
    for (const EnteredMount& mount : entered) {
        if (std::find(devices.begin(), devices.end(), mount.device) == devices.end()) {
            // The file system's own figures, once.
            if (!devices.empty()) {
                space.used += usedBytes(mount.path).value_or(0);
            }
            devices.push_back(mount.device);
            space.fileSystems.push_back(mount.path);
            space.reserved += reservedBytes(mount.path);
        }
        // Below each place it was entered: mounts that show other folders of
        // one file system hide different parts of it.
        if (space.underMounts) {
            const std::optional<std::int64_t> hidden =
                hiddenUnderMounts(mount.path, token, space.underMountsUnmeasured);
            space.underMounts = hidden ? std::optional(*space.underMounts + *hidden) : std::nullopt;
        }
    }
    space.remainder = space.used - scanned;
    space.deletedOpen = findDeletedOpenFiles(devices, procRoot);
    return space;
}

}  // namespace raumfuchs
