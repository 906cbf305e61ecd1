#include "core/ncdu/NcduImport.h"

#include <fcntl.h>
#include <unistd.h>
#include <zstd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "core/system/ErrnoText.h"
#include "core/text/PathText.h"
#include "core/text/Utf8.h"
#include "core/tree/HardlinkSet.h"
#include "core/tree/TreeBuildThread.h"

namespace raumfuchs {

namespace {

// A file's bytes in blocks, unpacked on the way when the file is a zstd stream.
class ExportInput {
  public:
    explicit ExportInput(int fd)
        : fd_(fd), buffer_(std::make_unique_for_overwrite<char[]>(kBlock)) {}
    ~ExportInput() {
        if (zstd_ != nullptr) {
            ZSTD_freeDStream(zstd_);
        }
    }
    ExportInput(const ExportInput&) = delete;
    ExportInput& operator=(const ExportInput&) = delete;

    // Looks at the first bytes; a message when the file is not a stream to read.
    std::optional<std::string> start() {
        std::size_t got = 0;
        if (!readRaw(raw_.data(), 4, got)) {
            return "konnte nicht gelesen werden (" + errnoText(errno) + ")";
        }
        rawEnd_ = got;
        const auto* b = reinterpret_cast<const unsigned char*>(raw_.data());
        if (got == 0) {
            return std::string("ist leer");
        }
        if (got >= 2 && b[0] == 0x1f && b[1] == 0x8b) {
            return std::string("ist mit gzip gepackt; entpacken Sie sie zuerst (gunzip)");
        }
        if (got >= 4 && b[0] == 0x28 && b[1] == 0xb5 && b[2] == 0x2f && b[3] == 0xfd) {
            zstd_ = ZSTD_createDStream();
            if (zstd_ == nullptr) {
                return std::string("konnte nicht entpackt werden (zu wenig Speicher)");
            }
            raw_.resize(ZSTD_DStreamInSize());
        }
        return std::nullopt;
    }
    bool compressed() const { return zstd_ != nullptr; }

    // Fills the buffer with the next block; empty at the end. False on an error,
    // with error() saying which.
    bool refill(const char*& begin, const char*& end) {
        std::size_t got = 0;
        if (zstd_ == nullptr) {
            if (rawEnd_ > 0) {  // the bytes read to look at the start
                std::memcpy(buffer_.get(), raw_.data(), rawEnd_);
                got = rawEnd_;
                rawEnd_ = 0;
            } else if (!readRaw(buffer_.get(), kBlock, got)) {
                error_ = "Lesefehler (" + errnoText(errno) + ")";
                return false;
            }
        } else if (!unpack(got)) {
            return false;
        }
        begin = buffer_.get();
        end = begin + got;
        return true;
    }
    const std::string& error() const { return error_; }

  private:
    static constexpr std::size_t kBlock = 256 * 1024;

    bool readRaw(char* into, std::size_t want, std::size_t& got) {
        got = 0;
        while (got < want) {
            const ssize_t n = ::read(fd_, into + got, want - got);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                return false;
            }
            if (n == 0) {
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        return true;
    }

    bool unpack(std::size_t& got) {
        ZSTD_outBuffer out{buffer_.get(), kBlock, 0};
        while (out.pos == 0) {
            if (rawPos_ == rawEnd_) {
                std::size_t n = 0;
                if (!readRaw(raw_.data(), raw_.size(), n)) {
                    error_ = "Lesefehler (" + errnoText(errno) + ")";
                    return false;
                }
                if (n == 0) {
                    if (!frameDone_) {
                        error_ = "der zstd-Datenstrom bricht ab";
                        return false;
                    }
                    break;
                }
                rawPos_ = 0;
                rawEnd_ = n;
            }
            ZSTD_inBuffer in{raw_.data(), rawEnd_, rawPos_};
            const std::size_t rc = ZSTD_decompressStream(zstd_, &out, &in);
            rawPos_ = in.pos;
            if (ZSTD_isError(rc)) {
                error_ = std::string("der zstd-Datenstrom ist beschädigt (") +
                         ZSTD_getErrorName(rc) + ")";
                return false;
            }
            frameDone_ = rc == 0;
        }
        got = out.pos;
        return true;
    }

    int fd_;
    std::unique_ptr<char[]> buffer_;
    std::vector<char> raw_ = std::vector<char>(4);
    std::size_t rawPos_ = 0;
    std::size_t rawEnd_ = 0;
    ZSTD_DStream* zstd_ = nullptr;
    bool frameDone_ = true;
    std::string error_;
};

// What a reader of this format must give up on: the message and where.
struct Malformed {
    std::string what;
    std::uint64_t offset;
};

// One info object of the file, the fields this program uses.
struct Info {
    std::string name;
    std::int64_t asize = 0;
    std::int64_t dsize = -1;  // -1: absent
    std::optional<std::uint64_t> dev;
    std::uint64_t ino = 0;
    std::uint64_t nlink = 0;
    bool hlnkc = false;
    bool readError = false;
    std::string excluded;

