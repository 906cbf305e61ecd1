#pragma once

#include <sys/types.h>

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace raumfuchs {

// The freedesktop.org trash, working on the file system's raw bytes so that
// names which are not valid UTF-8 are trashed and restorable like any other.
//
// An item on the same device as the home trash ($XDG_DATA_HOME/Trash) goes
// there; an item on another device goes to the trash at the top of its own
// mount: $topdir/.Trash/$uid when $topdir/.Trash is a real sticky folder,
// else $topdir/.Trash-$uid. The .trashinfo file is created first (exclusively,
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
    std::optional<std::string> moveToTrash(const std::string& path) const;

    // "Path=" value bytes: everything but unreserved characters and "/"
    // percent-encoded.
    static std::string percentEncode(std::string_view bytes);
    static std::string percentDecode(std::string_view text);

  private:
    std::optional<std::string> trashFolderFor(const std::string& path, dev_t device,
                                              std::string& infoPathPrefix) const;
    Setup setup_;
};

}  // namespace raumfuchs
