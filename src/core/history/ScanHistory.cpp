#include "core/history/ScanHistory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "core/system/WholeFile.h"
#include "core/text/PathText.h"

namespace raumfuchs {

namespace {

constexpr const char* kPathFile = "path";
// Files on their way in carry this prefix until their last rename; one left
// by a write that broke off (the program ended meanwhile) goes once it is
// this old (not measured: far longer than any export takes).
constexpr const char* kIncoming = ".neu-";
constexpr std::time_t kIncomingAge = 3600;
constexpr const char* kSuffix = ".json.zst";
// Bytes of the key in a folder's readable part (not measured: enough to tell
// folders apart by eye).
constexpr std::size_t kReadable = 48;

// Makes `path` and the folders above it that are missing, each 0700.
int makeFolders(const std::string& path) {
    for (std::size_t end = 1; end <= path.size(); ++end) {
        if (end != path.size() && path[end] != '/') {
            continue;
        }
        const std::string part = path.substr(0, end);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return errno;
        }
    }
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        return errno;
    }
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

std::string randomLetters() {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[8] = {};
    std::string out;
    if (::getrandom(random, sizeof random, 0) == sizeof random) {
        for (const unsigned char r : random) {
            out += kLetters[r % (sizeof kLetters - 1)];
        }
    }
    return out;
}

// Writes `text` to `path` 0600, atomically: whoever reads it sees all or nothing.
int writeSmallFile(const std::string& folder, const std::string& path, const std::string& text) {
    const std::string incoming = folder + "/" + kIncoming + randomLetters();
    const int fd = ::open(incoming.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return errno;
    }
    int error = 0;
    if (::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        error = errno != 0 ? errno : EIO;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(incoming.c_str(), path.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(incoming.c_str());
    }
    return error;
}

std::string fileName(std::int64_t time, const ExportedTotals& totals,
                     std::optional<std::int64_t> volumeUsed) {
    const std::time_t seconds = static_cast<std::time_t>(time);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H-%M-%SZ", &utc);
    std::string name = std::string(stamp) + "_b" + std::to_string(totals.bytes) + "_f" +
                       std::to_string(totals.files);
    if (volumeUsed) {
        name += "_u" + std::to_string(*volumeUsed);
    }
    return name + kSuffix;
}

// The figures in a scan's file name; nothing for any other name.
std::optional<HistoryEntry> parseName(const std::string& name) {
    if (!name.ends_with(kSuffix)) {
        return std::nullopt;
    }
    std::tm utc{};
    long long bytes = 0;
    long long files = 0;
    int consumed = 0;
    if (std::sscanf(name.c_str(), "%4d-%2d-%2dT%2d-%2d-%2dZ_b%lld_f%lld%n", &utc.tm_year,
                    &utc.tm_mon, &utc.tm_mday, &utc.tm_hour, &utc.tm_min, &utc.tm_sec, &bytes,
                    &files, &consumed) != 8) {
        return std::nullopt;
    }
    HistoryEntry entry;
    std::string rest = name.substr(static_cast<std::size_t>(consumed));
    if (rest.starts_with("_u")) {
        long long used = 0;
        int more = 0;
        if (std::sscanf(rest.c_str(), "_u%lld%n", &used, &more) != 1) {
            return std::nullopt;
        }
        entry.volumeUsed = used;
        rest.erase(0, static_cast<std::size_t>(more));
    }
    if (rest != kSuffix) {
        return std::nullopt;
    }
    utc.tm_year -= 1900;
    utc.tm_mon -= 1;
    entry.time = static_cast<std::int64_t>(timegm(&utc));
    entry.bytes = bytes;
    entry.files = files;
    return entry;
}

// Names in `folder` other than "." and "..".
std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return names;
    }
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    ::closedir(dir);
    return names;
}

// The scans in one key's folder, newest first (of one second, by name).
std::vector<HistoryEntry> scansIn(const std::string& folder) {
    std::vector<HistoryEntry> scans;
    for (const std::string& name : namesIn(folder)) {
        std::optional<HistoryEntry> entry = parseName(name);
        struct stat st;
        const std::string file = folder + "/" + name;
        if (entry && ::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            entry->file = file;
            entry->fileBytes = static_cast<std::int64_t>(st.st_size);
            scans.push_back(std::move(*entry));
        }
    }
    std::sort(scans.begin(), scans.end(), [](const HistoryEntry& a, const HistoryEntry& b) {
        return a.time != b.time ? a.time > b.time : a.file > b.file;
    });
    return scans;
}

}  // namespace

ScanHistory::ScanHistory(std::string folder, HistoryLimits limits)
    : folder_(std::move(folder)), limits_(limits) {}