    void clear() {
        name.clear();
        asize = 0;
        dsize = -1;
        dev.reset();
        ino = 0;
        nlink = 0;
        hlnkc = false;
        readError = false;
        excluded.clear();
    }
};

// Streaming reader of the export format: the tree's nesting lives in an
// explicit stack, never in the call stack, and nothing is allocated by a number
// read from the file.
class NcduParser {
  public:
    NcduParser(ExportInput& input, const CancelToken& token,
               const std::function<void(std::int64_t)>& onProgress)
        : input_(input), token_(token), onProgress_(onProgress) {}

    // The tree, or nothing when cancelled; throws Malformed.
    std::optional<ImportedScan> run();

  private:
    // --- bytes ---
    int peek() {
        if (pos_ == end_) {
            fill();
        }
        return pos_ == end_ ? -1 : static_cast<unsigned char>(*pos_);
    }
    void fill() {
        consumed_ += static_cast<std::uint64_t>(end_ - begin_);
        if (!input_.refill(begin_, end_)) {
            throw Malformed{input_.error(), offset()};
        }
        pos_ = begin_;
    }
    std::uint64_t offset() const { return consumed_ + static_cast<std::uint64_t>(pos_ - begin_); }
    [[noreturn]] void fail(const std::string& what) { throw Malformed{what, offset()}; }
    int next() {
        const int c = peek();
        if (c >= 0) {
            ++pos_;
        }
        return c;
    }
    int skipSpace() {
        for (;;) {
            const int c = peek();
            if (c != ' ' && c != '\n' && c != '\t' && c != '\r') {
                return c;
            }
            ++pos_;
        }
    }
    void expect(char wanted, const char* what) {
        if (skipSpace() != static_cast<unsigned char>(wanted)) {
            unexpected(what);
        }
        ++pos_;
    }
    // After an object's member: steps over the comma and says true, or over
    // the closing brace and says false.
    bool nextMember() {
        const int c = skipSpace();
        if (c != ',' && c != '}') {
            unexpected("„,“ oder „}“");
        }
        ++pos_;
        return c == ',';
    }
    [[noreturn]] void unexpected(const char* what) {
        if (peek() < 0) {
            fail(std::string("die Datei endet vorzeitig, ") + what + " erwartet");
        }
        fail(std::string(what) + " erwartet");
    }

    // --- values ---
    // Reads a string into `out`, at most `limit` bytes kept; `tooLong` says what
    // a longer one is (null: cut it silently, for keys and skipped values).
    void readString(std::string& out, std::size_t limit, const char* tooLong);
    void appendCodePoint(std::string& out, char32_t cp);
    unsigned readHex4();
    std::uint64_t readUnsigned(const char* key, std::uint64_t max);
    bool readBool(const char* key);
    void readLiteral(const char* word);
    void skipValue();
    void readInfo(Info& info);
    void readHeader(ImportedScan& scan);

    // --- the tree ---
    void readTree();
    void addEntry(const Info& info, bool isArray);
    void closeDirectory();
    std::int64_t counted(std::int64_t bytes);
    void checkpoint();

    ExportInput& input_;
    const CancelToken& token_;
    const std::function<void(std::int64_t)>& onProgress_;
    const char* begin_ = nullptr;
    const char* pos_ = nullptr;
    const char* end_ = nullptr;
    std::uint64_t consumed_ = 0;

