#include "core/NcduImport.h"

namespace raumfuchs {

std::variant<ImportedScan, std::string> importNcdu(const std::string& file, const CancelToken&,
                                                   const std::function<void(std::int64_t)>&) {
    return "„" + file + "“ kann noch nicht gelesen werden.";
}

}  // namespace raumfuchs
