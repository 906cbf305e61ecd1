// raumfuchs-scan: the scan engine without a window. Scans one path and prints
// its total size, file count and largest children, in German or as JSON.
// Exit codes: 0 done, 1 path unreachable or output not written, 2 wrong call,
// 130 cancelled by Ctrl-C.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "cli/ExportFile.h"
#include "cli/ProgressLine.h"
#include "cli/UnattributedReport.h"
#include "core/DiskScanner.h"
#include "core/FileTree.h"
#include "core/Format.h"
#include "core/NcduImport.h"
#include "core/PathText.h"
#include "core/Utf8.h"

namespace {

using namespace raumfuchs;

std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "used in a signal handler");

// The first Ctrl-C asks the scan to stop at its next checkpoint; a second one
// ends the program at once, as if no handler were installed.
extern "C" void onInterrupt(int signal) {
    if (interrupted.exchange(true)) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
}

constexpr const char* kUsage =
    "Aufruf: raumfuchs-scan [--json] [--quiet] [--top N] [--threads N] PFAD\n"
    "        raumfuchs-scan [--json] [--quiet] [--top N] --import DATEI\n"
    "        raumfuchs-scan --help | --version\n"
    "  --json       genau ein JSON-Objekt auf der Standardausgabe\n"
    "  -q, --quiet  kein Fortschritt auf der Standardfehlerausgabe\n"
    "  --top N      die N größten Einträge unter PFAD (Vorgabe 10)\n"
    "  --threads N  Zahl der Threads beim Durchsuchen (Vorgabe: nach den gemessenen\n"
    "               Wartezeiten gewählt, eine auf einer Festplatte, die sucht)\n"
    "  --export DATEI  schreibt den Scan dabei im ncdu-Format in DATEI (- für die\n"
    "               Standardausgabe, auf .zst endend mit zstd gepackt)\n"
    "  --import DATEI  liest einen Scan im ncdu-Format statt PFAD zu durchsuchen\n"
    "  -h, --help   diese Hilfe\n"
    "  --version    die Version\n";

struct Arguments {
    bool help = false;
    bool version = false;
    bool json = false;
    bool quiet = false;
    std::size_t top = 10;
    std::size_t threads = 0;
    std::string path;
    std::string exportFile;
    std::string importFile;
};

std::optional<std::size_t> parseCount(std::string_view text, std::size_t min) {
    if (text.empty() || text.size() > 9) {
        return std::nullopt;
    }
    std::size_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    if (value < min) {
        return std::nullopt;
    }
    return value;
}

std::optional<Arguments> parseArguments(int argc, char** argv) {
    Arguments args;
    bool havePath = false;
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!optionsDone && (arg == "--help" || arg == "-h" || arg == "--version")) {
            Arguments request;
            (arg == "--version" ? request.version : request.help) = true;
            return request;
        } else if (!optionsDone && arg == "--") {
            optionsDone = true;
        } else if (!optionsDone && arg == "--json") {
            args.json = true;
        } else if (!optionsDone && (arg == "--quiet" || arg == "-q")) {
            args.quiet = true;
        } else if (!optionsDone && (arg == "--top" || arg == "--threads")) {
            if (i + 1 >= argc) {
                return std::nullopt;
            }
            const auto value = parseCount(argv[++i], arg == "--top" ? 0 : 1);
            if (!value) {
                return std::nullopt;
            }
            (arg == "--top" ? args.top : args.threads) = *value;
        } else if (!optionsDone && (arg == "--export" || arg == "--import") && i + 1 < argc) {
            (arg == "--export" ? args.exportFile : args.importFile) = argv[++i];
        } else if (!optionsDone && arg.size() > 1 && arg[0] == '-') {
            return std::nullopt;
        } else if (!havePath) {
            args.path = std::string(arg);
            havePath = true;
        } else {
            return std::nullopt;
        }
    }
    if (havePath == !args.importFile.empty() ||
        (!args.importFile.empty() && !args.exportFile.empty())) {
        return std::nullopt;
    }
    return args;
}

