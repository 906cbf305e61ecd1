#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/scan/EnteredMount.h"

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
// found: the used bytes of the file systems it entered minus the bytes of the
// scanned tree. A scan of one volume enters its file system alone; a scan of
// the system root enters other local ones too, and each part is then the sum
// over all of them, each file system counted once.
struct UnattributedSpace {
    // The used bytes of the file systems entered, together.
    std::int64_t used = 0;
    // Their mount points where the scan entered them, the scanned volume first,
    // each file system once.
    std::vector<std::string> fileSystems;
    std::int64_t remainder = 0;  // used − the tree's bytes
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
    // content of unreadable folders, snapshots. Negative only when files were
    // written or removed while the scan ran.
    std::int64_t rest() const {
        return remainder - reserved - deletedOpen.bytes - underMounts.value_or(0);
    }
    friend bool operator==(const UnattributedSpace&, const UnattributedSpace&) = default;
};

// The used bytes of the file system holding `path` ((f_blocks − f_bavail) ×
// f_frsize, as the volume list counts them); nothing when it cannot be asked.
std::optional<std::int64_t> usedBytes(const std::string& path);

// usedBytes() of the volume mounted at `path`; nothing when `path` is no
// mount point.
std::optional<std::int64_t> volumeUsedBytes(const std::string& path);

// Bytes reserved for the administrator on the volume holding `path`.
std::int64_t reservedBytes(const std::string& path);

// Every descriptor under `procRoot`/<pid>/fd that leads to a file on one of
// `devices` whose last name is gone. Reads only.
DeletedOpenFiles findDeletedOpenFiles(const std::vector<std::uint64_t>& devices,
                                      const std::string& procRoot = "/proc");

// The bytes hidden below the mount points inside the volume mounted at
// `volume`, or the reason they cannot be measured. Looks from a thread of its
// own in a private mount namespace, through a read-only bind of the volume
// that no one else sees and that is gone when the call returns; needs the
// administrator's rights. Stops early (nothing measured) once `token` is
// cancelled.
std::optional<std::int64_t> hiddenUnderMounts(const std::string& volume, const CancelToken* token,
                                              std::string& unmeasured);

// All parts for a scan of a volume that entered file systems at `entered`
// (ScanResult::enteredMounts: the volume first), found `scanned` bytes and
// could not read `unreadableFolders` folders. `used` is the volume's used
// bytes as the caller counted them; those of the other file systems entered
// are read here.
UnattributedSpace measureUnattributedSpace(const std::vector<EnteredMount>& entered,
                                           std::int64_t used, std::int64_t scanned,
                                           std::int64_t unreadableFolders,
                                           const CancelToken* token = nullptr,
                                           const std::string& procRoot = "/proc");

}  // namespace raumfuchs
