#pragma once

#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace raumfuchs::test {

// The open descriptors of this process.
inline std::vector<std::string> openDescriptors() {
    std::vector<std::string> fds;
    DIR* dir = opendir("/proc/self/fd");
    while (dirent* e = readdir(dir)) {
        if (e->d_name[0] != '.' && std::atoi(e->d_name) != dirfd(dir)) {
            fds.emplace_back(e->d_name);
        }
    }
    closedir(dir);
    return fds;
}

// Processes, zombies included, whose parent is `parent`; or, with `parent`
// 0, every process whose command line holds `marker`.
inline std::vector<pid_t> processes(pid_t parent, const std::string& marker = {}) {
    std::vector<pid_t> found;
    DIR* proc = opendir("/proc");
    while (dirent* e = readdir(proc)) {
        const pid_t pid = std::atoi(e->d_name);
        if (pid <= 0 || pid == getpid()) {
            continue;
        }
        const std::string base = std::string("/proc/") + e->d_name;
        if (parent != 0) {
            std::ifstream stat(base + "/stat");
            std::string line;
            std::getline(stat, line);
            const std::size_t close = line.rfind(')');
            if (close != std::string::npos &&
                std::atoi(line.c_str() + line.find(' ', close + 2) + 1) == parent) {
                found.push_back(pid);
            }
        } else {
            std::ifstream cmdline(base + "/cmdline", std::ios::binary);
            const std::string text{std::istreambuf_iterator<char>(cmdline), {}};
            if (text.find(marker) != std::string::npos) {
                found.push_back(pid);
            }
        }
    }
    closedir(proc);
    return found;
}

// Looks again every 10 ms until `done` holds or `timeoutMs` passed; true if it held.
inline bool waitFor(const std::function<bool()>& done, int timeoutMs = 20000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace raumfuchs::test
