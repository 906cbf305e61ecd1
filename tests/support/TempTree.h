#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace raumfuchs::test {

// A real folder tree in a fresh temporary folder, removed again (however deep)
// when the object goes. Paths given to the helpers are relative to the root.
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
        const int fd = open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            removeContents(fd);
            close(fd);
        }
        rmdir(root_.c_str());
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& root() const { return root_; }
    std::string path(const std::string& relative) const { return root_ + "/" + relative; }

    void folder(const std::string& relative) {
        check(mkdir(path(relative).c_str(), 0755), relative);
    }
    // A regular file with `bytes` bytes of content.
    void file(const std::string& relative, std::size_t bytes = 0) {
        const int fd = open(path(relative).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        check(fd, relative);
        const std::string content(bytes, 'x');
        if (bytes > 0 && write(fd, content.data(), content.size()) != static_cast<ssize_t>(bytes)) {
            throw std::runtime_error("write failed: " + relative);
        }
        close(fd);
    }
    void hardLink(const std::string& existing, const std::string& relative) {
        check(link(path(existing).c_str(), path(relative).c_str()), relative);
    }
    void symlink(const std::string& target, const std::string& relative) {
        check(::symlink(target.c_str(), path(relative).c_str()), relative);
    }
    // Allocated bytes of an entry (st_blocks × 512), without following links.
    std::int64_t allocated(const std::string& relative) const {
        struct stat st;
        check(lstat(relative.empty() ? root_.c_str() : path(relative).c_str(), &st), relative);
        return static_cast<std::int64_t>(st.st_blocks) * 512;
    }

  private:
    static void check(int result, const std::string& what) {
        if (result < 0) {
            throw std::runtime_error("cannot create " + what);
        }
    }
    // Removes everything below the open folder `fd`, relative to descriptors so
    // that trees deeper than PATH_MAX go too.
    static void removeContents(int fd) {
        DIR* dir = fdopendir(dup(fd));
        if (dir == nullptr) {
            return;
        }
        std::vector<std::string> names;
        while (dirent* e = readdir(dir)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        closedir(dir);
        for (const std::string& name : names) {
            if (unlinkat(fd, name.c_str(), 0) == 0) {
                continue;
            }
            const int child =
                openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0) {
                fchmod(child, 0755);
                removeContents(child);
                close(child);
            }
            unlinkat(fd, name.c_str(), AT_REMOVEDIR);
        }
    }

    std::string root_;
};

// Runs a shell command and returns its standard output without the final newline.
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

}  // namespace raumfuchs::test
