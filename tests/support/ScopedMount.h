#pragma once

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "support/TempTree.h"

namespace raumfuchs::test {

// A mount made for one test and undone when the object goes, also when the
// test fails. Declare it after the TempTree that holds its mount point, so it
// is undone before the tree is removed. `failed()` says why the machine
// refused (empty when mounted); the test then skips with that message.
class ScopedMount {
  public:
    // `source` shown again at `target`; read-only ones cannot be harmed even
    // by a test gone wrong (binds of /etc).
    static ScopedMount bind(const std::string& source, const std::string& target,
                            bool readOnly = false) {
        ScopedMount mount;
        if (::mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            return refused("bind mount of " + source);
        }
        mount.target_ = target;
        if (readOnly && ::mount(nullptr, target.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                                nullptr) != 0) {
            return refused("read-only bind mount of " + source);  // a writable /etc must not stay
        }
        return mount;
    }
    static ScopedMount tmpfs(const std::string& target) {
        ScopedMount mount;
        if (::mount("raumfuchs-test", target.c_str(), "tmpfs", 0, "size=1m") != 0) {
            return refused("tmpfs");
        }
        mount.target_ = target;
        return mount;
    }
    // A fresh ext4 file system of `megabytes` in `image`, named `label`,
    // loop-mounted at `target`.
    static ScopedMount ext4(const std::string& image, const std::string& target, int megabytes = 8,
                            const std::string& label = "") {
        const std::string made = commandOutput(
            "truncate -s " + std::to_string(megabytes) + "M '" + image + "' && mkfs.ext4 -q -F " +
            (label.empty() ? "" : "-L '" + label + "' ") + "'" + image +
            "' 2>&1 && mount -o loop '" + image + "' '" + target + "' 2>&1 && echo mounted");
        ScopedMount mount;
        if (made.ends_with("mounted")) {
            mount.target_ = target;
        } else {
            mount.error_ = "cannot loop-mount an ext4 image: " + made;
        }
        return mount;
    }

    ScopedMount() = default;
    ScopedMount(ScopedMount&& other) noexcept
        : target_(std::exchange(other.target_, {})), error_(std::move(other.error_)) {}
    ScopedMount& operator=(ScopedMount&& other) noexcept {
        std::swap(target_, other.target_);
        std::swap(error_, other.error_);
        return *this;
    }
    ~ScopedMount() {
        // A loop device made by mount -o loop goes with its last unmount.
        if (!target_.empty() && ::umount(target_.c_str()) != 0) {
            ::umount2(target_.c_str(), MNT_DETACH);
        }
    }

    bool mounted() const { return !target_.empty(); }
    const std::string& failed() const { return error_; }

  private:
    static ScopedMount refused(const std::string& what) {
        ScopedMount mount;
        mount.error_ = "the machine refused a " + what + ": " + std::strerror(errno);
        return mount;
    }

    std::string target_;
    std::string error_;
};

}  // namespace raumfuchs::test
