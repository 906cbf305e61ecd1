#include "core/watch/WatchBudget.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

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
    const std::optional<std::string> limit =
        readWholeFile(proc + "/sys/fs/inotify/max_user_watches");
    if (!limit) {
        return 0;
    }
    const long long max = std::strtoll(limit->c_str(), nullptr, 10);
    const auto quarter = static_cast<std::size_t>(max > 0 ? max / 4 : 0);
    const std::size_t used = watchesInUse(::geteuid(), proc);
    return used < quarter ? quarter - used : 0;
}

}  // namespace raumfuchs
