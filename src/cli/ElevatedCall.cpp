#include "cli/ElevatedCall.h"

#include <cstdlib>
#include <string_view>

namespace raumfuchs {

bool startedByPkexec() {
    return std::getenv("PKEXEC_UID") != nullptr;
}

std::optional<std::string> elevatedCallRefusal(int argc, char** argv) {
    if (argc == 5 && std::string_view(argv[1]) == "--export" && std::string_view(argv[2]) == "-" &&
        std::string_view(argv[3]) == "--quiet" && argv[4][0] == '/') {
        return std::nullopt;
    }
    return "als Administrator (über pkexec) nur „--export - --quiet PFAD“ mit absolutem PFAD";
}

}  // namespace raumfuchs
