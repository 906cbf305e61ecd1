#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace raumfuchs {

// How many folders inotify may watch for this program: a quarter of the
// user's limit (fs.inotify.max_user_watches, or the user namespace's
// user.max_inotify_watches where that is lower), less the watches the user's
// programs hold already, this one included; 0 when no limit can be read.
// Watches are a resource of the user's whole session: an editor or a file
// manager that finds none left stops following its own folders.
std::size_t inotifyBudget(const std::string& proc = "/proc");

// The inotify watches held by the processes of `user`, counted from their
// /proc/PID/fdinfo; processes whose descriptors cannot be read are left out,
// this one never is.
std::size_t watchesInUse(uid_t user, const std::string& proc = "/proc");

}  // namespace raumfuchs
