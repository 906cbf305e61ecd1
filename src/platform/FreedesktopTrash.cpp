#include "platform/FreedesktopTrash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/system/MountTable.h"
#include "core/system/RealLocation.h"
#include "core/text/PathText.h"

namespace raumfuchs {
namespace {

constexpr std::size_t kNameMax = 255;
constexpr std::string_view kInfoSuffix = ".trashinfo";

// A folder of ours: created with mode 0700 when missing; an existing one must
// be a real folder (no symbolic link).
bool ensureFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) == 0) {
        return true;
    }
    struct stat st {};
    return errno == EEXIST && ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Creates every missing folder of an absolute path.
bool ensureFolderPath(const std::string& path) {
    std::size_t pos = 1;
    while (pos <= path.size()) {
        const auto slash = path.find('/', pos);
        const auto end = slash == std::string::npos ? path.size() : slash;
        const std::string prefix = path.substr(0, end);
        struct stat st {};
        if (::stat(prefix.c_str(), &st) != 0) {
            if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
                return false;
            }
        } else if (!S_ISDIR(st.st_mode)) {
            return false;
        }
        pos = end + 1;
    }
    return true;
}

std::optional<std::string> resolved(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) {
        return std::nullopt;
    }
    std::string out = real;
    std::free(real);
    return out;
}

// The mount that holds, or would hold, the folder at path: the one of its
// nearest existing folder.
std::optional<std::size_t> mountOfFolder(const std::vector<MountEntry>& mounts, std::string path) {
    for (;;) {
        if (const std::optional<std::string> real = resolved(path)) {
            return coveringMount(mounts, *real);
        }
        if (path == "/") {
            return std::nullopt;
        }
        path = PathText::parentFolder(path);
    }
}

std::string deletionDate(std::time_t when) {
    std::tm local{};
    ::localtime_r(&when, &local);
    char buffer[32];
    const std::size_t length = std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%S", &local);
    return std::string(buffer, length);
}

bool writeAll(int fd, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

// rename(2) that fails instead of replacing an existing target; file systems
// without RENAME_NOREPLACE get a plain rename after a last look.
bool renameWithoutReplacing(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
#endif
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace

FreedesktopTrash::FreedesktopTrash(Setup setup) : setup_(std::move(setup)) {}

FreedesktopTrash FreedesktopTrash::forCurrentUser() {
    Setup setup;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/') {
        setup.homeTrash = PathText::join(dataHome, "Trash");
    } else {
        const char* home = std::getenv("HOME");
        setup.homeTrash = PathText::join(home != nullptr ? home : "/", ".local/share/Trash");
    }
    setup.uid = ::getuid();
    return FreedesktopTrash(std::move(setup));
}

std::optional<std::string> FreedesktopTrash::trashFolderFor(const std::vector<MountEntry>& mounts,
                                                            std::size_t itemMount,
                                                            std::string& infoPathPrefix) const {
    // The home trash only for items on its very mount: another mount of the
    // same file system (a bind mount) cannot be left by rename(2) either.
    if (mountOfFolder(mounts, setup_.homeTrash) == itemMount) {
        infoPathPrefix.clear();  // absolute paths in the home trash
        if (!ensureFolderPath(setup_.homeTrash)) {
            return std::nullopt;
        }
        return setup_.homeTrash;
    }
    const std::string& top = mounts[itemMount].mountPoint;
    infoPathPrefix = top == "/" ? "/" : top + "/";
    const std::string uid = std::to_string(setup_.uid);
    // $topdir/.Trash/$uid, but only below an administrator's sticky .Trash folder.
    const std::string shared = PathText::join(top, ".Trash");
    struct stat st {};
    if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0) {
        const std::string own = PathText::join(shared, uid);
        if (ensureFolder(own) && ::lstat(own.c_str(), &st) == 0 && st.st_uid == setup_.uid) {
            return own;
        }
    }
    const std::string personal = PathText::join(top, ".Trash-" + uid);
    if (ensureFolder(personal) && ::lstat(personal.c_str(), &st) == 0 && st.st_uid == setup_.uid) {
        return personal;
    }
    return std::nullopt;
}

std::optional<std::string> FreedesktopTrash::moveToTrash(const std::string& givenPath) const {
    // Everything is decided on the item's real location and the mounts as
    // they are now, whatever way the path took to it.
    const std::optional<std::string> real = realLocation(givenPath);
    struct stat item {};
    if (!real || *real == "/" || ::lstat(real->c_str(), &item) != 0) {
        return std::nullopt;
    }
    const std::string& path = *real;
    const std::optional<std::vector<MountEntry>> mounts = readMountTable();
    // A mount point, or a folder holding one, would take a mounted volume
    // into the trash, where emptying the trash deletes its files.
    if (!mounts || holdsMountPoint(*mounts, path)) {
        return std::nullopt;
    }
    const std::optional<std::size_t> itemMount =
        coveringMount(*mounts, PathText::parentFolder(path));
    if (!itemMount) {
        return std::nullopt;
    }
    std::string infoPathPrefix;
    const std::optional<std::string> trash = trashFolderFor(*mounts, *itemMount, infoPathPrefix);
    if (!trash.has_value()) {
        return std::nullopt;
    }
    const std::string filesFolder = PathText::join(*trash, "files");
    const std::string infoFolder = PathText::join(*trash, "info");
    if (!ensureFolder(filesFolder) || !ensureFolder(infoFolder)) {
        return std::nullopt;
    }
    // The item must not be (or contain) the trash itself.
    const std::optional<std::string> realTrash = resolved(*trash);
    if (!realTrash || pathBelow(*realTrash, path)) {
        return std::nullopt;
    }

    // Path= is absolute in the home trash, relative to the mount's top otherwise.
    const std::string recorded = infoPathPrefix.empty() ? path : path.substr(infoPathPrefix.size());
    const std::time_t when = setup_.now ? setup_.now() : std::time(nullptr);
    const std::string info = "[Trash Info]\nPath=" + PathText::percentEncode(recorded) +
                             "\nDeletionDate=" + deletionDate(when) + "\n";

    const std::string original = PathText::lastComponent(path);
    for (int attempt = 1; attempt < 100000; ++attempt) {
        const std::string suffix = attempt == 1 ? "" : "." + std::to_string(attempt);
        std::string base = original;
        if (base.size() + suffix.size() + kInfoSuffix.size() > kNameMax) {
            base.resize(kNameMax - suffix.size() - kInfoSuffix.size());
        }
        const std::string name = base + suffix;
        const std::string infoPath = PathText::join(infoFolder, name + std::string(kInfoSuffix));
        const std::string target = PathText::join(filesFolder, name);
        struct stat existing {};
        if (::lstat(target.c_str(), &existing) == 0) {
            continue;  // a leftover without its info file: keep away from it
        }
        const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return std::nullopt;
        }
        const bool written = writeAll(fd, info);
        const bool closed = ::close(fd) == 0;
        if (!written || !closed) {
            ::unlink(infoPath.c_str());
            return std::nullopt;
        }
        if (!renameWithoutReplacing(path, target)) {
            const int error = errno;
            ::unlink(infoPath.c_str());
            if (error == EEXIST || error == ENOTEMPTY) {
                continue;  // someone took the name meanwhile
            }
            return std::nullopt;
        }
        return target;
    }
    return std::nullopt;
}

}  // namespace raumfuchs
