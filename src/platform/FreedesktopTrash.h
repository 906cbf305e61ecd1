#pragma once

#include <sys/types.h>

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/system/MountTable.h"

namespace raumfuchs {

// The freedesktop.org trash, working on the file system's raw bytes so that
// names which are not valid UTF-8 are trashed and restorable like any other.
//
// Where an item goes is decided on its real location (its parent folder
// resolved through symbolic links) and the mount table read at that moment.
// An item on the same mount as the home trash ($XDG_DATA_HOME/Trash) goes
// there; any other item goes to the trash at the top of the mount that holds
// it: $topdir/.Trash/$uid when $topdir/.Trash is a real sticky folder, else
// $topdir/.Trash-$uid. An item that is a mount point or holds one is never
// moved. The .trashinfo file is created first (exclusively,
// so two programs never share a name), then the item is renamed into files/.
// Nothing is ever copied or deleted: if the rename fails, the .trashinfo is
// removed again and the item stays where it was.
class FreedesktopTrash {
  public:
    struct Setup {
        std::string homeTrash;  // e.g. /home/anna/.local/share/Trash
        uid_t uid = 0;
        std::function<std::time_t()> now;  // the deletion time; the clock when empty
    };
    explicit FreedesktopTrash(Setup setup);
    // The current user's trash from XDG_DATA_HOME, else HOME/.local/share.
    static FreedesktopTrash forCurrentUser();

    // Moves the item (a symbolic link itself, not its target) into the trash.
    // Returns its new path inside files/, or nothing when it could not be moved.
    // The recorded original path is the real location.
    std::optional<std::string> moveToTrash(const std::string& path) const;

  private:
    std::optional<std::string> trashFolderFor(const std::vector<MountEntry>& mounts,
                                              std::size_t itemMount,
                                              std::string& infoPathPrefix) const;
    Setup setup_;
};

}  // namespace raumfuchs