    std::string key_;
    Info info_;
    bool gdu_ = false;
    bool estimated_ = false;  // a gdu folder without size was counted as kGduFolderBytes
    std::optional<TreeBuildThread> builder_;
    // Per open folder: the device its entries are on, for gdu's files the
    // folder's total as written (-1 when absent), and the bytes counted in it
    // so far, its own and its entries'.
    struct Open {
        std::uint64_t device;
        std::int64_t total;
        bool unreadable;
        std::int64_t own;
        std::int64_t entries;
    };
    std::vector<Open> open_;
    HardlinkSet hardlinks_;
    std::int64_t entries_ = 0;
    std::int64_t unreadable_ = 0;
    std::int64_t sum_ = 0;
    bool cancelled_ = false;
    double lastReport_ = 0;
};

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

void NcduParser::readString(std::string& out, std::size_t limit, const char* tooLong) {
    out.clear();
    if (skipSpace() != '"') {
        unexpected("eine Zeichenkette");
    }
    ++pos_;
    for (;;) {
        if (pos_ == end_) {
            fill();
            if (pos_ == end_) {
                fail("die Datei endet in einer Zeichenkette");
            }
        }
        // The plain run up to the next quote, backslash or control character.
        const char* run = pos_;
        while (pos_ != end_ && *pos_ != '"' && *pos_ != '\\' &&
               static_cast<unsigned char>(*pos_) >= 0x20) {
            ++pos_;
        }
        const std::size_t length = static_cast<std::size_t>(pos_ - run);
        if (out.size() + length > limit) {
            if (tooLong != nullptr) {
                pos_ = run + (limit - out.size());
                fail(tooLong);
            }
            out.append(run, limit - out.size());
        } else {
            out.append(run, length);
        }
        if (pos_ == end_) {
            continue;
        }
        const char c = *pos_++;
        if (c == '"') {
            return;
        }
        if (c != '\\') {
            --pos_;
            fail("Steuerzeichen in einer Zeichenkette");
        }
        const int e = next();
        char32_t cp = 0;
        switch (e) {
            case '"':
            case '\\':
            case '/':
                cp = static_cast<char32_t>(e);
                break;
            case 'b':
                cp = '\b';
                break;
            case 'f':
                cp = '\f';
                break;
            case 'n':
                cp = '\n';
                break;
            case 'r':
                cp = '\r';
                break;
            case 't':
                cp = '\t';
                break;
            case 'u': {
                cp = readHex4();
                if (cp == 0) {
                    fail("ein Nullzeichen in einer Zeichenkette");
                }
                if (cp >= 0xDC00 && cp < 0xE000) {
                    fail("ungültige \\u-Escape-Sequenz in einer Zeichenkette");
                }
                if (cp >= 0xD800 && cp < 0xDC00) {
                    // A high surrogate needs the low one right after it.
                    if (next() != '\\' || next() != 'u') {
                        fail("ungültige \\u-Escape-Sequenz in einer Zeichenkette");
                    }
                    const char32_t low = readHex4();
                    if (low < 0xDC00 || low >= 0xE000) {
                        fail("ungültige \\u-Escape-Sequenz in einer Zeichenkette");
                    }
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                break;
            }
            default:
                if (e >= 0) {
                    --pos_;
                }
                fail(e < 0 ? "die Datei endet in einer Zeichenkette"
                           : "ungültige Escape-Sequenz in einer Zeichenkette");
        }
        if (out.size() + 4 > limit) {
            if (tooLong != nullptr) {
                fail(tooLong);
            }
            continue;
        }
        appendCodePoint(out, cp);
    }
}

void NcduParser::appendCodePoint(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

unsigned NcduParser::readHex4() {
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) {
        const int c = peek();
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            fail("ungültige \\u-Escape-Sequenz in einer Zeichenkette");
        }
        ++pos_;
        value = value * 16 + digit;
    }
    return value;
}

std::uint64_t NcduParser::readUnsigned(const char* key, std::uint64_t max) {
    const int first = skipSpace();
    if (first == '-') {
        fail(std::string("„") + key + "“ ist negativ");
    }
    if (first < '0' || first > '9') {
        fail(std::string("„") + key + "“ muss eine ganze Zahl sein");
    }
    std::uint64_t value = 0;
    for (int c = peek(); c >= '0' && c <= '9'; c = peek()) {
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (max - digit) / 10) {
            fail(std::string("„") + key + "“ ist zu groß");
        }
        value = value * 10 + digit;
        ++pos_;
    }
    const int after = peek();
    if (after == '.' || after == 'e' || after == 'E') {
        fail(std::string("„") + key + "“ muss eine ganze Zahl sein");
    }
    return value;
}

void NcduParser::readLiteral(const char* word) {
    for (const char* w = word; *w != '\0'; ++w) {
        if (next() != static_cast<unsigned char>(*w)) {
            fail(std::string("„") + word + "“ erwartet");
        }
    }
}

bool NcduParser::readBool(const char* key) {
    const int c = skipSpace();
    if (c == 't') {
        readLiteral("true");
        return true;
    }
    if (c == 'f') {
        readLiteral("false");
        return false;
    }
    if (c == 'n') {  // some writers put null for "not set"
        readLiteral("null");
        return false;
    }
    fail(std::string("„") + key + "“ muss true oder false sein");
}

// Skips one value of any type. Nested arrays and objects are followed with a
// counter of open brackets and a bit stack of their kinds, bounded.
void NcduParser::skipValue() {
    constexpr std::size_t kMaxDepth = 256;
    std::vector<bool> inObject;
    for (;;) {
        const int c = skipSpace();
        bool done = false;
        if (c == '{' || c == '[') {
            if (inObject.size() == kMaxDepth) {
                fail("ein unbekannter Wert ist zu tief verschachtelt");
            }
            ++pos_;
            inObject.push_back(c == '{');
            const int close = skipSpace();
            if (close == (c == '{' ? '}' : ']')) {
                ++pos_;
                inObject.pop_back();
                done = true;
            } else if (c == '{') {
                readString(key_, 64, nullptr);
                expect(':', "„:“");
                continue;
            } else {
                continue;
            }
        } else if (c == '"') {
            readString(key_, 0, nullptr);
            done = true;
        } else if (c == 't' || c == 'f' || c == 'n') {
            readLiteral(c == 't' ? "true" : c == 'f' ? "false" : "null");
            done = true;
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            ++pos_;
            for (int d = peek();
                 (d >= '0' && d <= '9') || d == '.' || d == 'e' || d == 'E' || d == '+' || d == '-';
                 d = peek()) {
                ++pos_;
            }
            done = true;
        } else {
            unexpected("ein Wert");
        }
        // After a complete value: close the containers it ends, or go on.
        while (done) {
            if (inObject.empty()) {
                return;
            }
            const int sep = skipSpace();
            if (sep == ',') {
                ++pos_;
                if (inObject.back()) {
                    readString(key_, 64, nullptr);
                    expect(':', "„:“");
                }
                done = false;
            } else if (sep == (inObject.back() ? '}' : ']')) {
                ++pos_;
                inObject.pop_back();
            } else {
                unexpected(inObject.back() ? "„,“ oder „}“" : "„,“ oder „]“");
            }
        }
    }
}

void NcduParser::readInfo(Info& info) {
    info.clear();
    bool haveName = false;
    expect('{', "„{“");
    if (skipSpace() == '}') {
        ++pos_;
    } else {
        for (;;) {
            readString(key_, 64, nullptr);
            expect(':', "„:“");
            const std::string_view key = key_;
            if (key == "name") {
                readString(info.name, kMaxName, "ein Name ist länger als 32.768 Bytes");
                haveName = true;
            } else if (key == "asize" || key == "dsize") {
                const auto v = static_cast<std::int64_t>(readUnsigned(key_.c_str(), kMaxTotal));
                (key == "asize" ? info.asize : info.dsize) = v;
            } else if (key == "dev") {
                info.dev = readUnsigned("dev", UINT64_MAX);
            } else if (key == "ino") {
                info.ino = readUnsigned("ino", UINT64_MAX);
            } else if (key == "nlink") {
                info.nlink = readUnsigned("nlink", UINT64_MAX);
            } else if (key == "hlnkc") {
                info.hlnkc = readBool("hlnkc");
            } else if (key == "read_error") {
                info.readError = readBool("read_error");
            } else if (key == "excluded") {
                readString(info.excluded, 16, nullptr);
            } else {
                skipValue();
            }
            if (!nextMember()) {
                break;
            }
        }
    }
    if (!haveName) {
        fail("ein Eintrag hat keinen Namen");
    }
}

void NcduParser::readHeader(ImportedScan& scan) {
    expect('{', "„{“ (Kopfdaten)");
    std::string progname;
    std::string progver;
    if (skipSpace() == '}') {
        ++pos_;
    } else {
        for (;;) {
            readString(key_, 64, nullptr);
            expect(':', "„:“");
            if (key_ == "progname" && skipSpace() == '"') {
                readString(progname, 64, nullptr);
            } else if (key_ == "progver" && skipSpace() == '"') {
                readString(progver, 64, nullptr);
            } else if (key_ == "timestamp" && skipSpace() != '-' && peek() >= '0' &&
                       peek() <= '9') {
                scan.timestamp = static_cast<std::int64_t>(readUnsigned("timestamp", INT64_MAX));
            } else {
                skipValue();
            }
            if (!nextMember()) {
                break;
            }
        }
    }
    gdu_ = progname == "gdu";
    scan.producer = decodeUtf8Lossy(progver.empty() ? progname : progname + " " + progver);
}

std::int64_t NcduParser::counted(std::int64_t bytes) {
    if (bytes > kMaxTotal - sum_) {
        fail("die Größenangaben ergeben zusammen mehr als 4 EiB");
    }
    sum_ += bytes;
    return bytes;
}

void NcduParser::checkpoint() {
    if (++entries_ > kMaxEntries) {
        fail("mehr als 2.147.483.647 Einträge");
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

void NcduParser::addEntry(const Info& info, bool isArray) {
    const bool root = !builder_;
    if (root) {
        if (info.name.empty()) {
            fail("der Pfad der Wurzel ist leer");
        }
        builder_.emplace(info.name, PathText::lastComponent(info.name));
    } else if (info.name.empty() || info.name == "." || info.name == ".." ||
               info.name.find('/') != std::string::npos) {
        fail("ungültiger Name „" + decodeUtf8Lossy(info.name) + "“");
    }
    const std::string name = root ? PathText::lastComponent(info.name) : std::string();
    const std::string_view shown = root ? std::string_view(name) : std::string_view(info.name);
    const std::uint64_t device = info.dev ? *info.dev : open_.empty() ? 0 : open_.back().device;
    const std::int64_t dsize = std::max<std::int64_t>(info.dsize, 0);
    const bool otherDevice = info.excluded == "otherfs" || info.excluded == "othfs" ||
                             info.excluded == "kernfs" || info.excluded == "frmlnk";
    if (isArray || otherDevice) {
        const std::int64_t own = gdu_ ? 0 : counted(dsize);
        builder_->openDirectory(shown, own);
        open_.push_back(Open{device, gdu_ ? info.dsize : -1, info.readError, own, 0});
        if (!isArray) {
            closeDirectory();
        }
    } else if (info.readError) {
        ++unreadable_;
        builder_->addPlaceholder(shown);
    } else {
        std::int64_t size = dsize;
        if (gdu_) {
            // gdu marks the links it met after the first one, which it counted.
            size = info.hlnkc ? 0 : size;
        } else if ((info.hlnkc || info.nlink > 1) && !hardlinks_.insert(FileId{device, info.ino})) {
            size = 0;
        }
        builder_->addFile(shown, counted(size));
        if (!open_.empty()) {
            open_.back().entries += size;
        }
    }
}

void NcduParser::closeDirectory() {
    Open top = open_.back();
    open_.pop_back();
    if (gdu_) {
        estimated_ = estimated_ || top.total < 0;
        const std::int64_t own =
            top.total < 0 ? kGduFolderBytes : std::max<std::int64_t>(top.total - top.entries, 0);
        builder_->addOwnBytes(counted(own));
        top.own += own;
    }
    unreadable_ += top.unreadable ? 1 : 0;
    builder_->closeDirectory(top.unreadable);
    if (!open_.empty()) {
        open_.back().entries += top.own + top.entries;
    }
}

void NcduParser::readTree() {
    // One entry per turn; the open folders are open_.
    for (;;) {
        const int c = skipSpace();
        if (c == '[') {
            ++pos_;
            readInfo(info_);
            addEntry(info_, true);
        } else if (c == '{') {
            readInfo(info_);
            addEntry(info_, false);
        } else {
            unexpected(open_.empty() ? "„[“ oder „{“ (die Wurzel)" : "„[“ oder „{“ (ein Eintrag)");
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
            const int sep = skipSpace();
            if (sep == ',') {
                ++pos_;
                break;
            }
            if (sep != ']') {
                unexpected("„,“ oder „]“");
            }
            ++pos_;
            closeDirectory();
        }
    }
}

std::optional<ImportedScan> NcduParser::run() {
    ImportedScan scan;
    lastReport_ = steadySeconds();
    expect('[', "„[“ am Anfang");
    const std::uint64_t major = readUnsigned("Hauptversion", INT64_MAX);
    if (major != 1) {
        fail("Formatversion " + std::to_string(major) + " wird nicht unterstützt");
    }
    expect(',', "„,“");
    readUnsigned("Unterversion", INT64_MAX);
    expect(',', "„,“");
    readHeader(scan);
    expect(',', "„,“");
    readTree();
    if (cancelled_) {
        return std::nullopt;
    }
    expect(']', "„]“ am Ende");
    if (skipSpace() >= 0) {
        fail("nach dem Ende folgen weitere Daten");
    }
    std::shared_ptr<FileTree> tree = builder_->finish();
    scan.result = ScanResult{tree->root(), unreadable_, 0, 0, std::nullopt, {}};
    scan.folderSizesEstimated = estimated_;
    return scan;
}

}  // namespace

std::variant<ImportedScan, std::string> importNcdu(
    const std::string& file, const CancelToken& token,
    const std::function<void(std::int64_t)>& onProgress) {
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
    NcduParser parser(input, token, onProgress);
    try {
        std::optional<ImportedScan> scan = parser.run();
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
