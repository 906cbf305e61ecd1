#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <variant>

#include "core/ncdu/ImportedScan.h"

namespace raumfuchs {

// Reads an export in the ncdu JSON format, plain or zstd-compressed. Returns the
// tree, or a German message naming the file and, where known, the byte offset.
// An empty message when cancelled. onProgress gets the number of entries read so far.
std::variant<ImportedScan, std::string> importNcdu(
    const std::string& file, const CancelToken& token,
    const std::function<void(std::int64_t)>& onProgress);

}  // namespace raumfuchs
