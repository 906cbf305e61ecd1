// Feeds arbitrary bytes to the ncdu reader. Whatever it reads must be a tree by
// the tree's rules; whatever it refuses must come with a message.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <variant>

#include "../support/TreeCompare.h"
#include "core/ncdu/NcduImport.h"

using namespace raumfuchs;

namespace {

void check(bool ok) {
    if (!ok) {
        std::abort();
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
        check(test::treeFault(scan->result.root).empty());
    } else {
        check(!std::get<std::string>(result).empty());
    }
    return 0;
}