// A JSON string literal of file-system bytes, shown as UTF-8 (invalid
// sequences replaced) with the characters JSON requires escaped.
std::string jsonString(std::string_view bytes) {
    std::string out = "\"";
    for (char c : decodeUtf8Lossy(bytes)) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

void printJson(const std::string& path, const ScanResult& result, std::size_t top,
               const std::string& unattributed) {
    const FileNode& root = result.root;
    std::string out = "{\"path\":" + jsonString(path);
    out += ",\"bytes\":" + std::to_string(root.size());
    out += ",\"files\":" + std::to_string(root.fileCount());
    out += ",\"entries\":" + std::to_string(root.tree().nodeCount());
    out += ",\"unreadable\":" + std::to_string(result.unreadableCount);
    out += ",\"threads\":" + std::to_string(result.threads);
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.6f", result.duration);
    out += ",\"seconds\":";
    out += seconds;
    out += ",\"children\":[";
    const std::size_t count = std::min(top, root.childCount());
    for (std::size_t i = 0; i < count; ++i) {
        const FileNode child = root.child(i);
        out += i == 0 ? "{" : ",{";
        out += "\"name\":" + jsonString(child.nameBytes());
        out += ",\"bytes\":" + std::to_string(child.size());
        out += ",\"files\":" + std::to_string(child.fileCount());
        out += ",\"directory\":";
        out += child.isDirectory() ? "true" : "false";
        out += "}";
    }
    out += "]" + unattributed + "}\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
}

void printHuman(const std::string& path, const ScanResult& result, std::size_t top,
                const std::string& unattributed) {
    const FileNode& root = result.root;
    std::cout << "Pfad:         " << escapeForTerminal(path) << "\n"
              << "Größe:        " << Format::bytes(root.size()) << " ("
              << Format::integer(root.size()) << " Bytes)\n"
              << "Dateien:      " << Format::integer(root.fileCount()) << "\n"
              << "Nicht lesbar: " << Format::integer(result.unreadableCount) << "\n"
              << "Dauer:        " << Format::duration(result.duration) << "\n"
              << unattributed;
    const std::size_t count = std::min(top, root.childCount());
    if (count == 0) {
        return;
    }
    std::cout << "\nGrößte Einträge:\n";
    for (std::size_t i = 0; i < count; ++i) {
        const FileNode child = root.child(i);
        std::string size = Format::bytes(child.size());
        std::string share = Format::percent(child.size(), root.size());
        std::cout << "  " << std::string(10 - std::min<std::size_t>(terminalColumns(size), 10), ' ')
                  << size << "  "
                  << std::string(7 - std::min<std::size_t>(terminalColumns(share), 7), ' ') << share
                  << "  " << escapeForTerminal(child.nameBytes())
                  << (child.isDirectory() ? "/" : "") << "\n";
    }
}

// Output that could not be written (a full disk, say) must not pass for
// success: the exit code says so.
int finishOutput(int code) {
    std::cout.flush();
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0 || !std::cout) {
        std::fputs("Die Ausgabe konnte nicht geschrieben werden.\n", stderr);
        return 1;
    }
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Arguments> args = parseArguments(argc, argv);
    if (!args) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (args->help || args->version) {
        std::fputs(args->help ? kUsage : "raumfuchs-scan " RAUMFUCHS_VERSION "\n", stdout);
        return finishOutput(0);
    }

    if (args->threads != 0) {
        // The engine reads the forced thread count from its environment.
        setenv("RAUMFUCHS_SCAN_THREADS", std::to_string(args->threads).c_str(), 1);
    }
    CancelToken token;
    std::signal(SIGINT, onInterrupt);
    // A signal handler may not take the token's lock; the scan passes its
    // checkpoints often enough to pass an interrupt on from there.
    ProgressLine progress(STDERR_FILENO, !args->quiet && isatty(STDERR_FILENO) != 0);
    const ProgressCallback onProgress = [&](const ScanProgress& p) {
        if (interrupted.load()) {
            token.cancel();
        }
        progress.update(p);
    };
    std::optional<ExportFile> exported;
    if (!args->exportFile.empty() &&
        !exported.emplace(args->exportFile, args->path, RAUMFUCHS_VERSION).error().empty()) {
        std::cerr << exported->error() << "\n";
        return 1;
    }
    std::optional<ScanResult> result;
    if (!args->importFile.empty()) {
        auto imported = importNcdu(args->importFile, token, [&](std::int64_t) {
            if (interrupted.load()) {
                token.cancel();
            }
        });
        if (const auto* message = std::get_if<std::string>(&imported);
            message && !message->empty()) {
            std::cerr << *message << "\n";
            return 1;
        }
        if (auto* scan = std::get_if<ImportedScan>(&imported)) {
            result = std::move(scan->result);
        }
    } else {
        const ProgressCallback onScanProgress = [&](const ScanProgress& p) {
            onProgress(p);
            if (exported && exported->writer().failed()) {
                token.cancel();  // nothing more can be written
            }
        };
        result = DiskScanner::scan(args->path, PathText::lastComponent(args->path), token,
                                   onScanProgress, exported ? &exported->writer() : nullptr);
    }
    progress.clear();

    if (exported && exported->writer().failed()) {
        exported->commit();  // says why
        std::cerr << exported->error() << "\n";
        return 1;
    }
    if (token.isCancelled() || interrupted.load()) {
        std::fputs("Scan abgebrochen.\n", stderr);
        return 130;
    }
    // As in the application, a path that could not be reached is reported as
    // unreadable; a folder that cannot be listed is a result with 1 unreadable.
    if (!result || result->rootUnreachable()) {
        std::cerr << "„" << escapeForTerminal(PathText::lastComponent(args->path))
                  << "“ konnte nicht gelesen werden.\n";
        return 1;
    }
    if (exported && !exported->commit()) {
        std::cerr << exported->error() << "\n";
        return 1;
    }
    // A scanned mount point is a whole volume: what its scan could not find is
    // explained. An import's paths belong to another machine.
    std::optional<UnattributedSpace> space;
    if (args->importFile.empty()) {
        if (const std::optional<std::int64_t> used = volumeUsedBytes(args->path)) {
            space = measureUnattributedSpace(result->enteredMounts, *used, result->root.size(),
                                             result->unreadableCount, &token);
        }
    }
    const std::string unattributed = !space       ? ""
                                     : args->json ? unattributedJson(*space)
                                                  : unattributedText(*space);
    const std::string path = args->importFile.empty() ? args->path : result->root.path();
    if (exported && exported->toStandardOutput()) {
        // the export is the output
    } else if (args->json) {
        printJson(path, *result, args->top, unattributed);
    } else {
        printHuman(path, *result, args->top, unattributed);
    }
    // Leaves the tree to the kernel, which frees millions of nodes faster than
    // their destructors do.
    std::exit(finishOutput(0));
}
