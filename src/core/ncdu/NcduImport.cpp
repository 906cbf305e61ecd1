#include "core/ncdu/NcduImport.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <optional>

#include "core/ncdu/ExportInput.h"
#include "core/ncdu/JsonLexer.h"
#include "core/ncdu/NcduReader.h"
#include "core/system/ErrnoText.h"
#include "core/text/Utf8.h"

namespace raumfuchs {

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
    if (const std::optional<std::string> refused = input.start()) {
        return shown + " " + *refused + ".";
    }
    JsonLexer json(input);
    NcduReader reader(json, token, onProgress, classifier);
    try {
        std::optional<ImportedScan> scan = reader.run();
        if (!scan) {
            return std::string();
        }
        return std::move(*scan);
    } catch (const Malformed& m) {
        return shown + " ist keine lesbare ncdu-Exportdatei: " + m.what + " (bei Byte " +
               std::to_string(m.offset) + (input.compressed() ? " der entpackten Daten" : "") +
               ").";
    } catch (const std::bad_alloc&) {
        return shown + " ist zu groß für den freien Speicher.";
    }
}

}  // namespace raumfuchs
