#include "core/ncdu/NcduImport.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "core/ncdu/JsonLexer.h"
#include "core/ncdu/NcduReader.h"
#include "core/system/ErrnoText.h"
#include "core/text/Utf8.h"

namespace raumfuchs {

ExportReading readExport(ExportInput& input, const CancelToken& token,
                         const std::function<void(std::int64_t)>& onProgress,
                         const NameClassifier* classifier) {
    ExportReading reading;
    if (const std::optional<std::string> refused = input.start()) {
        reading.refusal = *refused;
        reading.refusedAtStart = true;
        return reading;
    }
    JsonLexer json(input);
    NcduReader reader(json, token, onProgress, classifier);
    try {
        reading.scan = reader.run();
    } catch (const Malformed& m) {
        reading.refusal = m.what + " (bei Byte " + std::to_string(m.offset) +
                          (input.compressed() ? " der entpackten Daten" : "") + ")";
    } catch (const std::bad_alloc&) {
        reading.outOfMemory = true;
    }
    return reading;
}

std::variant<ImportedScan, std::string> importNcdu(
    const std::string& file, const CancelToken& token,
    const std::function<void(std::int64_t)>& onProgress, const NameClassifier* classifier) {
    const std::string shown = "„" + decodeUtf8Lossy(file) + "“";
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return shown + " konnte nicht geöffnet werden (" + errnoText(errno) + ").";
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    ExportInput input(fd);
    ExportReading reading = readExport(input, token, onProgress, classifier);
    if (reading.scan) {
        return std::move(*reading.scan);
    }
    if (reading.outOfMemory) {
        return shown + " ist zu groß für den freien Speicher.";
    }
    if (reading.refusal.empty()) {
        return std::string();  // cancelled
    }
    if (reading.refusedAtStart) {
        return shown + " " + reading.refusal + ".";
    }
    return shown + " ist keine lesbare ncdu-Exportdatei: " + reading.refusal + ".";
}

}  // namespace raumfuchs
