#include "core/watch/FanotifySource.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/fanotify.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cstring>

namespace raumfuchs {

namespace {

// What changes a folder's entries or their sizes, and a folder itself.
constexpr std::uint64_t kEvents = FAN_CREATE | FAN_DELETE | FAN_MOVED_FROM | FAN_MOVED_TO |
                                  FAN_MODIFY | FAN_ATTRIB | FAN_CLOSE_WRITE | FAN_DELETE_SELF |
                                  FAN_MOVE_SELF | FAN_ONDIR;

std::string fsidBytes(const void* fsid) {
    return std::string(static_cast<const char*>(fsid), sizeof(__kernel_fsid_t));
}

// The link of an open descriptor: the path the system resolves it to.
std::optional<std::string> pathOf(int fd) {
    char link[PATH_MAX];
    const std::string proc = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t length = ::readlink(proc.c_str(), link, sizeof link);
    if (length <= 0 || length == static_cast<ssize_t>(sizeof link)) {
        return std::nullopt;
    }
    std::string path(link, static_cast<std::size_t>(length));
    if (path.ends_with(" (deleted)") || !path.starts_with('/')) {
        return std::nullopt;  // gone, or not reachable from this process's root
    }
    return path;
}

// What names a folder in an event: its file system's id, the handle's type
// and bytes.
std::string handleKey(const std::string& fsid, const file_handle& handle) {
    return fsid +
           std::string(reinterpret_cast<const char*>(&handle.handle_type),
                       sizeof handle.handle_type) +
           std::string(reinterpret_cast<const char*>(handle.f_handle), handle.handle_bytes);
}

// The key of the folder at `path`, as its events will carry it; empty when
// it has no handle.
std::string keyOf(const std::string& path) {
    struct statfs fs;
    std::vector<unsigned char> storage(sizeof(file_handle) + MAX_HANDLE_SZ);
    auto* handle = reinterpret_cast<file_handle*>(storage.data());
    handle->handle_bytes = MAX_HANDLE_SZ;
    int mountId = 0;
    if (::statfs(path.c_str(), &fs) != 0 ||
        ::name_to_handle_at(AT_FDCWD, path.c_str(), handle, &mountId, 0) != 0) {
        return {};
    }
    return handleKey(fsidBytes(&fs.f_fsid), *handle);
}

}  // namespace

std::unique_ptr<FanotifySource> FanotifySource::open(RootPaths root,
                                                     const std::vector<EnteredMount>& mounts) {
    const int fd =
        ::fanotify_init(FAN_CLASS_NOTIF | FAN_CLOEXEC | FAN_NONBLOCK | FAN_REPORT_DFID_NAME,
                        O_RDONLY | O_CLOEXEC | O_LARGEFILE);
    if (fd < 0) {
        return nullptr;
    }
    std::vector<Marked> marked;
    for (const EnteredMount& mount : mounts) {
        struct statfs fs;
        if (::statfs(mount.path.c_str(), &fs) != 0) {
            continue;  // gone since the scan; its folder's own read tells
        }
        const std::string fsid = fsidBytes(&fs.f_fsid);
        bool known = false;
        for (const Marked& m : marked) {
            known = known || m.fsid == fsid;
        }
        if (known) {
            continue;
        }
        if (::fanotify_mark(fd, FAN_MARK_ADD | FAN_MARK_FILESYSTEM, kEvents, AT_FDCWD,
                            mount.path.c_str()) != 0) {
            ::close(fd);
            return nullptr;
        }
        marked.push_back({fsid, mount.path});
    }
    if (marked.empty()) {
        ::close(fd);
        return nullptr;
    }
    std::string rootKey = keyOf(root.real);
    return std::unique_ptr<FanotifySource>(
        new FanotifySource(fd, std::move(root), std::move(marked), std::move(rootKey)));
}

FanotifySource::FanotifySource(int fd, RootPaths root, std::vector<Marked> marked,
                               std::string rootKey)
    : fd_(fd), root_(std::move(root)), marked_(std::move(marked)), rootKey_(std::move(rootKey)) {
    if (!rootKey_.empty()) {
        folders_.emplace(rootKey_, root_.tree);
    }
}

FanotifySource::~FanotifySource() {
    ::close(fd_);
}

WatchCoverage FanotifySource::coverage() const {
    return {WatchCoverage::Way::FileSystems, marked_.size(), 0, 0};
}

const std::optional<std::string>& FanotifySource::folderOf(const std::string& key, const Marked& on,
                                                           const void* handle) {
    auto [it, added] = folders_.try_emplace(key);
    if (!added) {
        return it->second;
    }
    // The handle in the event may sit at any offset; open_by_handle_at wants
    // a file_handle of its own.
    const auto* header = static_cast<const file_handle*>(handle);
    std::vector<unsigned char> copy(sizeof(file_handle) + header->handle_bytes);
    std::memcpy(copy.data(), handle, copy.size());
    // The kernel takes no O_PATH descriptor as the file system to look in.
    const int mountFd = ::open(on.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (mountFd >= 0) {
        const int dirFd = ::open_by_handle_at(mountFd, reinterpret_cast<file_handle*>(copy.data()),
                                              O_PATH | O_CLOEXEC);
        if (dirFd >= 0) {
            if (const std::optional<std::string> path = pathOf(dirFd)) {
                it->second = root_.toTree(*path);
            }
            ::close(dirFd);
        }
        ::close(mountFd);
    }
    return it->second;
}

void FanotifySource::read(ChangeSet& changes) {
    alignas(fanotify_event_metadata) char buffer[64 * 1024];
    for (;;) {
        const ssize_t length = ::read(fd_, buffer, sizeof buffer);
        if (length <= 0) {
            return;  // EAGAIN: nothing more waiting
        }
        bool moved = false;
        // An event with a name is as long as its name: the next one starts
        // where it ends, not on an 8-byte boundary. Each is read from a copy
        // that is aligned.
        alignas(fanotify_event_metadata) char aligned[sizeof(fanotify_event_metadata) + 1024];
        for (std::size_t at = 0; at + sizeof(fanotify_event_metadata) <= std::size_t(length);) {
            fanotify_event_metadata head;
            std::memcpy(&head, buffer + at, sizeof head);
            if (head.event_len < sizeof head || head.event_len > std::size_t(length) - at ||
                head.event_len > sizeof aligned) {
                break;
            }
            std::memcpy(aligned, buffer + at, head.event_len);
            at += head.event_len;
            const auto* event = reinterpret_cast<const fanotify_event_metadata*>(aligned);
            if (event->mask & FAN_Q_OVERFLOW) {
                changes.overflow = true;
                continue;
            }
            const auto* info = reinterpret_cast<const fanotify_event_info_fid*>(event + 1);
            const char* end = reinterpret_cast<const char*>(event) + event->event_len;
            if (reinterpret_cast<const char*>(info + 1) > end ||
                (info->hdr.info_type != FAN_EVENT_INFO_TYPE_DFID_NAME &&
                 info->hdr.info_type != FAN_EVENT_INFO_TYPE_DFID)) {
                continue;
            }
            const std::string fsid = fsidBytes(&info->fsid);
            const Marked* on = nullptr;
            for (const Marked& m : marked_) {
                on = m.fsid == fsid ? &m : on;
            }
            const auto* handle = reinterpret_cast<const file_handle*>(info->handle);
            if (on == nullptr) {
                continue;
            }
            const char* handleEnd =
                reinterpret_cast<const char*>(handle->f_handle) + handle->handle_bytes;
            const std::string key = handleKey(fsid, *handle);
            const std::optional<std::string> folder = folderOf(key, *on, handle);
            if (!folder) {
                continue;  // outside the scanned folder
            }
            changes.folder(*folder);
            const std::string_view name =
                handleEnd < end ? std::string_view(
                                      handleEnd, ::strnlen(handleEnd, std::size_t(end - handleEnd)))
                                : std::string_view();
            const bool named = info->hdr.info_type == FAN_EVENT_INFO_TYPE_DFID_NAME &&
                               !name.empty() && name != ".";
            const bool isFolder = (event->mask & FAN_ONDIR) != 0;
            if (!named) {
                // The folder itself: its rights, or the folder gone or moved.
                if (*folder == root_.tree && (event->mask & (FAN_DELETE_SELF | FAN_MOVE_SELF))) {
                    changes.rootTouched = true;
                }
                moved = moved || (event->mask & FAN_MOVE_SELF) != 0;
            } else if (isFolder && (event->mask & (FAN_DELETE | FAN_MOVED_FROM))) {
                changes.renewed(*folder, handleEnd);
            }
            moved = moved || (isFolder && (event->mask & (FAN_MOVED_FROM | FAN_MOVED_TO)));
        }
        if (moved) {
            folders_.clear();  // folders below a moved one have other paths now
            if (!rootKey_.empty()) {
                folders_.emplace(rootKey_, root_.tree);
            }
        }
    }
}

}  // namespace raumfuchs
