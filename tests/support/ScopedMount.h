#pragma once

#include <string>

#include "support/TempTree.h"

namespace raumfuchs::test {

// A real mount made for one test and undone when the object goes: a fresh
// ext4 image loop-mounted on a folder, or a bind mount. Needs root and loop
// devices; failed() says why the machine refused, for GTEST_SKIP.
class ScopedMount {
  public:
    // Formats `image` (created, `megabytes` large) as ext4 named `label` and mounts it at `at`.
    static ScopedMount ext4Image(const std::string& image, int megabytes, const std::string& label,
                                 const std::string& at) {
        return ScopedMount("truncate -s " + std::to_string(megabytes) + "M " + quoted(image) +
                               " && mkfs.ext4 -q -F -L " + quoted(label) + " " + quoted(image) +
                               " && mount -o loop " + quoted(image) + " " + quoted(at),
                           at);
    }
    static ScopedMount bind(const std::string& folder, const std::string& at) {
        return ScopedMount("mount --bind " + quoted(folder) + " " + quoted(at), at);
    }

    ScopedMount(ScopedMount&& other) noexcept
        : at_(std::move(other.at_)), error_(std::move(other.error_)) {
        other.at_.clear();
    }
    ScopedMount(const ScopedMount&) = delete;
    ScopedMount& operator=(const ScopedMount&) = delete;
    ScopedMount& operator=(ScopedMount&&) = delete;
    // A loop device set up by mount -o loop is released with the last unmount.
    ~ScopedMount() {
        if (!at_.empty() && error_.empty()) {
            commandOutput("umount " + quoted(at_) + " 2>/dev/null || umount -l " + quoted(at_));
        }
    }

    // Empty when mounted; else the command's complaint.
    const std::string& failed() const { return error_; }

  private:
    ScopedMount(const std::string& command, std::string at) : at_(std::move(at)) {
        const std::string out = commandOutput("(" + command + ") 2>&1 && echo MOUNTED");
        if (!out.ends_with("MOUNTED")) {
            error_ = "cannot mount at " + at_ + ": " + (out.empty() ? "no output" : out);
        }
    }
    static std::string quoted(const std::string& text) { return "'" + text + "'"; }

    std::string at_;
    std::string error_;
};

}  // namespace raumfuchs::test
