#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>

#include "core/ncdu/ExportInput.h"
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

// What reading an export from an ExportInput came to.
struct ExportReading {
    std::optional<ImportedScan> scan;  // nothing when cancelled or refused
    // Why the bytes are no readable export, in German, with the byte offset:
    // "die Datei endet vorzeitig, … (bei Byte 812)"; empty when they were.
    std::string refusal;
    // The refusal came before the first value: "ist leer", "ist mit gzip gepackt …".
    bool refusedAtStart = false;
    bool outOfMemory = false;
};

// Reads the export `input` brings, as importNcdu() reads a file.
ExportReading readExport(ExportInput& input, const CancelToken& token,
                         const std::function<void(std::int64_t)>& onProgress,
                         const NameClassifier* classifier = nullptr);

}  // namespace raumfuchs
