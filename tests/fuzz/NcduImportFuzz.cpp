// Feeds arbitrary bytes to the ncdu reader. Whatever it reads must be a tree by
// the tree's rules; whatever it refuses must come with a message.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <variant>
#include <vector>

#include "core/ncdu/NcduImport.h"

using namespace raumfuchs;

namespace {

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

void checkTree(const FileNode& root) {
    std::vector<FileNode> stack{root};
    while (!stack.empty()) {
        const FileNode node = stack.back();
        stack.pop_back();
        check(node.size() >= 0);
        std::int64_t files = 0;
        std::int64_t bytes = 0;
        for (std::size_t i = 0; i < node.childCount(); ++i) {
            const FileNode child = node.child(i);
            check(child.parent() == node);
            check(i == 0 || node.child(i - 1).size() >= child.size());
            files += child.fileCount();
            bytes += child.size();
            stack.push_back(child);
        }
        if (node.isDirectory()) {
            check(node.fileCount() == files && node.size() >= bytes);
        } else {
            check(node.childCount() == 0 && node.fileCount() == (node.isUnreadable() ? 0 : 1));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const int fd = memfd_create("ncdu-fuzz", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    check(fd >= 0 && ftruncate(fd, 0) == 0);
    check(pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));
    const auto result = importNcdu(path, CancelToken(), {});
    if (const auto* scan = std::get_if<ImportedScan>(&result)) {
        checkTree(scan->result.root);
    } else {
        check(!std::get<std::string>(result).empty());
    }
    return 0;
}
