#include "core/watch/WatchBudget.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "core/system/WholeFile.h"

namespace raumfuchs {

namespace {

bool isNumber(std::string_view name) {
    return !name.empty() && name.find_first_not_of("0123456789") == std::string_view::npos;
}

// Watches of one process: the "inotify wd:" lines of each of its inotify
// descriptors.
std::size_t watchesOf(const std::string& process) {
    std::size_t count = 0;
    DIR* fds = ::opendir((process + "/fd").c_str());
    if (fds == nullptr) {
        return 0;
    }
    while (const dirent* entry = ::readdir(fds)) {
        if (!isNumber(entry->d_name)) {
            continue;
        }
        char link[64];
        const std::string fd = process + "/fd/" + entry->d_name;
        const ssize_t length = ::readlink(fd.c_str(), link, sizeof link);
        if (length <= 0 ||
            std::string_view(link, static_cast<std::size_t>(length)) != "anon_inode:inotify") {
            continue;
        }
        const std::optional<std::string> info = readWholeFile(process + "/fdinfo/" + entry->d_name);
        for (std::size_t at = info ? info->find("inotify wd:") : std::string::npos;
             at != std::string::npos; at = info->find("inotify wd:", at + 1)) {
            ++count;
        }
    }
    ::closedir(fds);
    return count;
}

}  // namespace

std::size_t watchesInUse(uid_t user, const std::string& proc) {
    std::size_t count = 0;
    bool sawSelf = false;
    const std::string self = std::to_string(::getpid());
    if (DIR* processes = ::opendir(proc.c_str())) {
        while (const dirent* entry = ::readdir(processes)) {
            struct stat st;
            const std::string process = proc + "/" + entry->d_name;
            if (!isNumber(entry->d_name) || ::stat(process.c_str(), &st) != 0 ||
                st.st_uid != user) {
                continue;
            }
            sawSelf = sawSelf || entry->d_name == self;
            count += watchesOf(process);
        }
        ::closedir(processes);
    }
    return sawSelf ? count : count + watchesOf(proc + "/self");
}

std::size_t inotifyBudget(const std::string& proc) {
    // The system's limit, and the user namespace's own (in a container it
    // may be lower): the kernel holds the user to both.
    long long max = -1;
    for (const char* limit :
         {"/sys/fs/inotify/max_user_watches", "/sys/user/max_inotify_watches"}) {
        if (const std::optional<std::string> text = readWholeFile(proc + limit)) {
            const long long value = std::strtoll(text->c_str(), nullptr, 10);
            max = max < 0 ? value : std::min(max, value);
        }
    }
    const auto quarter = static_cast<std::size_t>(max > 0 ? max / 4 : 0);
    const std::size_t used = watchesInUse(::geteuid(), proc);
    return used < quarter ? quarter - used : 0;
}

}  // namespace raumfuchs
