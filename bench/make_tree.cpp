// Builds the deterministic benchmark tree: 40 × 100 leaf folders of 500 entries
// each (2,000,000 entries below 4,041 folders), or TOP × 100 of them. Within a leaf folder, entry i
// is
//   a symbolic link to entry i-1   when i % 97 == 96,
//   a hard link to entry i-1       when i % 50 == 49,
//   a file with 1,000 bytes        when i % 10 == 0,
//   an empty file                  otherwise.
// Usage: make_tree TARGET [TOP]   (TARGET must not exist yet; TOP defaults to 40)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kMiddle = 100;
constexpr int kFiles = 500;

bool fail(const std::string& what) {
    std::fprintf(stderr, "make_tree: %s: %s\n", what.c_str(), std::strerror(errno));
    return false;
}

bool fillFolder(int dirFd, const std::string& where) {
    static const std::string content(1000, 'x');
    char name[16];
    char previous[16];
    for (int i = 0; i < kFiles; ++i) {
        std::snprintf(name, sizeof name, "file%03d", i);
        std::snprintf(previous, sizeof previous, "file%03d", i - 1);
        if (i % 97 == 96) {
            if (symlinkat(previous, dirFd, name) != 0) {
                return fail(where + "/" + name);
            }
        } else if (i % 50 == 49) {
            if (linkat(dirFd, previous, dirFd, name, 0) != 0) {
                return fail(where + "/" + name);
            }
        } else {
            const int fd = openat(dirFd, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd < 0) {
                return fail(where + "/" + name);
            }
            const bool ok = i % 10 != 0 || write(fd, content.data(), content.size()) ==
                                               static_cast<ssize_t>(content.size());
            close(fd);
            if (!ok) {
                return fail(where + "/" + name);
            }
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int top = argc == 3 ? std::atoi(argv[2]) : 40;
    if ((argc != 2 && argc != 3) || top < 1 || top > 99) {
        std::fprintf(stderr, "usage: make_tree TARGET [TOP]\n");
        return 2;
    }
    const std::string target = argv[1];
    const int rootFd = mkdir(target.c_str(), 0755) == 0
                           ? open(target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                           : -1;
    if (rootFd < 0) {
        fail(target);
        return 1;
    }
    char name[16];
    for (int t = 0; t < top; ++t) {
        std::snprintf(name, sizeof name, "d%02d", t);
        if (mkdirat(rootFd, name, 0755) != 0) {
            fail(target + "/" + name);
            return 1;
        }
        const int topFd = openat(rootFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const std::string topPath = target + "/" + name;
        for (int m = 0; m < kMiddle; ++m) {
            std::snprintf(name, sizeof name, "d%03d", m);
            if (mkdirat(topFd, name, 0755) != 0) {
                fail(topPath + "/" + name);
                return 1;
            }
            const int leafFd = openat(topFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            const bool ok = leafFd >= 0 && fillFolder(leafFd, topPath + "/" + name);
            close(leafFd);
            if (!ok) {
                return 1;
            }
        }
        close(topFd);
    }
    close(rootFd);
    return 0;
}
