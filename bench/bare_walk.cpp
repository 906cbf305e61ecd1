// The least work a walk on one thread can do: list each folder with getdents64
// and stat every entry with statx relative to the folder's descriptor, keeping
// nothing. The scan benchmark times it beside du and raumfuchs-scan, as the floor
// for a sequential walk on this machine.
//
//   bare_walk PATH      prints the allocated bytes found (hard links counted each time)
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::uint64_t walk(int fd, std::vector<char>& buffer) {
    std::string names;
    for (;;) {
        const long n = ::syscall(SYS_getdents64, fd, buffer.data(), buffer.size());
        if (n <= 0) {
            break;
        }
        for (long offset = 0; offset < n;) {
            const char* record = buffer.data() + offset;
            unsigned short length;
            std::memcpy(&length, record + 16, sizeof length);
            offset += length;
            const char* name = record + 19;
            if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) {
                names.append(name, std::strlen(name) + 1);
            }
        }
    }
    std::uint64_t bytes = 0;
    for (std::size_t at = 0; at < names.size(); at += std::strlen(names.data() + at) + 1) {
        const char* name = names.data() + at;
        struct statx st;
        if (::statx(fd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                    STATX_TYPE | STATX_INO | STATX_NLINK | STATX_BLOCKS, &st) != 0) {
            continue;
        }
        bytes += st.stx_blocks * 512;
        if (S_ISDIR(st.stx_mode)) {
            const int child = ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0) {
                bytes += walk(child, buffer);
                ::close(child);
            }
        }
    }
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bare_walk PATH\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        std::perror(argv[1]);
        return 1;
    }
    std::vector<char> buffer(128 * 1024);
    std::printf("%llu\n", static_cast<unsigned long long>(walk(fd, buffer)));
    ::close(fd);
    return 0;
}
