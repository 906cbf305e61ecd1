#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <variant>

#include "core/ncdu/ImportedScan.h"
#include "core/tree/EntryStamp.h"

namespace raumfuchs {

// Reads an export in the ncdu JSON format, plain or zstd-compressed. Returns the
// tree, or a German message naming the file and, where known, the byte offset.
// An empty message when cancelled. onProgress gets the number of entries read so far.
// `classifier` stamps the files' names with their kinds (may be null).
std::variant<ImportedScan, std::string> importNcdu(
    const std::string& file, const CancelToken& token,
    const std::function<void(std::int64_t)>& onProgress,
    const NameClassifier* classifier = nullptr);

}  // namespace raumfuchs
