#pragma once

#include <dirent.h>
#include <fcntl.h>  // for the tests that build trees with openat
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/system/MountTable.h"

namespace raumfuchs::test {

// The whole content of a file, byte for byte; empty when it cannot be read.
inline std::string fileContents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Runs a shell command and returns its standard output without trailing blanks.
inline std::string commandOutput(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
            out += buffer;
        }
        pclose(pipe);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) {
        out.pop_back();
    }
    return out;
}

// Names of a folder in the order the file system lists them, "." and ".." left out.
inline std::vector<std::string> listing(const std::string& path) {
    std::vector<std::string> names;
    DIR* dir = opendir(path.c_str());
    while (dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    closedir(dir);
    return names;
}

// A real folder tree in a fresh temporary folder, removed again when the object
// goes (by rm, which copes with trees deeper than PATH_MAX and locked folders).
// Paths given to the helpers are relative to the root.
class TempTree {
  public:
    TempTree() {
        std::string pattern = "/tmp/raumfuchs-test-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        root_ = pattern;
    }
    ~TempTree() {
        // Whatever a test left mounted below the root (also a mount that went
        // elsewhere in the tree with its folder) is let go first, so that rm
        // never reaches into a mounted file system.
        const auto mounts = readMountTable().value_or(std::vector<MountEntry>{});
        for (auto it = mounts.rbegin(); it != mounts.rend(); ++it) {
            if (pathBelow(it->mountPoint, root_)) {
                umount2(it->mountPoint.c_str(), MNT_DETACH);
            }
        }
        commandOutput("chmod -R u+rwx '" + root_ + "' 2>&1; rm -rf '" + root_ + "'");
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& root() const { return root_; }
    const std::string& path() const { return root_; }
    std::string path(const std::string& relative) const { return root_ + "/" + relative; }

    // A folder, with any missing folders above it.
    void folder(const std::string& relative) const {
        std::filesystem::create_directories(path(relative));
    }
    // A regular file with `bytes` bytes of content, with any missing folders above it.
    void file(const std::string& relative, std::size_t bytes = 0) const {
        std::filesystem::create_directories(std::filesystem::path(path(relative)).parent_path());
        check(std::ofstream(path(relative), std::ios::binary) << std::string(bytes, 'x') ? 0 : -1,
              relative);
    }
    void hardLink(const std::string& existing, const std::string& relative) {
        check(link(path(existing).c_str(), path(relative).c_str()), relative);
    }
    void symlink(const std::string& target, const std::string& relative) {
        check(::symlink(target.c_str(), path(relative).c_str()), relative);
    }
    // Sets the entry's last change `days` whole days and an hour back from
    // now, so that it is that many days old for a scan within the hour.
    void age(const std::string& relative, std::int64_t days) const {
        const timespec times[2] = {{0, UTIME_OMIT},
                                   {std::time(nullptr) - days * 86'400 - 3'600, 0}};
        check(utimensat(AT_FDCWD, path(relative).c_str(), times, AT_SYMLINK_NOFOLLOW), relative);
    }
    // Allocated bytes of an entry (st_blocks × 512), without following links.
    std::int64_t allocated(const std::string& relative) const {
        struct stat st;
        check(lstat(path(relative).c_str(), &st), relative);
        return static_cast<std::int64_t>(st.st_blocks) * 512;
    }

  private:
    static void check(int result, const std::string& what) {
        if (result < 0) {
            throw std::runtime_error("cannot create " + what);
        }
    }

    std::string root_;
};

}  // namespace raumfuchs::test
