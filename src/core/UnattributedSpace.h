#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace raumfuchs {

class CancelToken;

// Deleted files that processes still hold open on one device: the file system
// keeps their blocks until the last descriptor goes, and no walk finds them.
struct DeletedOpenFiles {
    std::int64_t bytes = 0;  // allocated, each inode once
    std::int64_t files = 0;
    std::vector<std::string> holders;  // process names, sorted, each once
    // Processes whose descriptors could not be looked at (another user's, when
    // not run as root): what they hold is unknown and not in `bytes`.
    std::int64_t uninspectedProcesses = 0;
    friend bool operator==(const DeletedOpenFiles&, const DeletedOpenFiles&) = default;
};

// What makes up the space a whole-volume scan cannot attribute to any file it
// found: the volume's used bytes minus the bytes of the scanned tree.
struct UnattributedSpace {
    std::int64_t remainder = 0;
    // Blocks only the administrator may fill ((f_bfree − f_bavail) × f_frsize);
    // ext4 adds its own small reserve for delayed allocation to root's 5 %.
    std::int64_t reserved = 0;
    DeletedOpenFiles deletedOpen;
    // Bytes below the volume's mount points, written there before something
    // was mounted over them; none when they could not be looked at, and then
    // `underMountsUnmeasured` says why (German, one sentence).
    std::optional<std::int64_t> underMounts;
    std::string underMountsUnmeasured;
    // Folders the scan could not read: their content is unknown and stays in
    // the rest.
    std::int64_t unreadableFolders = 0;

    // What none of the parts explains: metadata of the file system, the
    // content of unreadable folders, snapshots. Negative when the scan counted
    // more than the volume (a root scan that entered other volumes).
    std::int64_t rest() const {
        return remainder - reserved - deletedOpen.bytes - underMounts.value_or(0);
    }
    friend bool operator==(const UnattributedSpace&, const UnattributedSpace&) = default;
};

// The used bytes of the volume mounted at `path` ((f_blocks − f_bavail) ×
// f_frsize, as the volume list counts them); nothing when `path` is no mount
// point or cannot be asked.
std::optional<std::int64_t> volumeUsedBytes(const std::string& path);

// Bytes reserved for the administrator on the volume holding `path`.
std::int64_t reservedBytes(const std::string& path);

// Every descriptor under `procRoot`/<pid>/fd that leads to a file on `device`
// whose last name is gone. Reads only.
DeletedOpenFiles findDeletedOpenFiles(std::uint64_t device, const std::string& procRoot = "/proc");

// The bytes hidden below the mount points inside the volume mounted at
// `volume`, or the reason they cannot be measured. Looks from a thread of its
// own in a private mount namespace, through a read-only bind of the volume
// that no one else sees and that is gone when the call returns; needs the
// administrator's rights. Stops early (nothing measured) once `token` is
// cancelled.
std::optional<std::int64_t> hiddenUnderMounts(const std::string& volume, const CancelToken* token,
                                              std::string& unmeasured);

// All parts for the volume mounted at `volume`, whose scan found `scanned`
// bytes of its `used` and could not read `unreadableFolders` folders.
UnattributedSpace measureUnattributedSpace(const std::string& volume, std::int64_t used,
                                           std::int64_t scanned, std::int64_t unreadableFolders,
                                           const CancelToken* token = nullptr,
                                           const std::string& procRoot = "/proc");

}  // namespace raumfuchs
