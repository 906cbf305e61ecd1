#pragma once

#include <string>
#include <vector>

#include "core/system/MountTable.h"
#include "core/trash/TrashGuard.h"

namespace raumfuchs {

// The trash guard held against the disk as it is at the moment: a path is
// protected when its text is, when its real location is (symbolic links do
// not get around the guard) or when a mount shows the same content at a
// protected place (bind mounts do not either). The mount table and the
// protected paths' own real locations are read once, when the guard is made.
class DiskTrashGuard {
  public:
    explicit DiskTrashGuard(TrashGuard::ProtectedPaths protection);

    bool isProtected(const std::string& path) const;

  private:
    TrashGuard::ProtectedPaths protection_;  // as given, then the real locations that differ
    std::vector<MountEntry> mounts_;         // empty when the table cannot be read
};

}  // namespace raumfuchs