std::string ScanHistory::defaultFolder() {
    // Only an absolute XDG_STATE_HOME counts; a relative one is to be ignored.
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') {
        return PathText::join(state, "raumfuchs/history");
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return PathText::join(home, ".local/state/raumfuchs/history");
    }
    return {};
}

std::string ScanHistory::folderName(const std::string& key) {
    // FNV-1a, 64 bits: the key's own bytes decide, whatever they are.
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : key) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    std::string readable;
    for (const char c : PathText::withoutTrailingSlashes(key)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        readable += c == '/' ? '-' : (plain ? c : '_');
    }
    readable.erase(0, readable.find_first_not_of('-'));
    if (readable.size() > kReadable) {
        readable.erase(0, readable.size() - kReadable);  // the end tells most
    }
    return readable.empty() ? std::string(hex) : std::string(hex) + "-" + readable;
}

int ScanHistory::keyFolder(const std::string& key, std::string& folder) const {
    if (folder_.empty()) {
        return ENOENT;
    }
    folder = folder_ + "/" + folderName(key);
    if (const int error = makeFolders(folder)) {
        return error;
    }
    const std::string pathFile = folder + "/" + kPathFile;
    if (::access(pathFile.c_str(), F_OK) != 0) {
        return writeSmallFile(folder, pathFile, key);
    }
    // Two keys of one hash: the folder belongs to the first.
    return readWholeFile(pathFile) == key ? 0 : EEXIST;
}

std::vector<HistoryEntry> ScanHistory::entries(const std::string& key) const {
    if (folder_.empty()) {
        return {};
    }
    const std::string folder = folder_ + "/" + folderName(key);
    if (readWholeFile(folder + "/" + kPathFile) != key) {
        return {};
    }
    return scansIn(folder);
}

int ScanHistory::add(const std::string& key, const FileTree& tree, const ExportHeader& header,
                     std::optional<std::int64_t> volumeUsed, const CancelToken& token,
                     HistoryEntry* added) const {
    std::string folder;
    if (const int error = keyFolder(key, folder)) {
        return error;
    }
    const std::string incoming = folder + "/" + kIncoming + randomLetters() + kSuffix;
    ExportedTotals totals;
    if (const int error = exportNcdu(tree, incoming, header, token, &totals)) {
        return error;
    }
    // An export over the whole bound would, as the newest, go last: after
    // every older scan. It is not kept, and nothing else goes for it.
    struct stat st {};
    if (::stat(incoming.c_str(), &st) != 0 || st.st_size > limits_.totalBytes) {
        const int error = st.st_size > limits_.totalBytes ? EFBIG : errno;
        ::unlink(incoming.c_str());
        return error;
    }
    const std::string file = folder + "/" + fileName(header.timestamp, totals, volumeUsed);
    if (::chmod(incoming.c_str(), 0600) != 0 || ::rename(incoming.c_str(), file.c_str()) != 0) {
        const int error = errno;
        ::unlink(incoming.c_str());
        return error;
    }
    prune(folder);
    if (added != nullptr) {
        *added =
            HistoryEntry{file,         header.timestamp, totals.bytes,
                         totals.files, volumeUsed,       static_cast<std::int64_t>(st.st_size)};
    }
    return 0;
}

void ScanHistory::prune(const std::string& keyFolder) const {
    const std::vector<HistoryEntry> own = scansIn(keyFolder);
    for (std::size_t i = limits_.scansPerKey; i < own.size(); ++i) {
        ::unlink(own[i].file.c_str());
    }
    std::vector<HistoryEntry> all;
    std::int64_t total = 0;
    const std::time_t now = std::time(nullptr);
    for (const std::string& name : namesIn(folder_)) {
        const std::string folder = folder_ + "/" + name;
        for (const std::string& file : namesIn(folder)) {
            struct stat st;
            const std::string path = folder + "/" + file;
            if (file.starts_with(kIncoming) && ::stat(path.c_str(), &st) == 0 &&
                now - st.st_mtime > kIncomingAge) {
                ::unlink(path.c_str());
            }
        }
        for (HistoryEntry& entry : scansIn(folder)) {
            total += entry.fileBytes;
            all.push_back(std::move(entry));
        }
    }
    std::sort(all.begin(), all.end(), [](const HistoryEntry& a, const HistoryEntry& b) {
        return a.time != b.time ? a.time < b.time : a.file < b.file;
    });
    for (std::size_t i = 0; i < all.size() && total > limits_.totalBytes; ++i) {
        if (::unlink(all[i].file.c_str()) == 0 || errno == ENOENT) {
            total -= all[i].fileBytes;
        }
    }
}

}  // namespace raumfuchs
