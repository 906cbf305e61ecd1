#include "core/system/WholeFile.h"

#include <fstream>
#include <sstream>

namespace raumfuchs {

std::optional<std::string> readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        return std::nullopt;
    }
    return std::move(text).str();
}

}  // namespace raumfuchs
