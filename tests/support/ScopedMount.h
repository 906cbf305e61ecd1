#pragma once

#include <sys/mount.h>

#include <string>
#include <utility>

#include "support/TempTree.h"

namespace raumfuchs::test {

// A mount made for one test and undone when the object goes, also when the
// test fails. Declare it after the TempTree that holds its mount point, so it
// is undone before the tree is removed. `mounted()` is false when the machine
// refused; the test then skips.
class ScopedMount {
  public:
    // `source` shown again at `target`; read-only ones cannot be harmed even
    // by a test gone wrong (binds of /etc).
    static ScopedMount bind(const std::string& source, const std::string& target,
                            bool readOnly = false) {
        ScopedMount mount;
        if (::mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            return mount;
        }
        mount.target_ = target;
        if (readOnly && ::mount(nullptr, target.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                                nullptr) != 0) {
            return ScopedMount();  // undone at once: a writable /etc must not stay
        }
        return mount;
    }
    static ScopedMount tmpfs(const std::string& target) {
        ScopedMount mount;
        if (::mount("raumfuchs-test", target.c_str(), "tmpfs", 0, "size=1m") == 0) {
            mount.target_ = target;
        }
        return mount;
    }
    // A fresh 8 MB ext4 file system in `image`, loop-mounted at `target`.
    static ScopedMount ext4(const std::string& image, const std::string& target) {
        ScopedMount mount;
        const std::string made = commandOutput(
            "truncate -s 8M '" + image + "' && mkfs.ext4 -q -F '" + image +
            "' 2>&1 && mount -o loop '" + image + "' '" + target + "' 2>&1 && echo mounted");
        if (made.ends_with("mounted")) {
            mount.target_ = target;
        }
        return mount;
    }

    ScopedMount() = default;
    ScopedMount(ScopedMount&& other) noexcept : target_(std::exchange(other.target_, {})) {}
    ScopedMount& operator=(ScopedMount&& other) noexcept {
        std::swap(target_, other.target_);
        return *this;
    }
    ~ScopedMount() {
        // A loop device made by mount -o loop goes with its last unmount.
        if (!target_.empty() && ::umount(target_.c_str()) != 0) {
            ::umount2(target_.c_str(), MNT_DETACH);
        }
    }

    bool mounted() const { return !target_.empty(); }

  private:
    std::string target_;
};

}  // namespace raumfuchs::test
