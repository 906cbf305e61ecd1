#include "core/ncdu/NcduReader.h"

#include <algorithm>
#include <chrono>

#include "core/text/Utf8.h"

namespace raumfuchs {

namespace {

// Names longer than this are refused: no file system has them, and a file
// that claims one is not to be trusted with the memory.
constexpr std::size_t kMaxName = 32 * 1024;
// Every size read is added up here first; a sum past this would not fit the
// tree's totals.
constexpr std::int64_t kMaxTotal = std::int64_t{1} << 62;
// The tree addresses its nodes with 32 bits.
constexpr std::int64_t kMaxEntries = (std::int64_t{1} << 31) - 1;
// gdu writes no folder sizes and counts a folder as one 4 KiB block when it
// reads its own files back.
constexpr std::int64_t kGduFolderBytes = 4096;

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

void NcduReader::Info::clear() {
    name.clear();
    asize = -1;
    dsize = -1;
    dev.reset();
    ino = 0;
    nlink = 0;
    hlnkc = false;
    readError = false;
    excluded.clear();
    mtime.reset();
}

void NcduReader::readInfo(Info& info) {
    info.clear();
    bool haveName = false;
    json_.readObject("„{“", [&](std::string_view key) {
        if (key == "name") {
            json_.readString(info.name, kMaxName, "ein Name ist länger als 32.768 Bytes");
            haveName = true;
        } else if (key == "asize") {
            info.asize = static_cast<std::int64_t>(json_.readUnsigned("asize", kMaxTotal));
        } else if (key == "dsize") {
            info.dsize = static_cast<std::int64_t>(json_.readUnsigned("dsize", kMaxTotal));
        } else if (key == "dev") {
            info.dev = json_.readUnsigned("dev", UINT64_MAX);
        } else if (key == "ino") {
            info.ino = json_.readUnsigned("ino", UINT64_MAX);
        } else if (key == "nlink") {
            info.nlink = json_.readUnsigned("nlink", UINT64_MAX);
        } else if (key == "hlnkc") {
            info.hlnkc = json_.readBool("hlnkc");
        } else if (key == "read_error") {
            info.readError = json_.readBool("read_error");
        } else if (key == "excluded") {
            json_.readString(info.excluded, 16, nullptr);
        } else if (key == "mtime" && json_.skipSpace() != '-') {
            // Others' times before 1970 are passed over, as unknown.
            info.mtime = static_cast<std::int64_t>(json_.readUnsigned("mtime", INT64_MAX));
        } else {
            json_.skipValue();
        }
    });
    if (!haveName) {
        json_.fail("ein Eintrag hat keinen Namen");
    }
}

// Values of another type than expected are passed over: the header only
// describes the file.
void NcduReader::readHeader(ImportedScan& scan) {
    std::string progname;
    std::string progver;
    std::string scannedBy;
    json_.readObject("„{“ (Kopfdaten)", [&](std::string_view key) {
        const int first = json_.skipSpace();
        if (key == "progname" && first == '"') {
            json_.readString(progname, 64, nullptr);
        } else if (key == "progver" && first == '"') {
            json_.readString(progver, 64, nullptr);
        } else if (key == "scanned_by" && first == '"') {
            json_.readString(scannedBy, 64, nullptr);  // this program's, for another's scan
        } else if (key == "estimated_folder_sizes" && first == 't') {
            estimated_ = json_.readBool("estimated_folder_sizes");
        } else if (key == "timestamp" && first >= '0' && first <= '9') {
            scan.timestamp = static_cast<std::int64_t>(json_.readUnsigned("timestamp", INT64_MAX));
        } else {
            json_.skipValue();
        }
    });
    gdu_ = progname == "gdu";
    scan.producer = decodeUtf8Lossy(!scannedBy.empty() ? scannedBy
                                    : progver.empty()  ? progname
                                                       : progname + " " + progver);
}

std::int64_t NcduReader::counted(std::int64_t bytes) {
    if (bytes > kMaxTotal - sum_) {
        json_.fail("die Größenangaben ergeben zusammen mehr als 4 EiB");
    }
    sum_ += bytes;
    return bytes;
}

void NcduReader::checkpoint() {
    if (++entries_ > kMaxEntries) {
        json_.fail("mehr als 2.147.483.647 Einträge");
    }
    if ((entries_ & 1023) != 0) {
        return;
    }
    if (token_.isCancelled()) {
        cancelled_ = true;
        return;
    }
    const double now = steadySeconds();
    if (now - lastReport_ > 0.1 && onProgress_) {
        onProgress_(entries_);
        lastReport_ = now;
    }
}

void NcduReader::addEntry(const Info& info, bool isArray) {
    if (!rootSeen_) {
        if (info.name.empty()) {
            json_.fail("der Pfad der Wurzel ist leer");
        }
        rootSeen_ = true;
    } else if (info.name.empty() || info.name == "." || info.name == ".." ||
               info.name.find('/') != std::string::npos) {
        json_.fail("ungültiger Name „" + decodeUtf8Lossy(info.name) + "“");
    }
    TreeEntry entry{.name = info.name};
    entry.apparent = info.asize;
    entry.hasMtime = info.mtime.has_value();
    entry.mtime = info.mtime.value_or(0);
    entry.hasDevice = true;
    entry.device = info.dev ? *info.dev : open_.empty() ? 0 : open_.back().device;
    const std::int64_t dsize = std::max<std::int64_t>(info.dsize, 0);
    const bool otherDevice = info.excluded == "otherfs" || info.excluded == "othfs" ||
                             info.excluded == "kernfs" || info.excluded == "frmlnk";
    if (isArray || otherDevice) {
        const std::int64_t own = gdu_ ? 0 : counted(dsize);
        entry.kind = EntryKind::Directory;
        entry.allocated = own;
        entry.excluded = otherDevice ? Exclusion::OtherDevice : Exclusion::None;
        builder_.openDirectory(entry);
        open_.push_back(Open{entry.device, gdu_ ? info.dsize : -1, info.readError, own, 0});
        if (!isArray) {
            closeDirectory();
        }
    } else if (info.readError) {
        builder_.placeholder(entry);
    } else {
        std::int64_t size = dsize;
        if (gdu_) {
            // gdu marks the links it met after the first one, which it counted.
            size = info.hlnkc ? 0 : size;
        } else {
            entry.hardLink = info.hlnkc || info.nlink > 1;
            entry.inode = info.ino;
            entry.links = info.nlink;
        }
        entry.allocated = counted(size);
        builder_.file(entry);
        if (!open_.empty()) {
            open_.back().entries += size;
        }
    }
}

void NcduReader::closeDirectory() {
    Open top = open_.back();
    open_.pop_back();
    if (gdu_) {
        estimated_ = estimated_ || top.total < 0;
        const std::int64_t own =
            top.total < 0 ? kGduFolderBytes : std::max<std::int64_t>(top.total - top.entries, 0);
        builder_.addOwnBytes(counted(own));
        top.own += own;
    }
    builder_.closeDirectory(top.unreadable);
    if (!open_.empty()) {
        open_.back().entries += top.own + top.entries;
    }
}

void NcduReader::readTree() {
    // One entry per turn; the open folders are open_.
    for (;;) {
        const int c = json_.skipSpace();
        if (c == '[') {
            json_.advance();
            readInfo(info_);
            addEntry(info_, true);
        } else if (c == '{') {
            readInfo(info_);
            addEntry(info_, false);
        } else {
            json_.unexpected(open_.empty() ? "„[“ oder „{“ (die Wurzel)"
                                           : "„[“ oder „{“ (ein Eintrag)");
        }
        checkpoint();
        if (cancelled_) {
            return;
        }
        // After an entry: close the folders that end here.
        for (;;) {
            if (open_.empty()) {
                return;
            }
            const int sep = json_.skipSpace();
            if (sep == ',') {
                json_.advance();
                break;
            }
            if (sep != ']') {
                json_.unexpected("„,“ oder „]“");
            }
            json_.advance();
            closeDirectory();
        }
    }
}

std::optional<ImportedScan> NcduReader::run() {
    ImportedScan scan;
    lastReport_ = steadySeconds();
    json_.expect('[', "„[“ am Anfang");
    const std::uint64_t major = json_.readUnsigned("Hauptversion", INT64_MAX);
    if (major != 1) {
        json_.fail("Formatversion " + std::to_string(major) + " wird nicht unterstützt");
    }
    json_.expect(',', "„,“");
    json_.readUnsigned("Unterversion", INT64_MAX);
    json_.expect(',', "„,“");
    readHeader(scan);
    // Ages count from the time of the scan; without one, from now.
    builder_.setAgeReference(scan.timestamp > 0
                                 ? scan.timestamp
                                 : std::chrono::duration_cast<std::chrono::seconds>(
                                       std::chrono::system_clock::now().time_since_epoch())
                                       .count());
    json_.expect(',', "„,“");
    readTree();
    if (cancelled_) {
        return std::nullopt;
    }
    json_.expect(']', "„]“ am Ende");
    if (json_.skipSpace() >= 0) {
        json_.fail("nach dem Ende folgen weitere Daten");
    }
    std::shared_ptr<FileTree> tree = builder_.finish();
    scan.result = ScanResult{tree->root(), builder_.unreadableCount(), 0, 0, std::nullopt, {}};
    scan.folderSizesEstimated = estimated_;
    return scan;
}

}  // namespace raumfuchs
