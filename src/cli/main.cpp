// raumfuchs-scan: the scan engine without a window. Scans one path and prints
// its total size, file count and largest children, in German or as JSON; with
// --compare, also what changed against an earlier export.
// Exit codes: 0 done, 1 path unreachable or output not written, 2 wrong call,
// 130 cancelled by Ctrl-C.
#include <getopt.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "cli/ComparisonReport.h"
#include "cli/ElevatedCall.h"
#include "cli/KindsReport.h"
#include "cli/ProgressLine.h"
#include "cli/UnattributedReport.h"
#include "core/compare/TreeComparison.h"
#include "core/kinds/FileKinds.h"
#include "core/kinds/KindTotals.h"
#include "core/ncdu/ExportFile.h"
#include "core/ncdu/NcduExport.h"
#include "core/ncdu/NcduImport.h"
#include "core/scan/CancelToken.h"
#include "core/scan/DiskScanner.h"
#include "core/system/ErrnoText.h"
#include "core/text/Format.h"
#include "core/text/JsonString.h"
#include "core/text/PathText.h"
#include "core/text/Utf8.h"
#include "core/tree/FileTree.h"

namespace {

using namespace raumfuchs;

// The token of the one scan or import this program runs, here for the
// interrupt handler to cancel.
CancelToken token;
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "used in a signal handler");

// The first Ctrl-C cancels the scan, whose threads stop within an entry; a
// second one ends the program at once, as if no handler were installed.
extern "C" void onInterrupt(int signal) {
    if (interrupted.exchange(true)) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    } else {
        token.cancel();
    }
}

constexpr const char* kUsage =
    "Aufruf: raumfuchs-scan [-J] [-q] [--top N] [--types] [--threads N] [--export DATEI]\n"
    "                       [--compare ALT] PFAD\n"
    "        raumfuchs-scan [-J] [-q] [--top N] [--types] [--export DATEI] [--compare ALT]\n"
    "                       --import DATEI\n"
    "        raumfuchs-scan --help | --version\n"
    "  -J, --json           genau ein JSON-Objekt auf der Standardausgabe\n"
    "  -q, --quiet          kein Fortschritt auf der Standardfehlerausgabe\n"
    "      --top N          die N größten Einträge unter PFAD (Vorgabe 10)\n"
    "      --types          dazu Dateitypen (nach den Namen, mit ihren Endungen) und\n"
    "                       Alter (seit der letzten Änderung, vom Scan aus gezählt);\n"
    "                       Bytes belegter Platz, eine Datei mit mehreren harten\n"
    "                       Links einmal, als Dateien zählt jeder Link\n"
    "      --threads N      Zahl der Threads beim Durchsuchen, 1 bis 64 (Vorgabe:\n"
    "                       RAUMFUCHS_SCAN_THREADS, sonst nach den Wartezeiten\n"
    "                       gewählt, einer auf einer Festplatte, die sucht)\n"
    "      --export DATEI   schreibt den Scan dabei im ncdu-Format in DATEI (- für\n"
    "                       die Standardausgabe, auf .zst endend mit zstd gepackt)\n"
    "      --import DATEI   liest einen Scan im ncdu-Format, statt PFAD zu\n"
    "                       durchsuchen; mit --export schreibt es ihn neu\n"
    "      --compare ALT    vergleicht mit dem Scan ALT im ncdu-Format (auch .zst):\n"
    "                       die Veränderung insgesamt und die N größten\n"
    "                       Veränderungen unter PFAD\n"
    "  -h, --help           diese Hilfe\n"
    "      --version        die Version\n"
    "Werte auch als --top=N; kurze Optionen lassen sich bündeln (-Jq).\n";

struct Arguments {
    bool help = false;
    bool version = false;
    bool json = false;
    bool quiet = false;
    bool types = false;
    std::size_t top = 10;
    std::size_t threads = 0;
    std::string path;
    std::string exportFile;
    std::string importFile;
    std::string compareFile;
};

// A number from `min` to `max`, digits only.
std::optional<std::size_t> parseCount(std::string_view text, std::size_t min, std::size_t max) {
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

// What was wrong with a call, in one line.
struct WrongCall {
    std::string what;
};

// Codes of the options without a short form, above every character.
enum LongOnly : int { kTop = 256, kThreads, kExport, kImport, kCompare, kVersion, kTypes };

constexpr option kOptions[] = {
    {"json", no_argument, nullptr, 'J'},
    {"quiet", no_argument, nullptr, 'q'},
    {"top", required_argument, nullptr, kTop},
    {"types", no_argument, nullptr, kTypes},
    {"threads", required_argument, nullptr, kThreads},
    {"export", required_argument, nullptr, kExport},
    {"import", required_argument, nullptr, kImport},
    {"compare", required_argument, nullptr, kCompare},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

// What an option with a value lacks when its value is missing or unusable.
std::string needsValue(int code) {
    switch (code) {
        case kTop:
            return "„--top“ braucht eine Zahl";
        case kThreads:
            return "„--threads“ braucht eine Zahl von 1 bis " +
                   std::to_string(DiskScanner::kMaxThreads);
        case kExport:
            return "„--export“ braucht einen Dateinamen";
        case kCompare:
            return "„--compare“ braucht einen Dateinamen";
        default:
            return "„--import“ braucht einen Dateinamen";
    }
}

// What was wrong with an option getopt_long refused: `code` is its optopt,
// `written` the argument it stood in.
std::string refusedOption(int code, std::string_view written) {
    for (const option& known : kOptions) {
        if (known.name != nullptr && known.val == code) {
            return "„--" + std::string(known.name) + "“ nimmt keinen Wert";
        }
    }
    if (code != 0) {
        return "unbekannte Option „-" + std::string(1, static_cast<char>(code)) + "“";
    }
    const std::string_view name = written.substr(0, written.find('='));
    std::size_t matches = 0;
    for (const option& known : kOptions) {
        matches +=
            known.name != nullptr && std::string_view(known.name).starts_with(name.substr(2));
    }
    return (matches > 1 ? "mehrdeutige Option „" : "unbekannte Option „") + std::string(name) + "“";
}

// GNU-style options: long ones with their value after "=" or as the next
// argument, and abbreviated while unambiguous; short ones bundled; options
// and the path in any order.
std::variant<Arguments, WrongCall> parseArguments(int argc, char** argv) {
    Arguments args;
    opterr = 0;  // the messages are ours
    for (int code; (code = getopt_long(argc, argv, ":Jqh", kOptions, nullptr)) != -1;) {
        const std::string_view value = optarg != nullptr ? optarg : "";
        switch (code) {
            case 'J':
                args.json = true;
                break;
            case 'q':
                args.quiet = true;
                break;
            case kTypes:
                args.types = true;
                break;
            case 'h':
            case kVersion: {
                Arguments request;
                (code == 'h' ? request.help : request.version) = true;
                return request;
            }
            case kTop:
            case kThreads: {
                const auto count = code == kTop ? parseCount(value, 0, SIZE_MAX)
                                                : parseCount(value, 1, DiskScanner::kMaxThreads);
                if (!count) {
                    return WrongCall{needsValue(code)};
                }
                (code == kTop ? args.top : args.threads) = *count;
                break;
            }
            case kExport:
            case kImport:
            case kCompare:
                if (value.empty()) {
                    return WrongCall{needsValue(code)};
                }
                (code == kExport   ? args.exportFile
                 : code == kImport ? args.importFile
                                   : args.compareFile) = value;
                break;
            case ':':
                return WrongCall{needsValue(optopt)};
            default:
                return WrongCall{refusedOption(optopt, argv[optind - 1])};
        }
    }
    const int paths = argc - optind;
    if (paths > 1) {
        return WrongCall{"zu viele Pfade"};
    }
    if (!args.importFile.empty()) {
        if (paths == 1) {
            return WrongCall{"„--import“ und ein Pfad gehen nicht zusammen"};
        }
        return args;
    }
    if (paths == 0) {
        return WrongCall{"kein Pfad angegeben"};
    }
    args.path = argv[optind];
    return args;
}

std::string jsonString(std::string_view bytes) {
    std::string out;
    appendJsonString(out, bytes, JsonBytes::Utf8);
    return out;
}

// `more`: further members of the object, each with its leading comma.
void printJson(const std::string& path, const ScanResult& result, std::size_t top,
               const std::string& more) {
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
    out += "]" + more + "}\n";
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

// Why the scanned path could not be reached, from the errno of its look.
std::string unreachable(const std::string& path, int error) {
    const std::string named = "„" + path + "“";
    if (error == ENOENT) {
        return named + " gibt es nicht.";
    }
    return named + " konnte nicht gelesen werden" + (error != 0 ? ": " + errnoText(error) : "") +
           ".";
}

// A message on standard error, its names (a path, an option, an entry of an
// imported file) escaped for the terminal.
void complain(const std::string& message) {
    std::cerr << escapeForTerminal(message) << "\n";
}

std::string exportFailed(const std::string& file, int error) {
    return "Die Exportdatei „" + decodeUtf8Lossy(file) +
           "“ konnte nicht geschrieben werden: " + errnoText(error) + ".";
}

// A scan is exported as it is made, so its root is named as an absolute path.
std::string absolute(const std::string& path) {
    if (path.starts_with('/')) {
        return path;
    }
    char cwd[4096];
    return getcwd(cwd, sizeof cwd) != nullptr ? PathText::join(cwd, path) : path;
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
    const bool elevated = startedByPkexec();
    const std::optional<std::string> refused =
        elevated ? elevatedCallRefusal(argc, argv) : std::nullopt;
    const std::variant<Arguments, WrongCall> call =
        refused ? WrongCall{*refused} : parseArguments(argc, argv);
    if (const auto* wrong = std::get_if<WrongCall>(&call)) {
        complain("raumfuchs-scan: " + wrong->what);
        complain("Mehr dazu: raumfuchs-scan --help");
        return 2;
    }
    const Arguments* const args = &std::get<Arguments>(call);
    if (args->help || args->version) {
        std::fputs(args->help ? kUsage : "raumfuchs-scan " RAUMFUCHS_VERSION "\n", stdout);
        return finishOutput(0);
    }

    // The kinds of files come from the names as the scan stamps its tree.
    std::optional<FileKinds> kinds;
    if (args->types) {
        std::string error;
        std::optional<MimeGlobs> globs = MimeGlobs::read(MimeGlobs::kSystemFile, error);
        if (!globs) {
            complain(error);
            return 1;
        }
        kinds.emplace(std::move(*globs));
    }
    const NameClassifier* classifier = kinds ? &*kinds : nullptr;

    std::signal(SIGINT, onInterrupt);
    // The baseline first: a file that cannot be read ends the call before a
    // long scan.
    std::optional<ImportedScan> baseline;
    if (!args->compareFile.empty()) {
        auto imported = importNcdu(args->compareFile, token, {});
        if (const auto* message = std::get_if<std::string>(&imported)) {
            if (message->empty()) {
                std::fputs("Scan abgebrochen.\n", stderr);
                return 130;
            }
            complain(*message);
            return 1;
        }
        baseline = std::move(std::get<ImportedScan>(imported));
    }
    ProgressLine progress(STDERR_FILENO, !args->quiet && isatty(STDERR_FILENO) != 0);
    // A scan is written out while it runs; an import once it is read.
    std::optional<ExportFile> exported;
    if (!args->exportFile.empty() && args->importFile.empty()) {
        ExportHeader header;
        header.version = RAUMFUCHS_VERSION;
        header.timestamp = static_cast<std::int64_t>(std::time(nullptr));
        if (const int error =
                exported.emplace(args->exportFile, absolute(args->path), header).error()) {
            complain(exportFailed(args->exportFile, error));
            return 1;
        }
    }
    std::optional<ScanResult> result;
    ExportHeader importedHeader;
    if (!args->importFile.empty()) {
        auto imported = importNcdu(args->importFile, token, {}, classifier);
        if (const auto* message = std::get_if<std::string>(&imported);
            message && !message->empty()) {
            complain(*message);
            return 1;
        }
        if (auto* scan = std::get_if<ImportedScan>(&imported)) {
            result = std::move(scan->result);
            importedHeader = ExportHeader{RAUMFUCHS_VERSION, scan->timestamp, scan->producer,
                                          scan->folderSizesEstimated};
        }
    } else {
        const ProgressCallback onScanProgress = [&](const ScanProgress& p) {
            progress.update(p);
            if (exported && exported->writer().failed()) {
                token.cancel();  // nothing more can be written
            }
        };
        result = DiskScanner::scan(args->path, PathText::lastComponent(args->path), token,
                                   onScanProgress,
                                   {.threads = args->threads,
                                    .sink = exported ? &exported->writer() : nullptr,
                                    .classifier = classifier});
    }
    progress.clear();

    if (exported && exported->writer().failed()) {
        complain(exportFailed(args->exportFile, exported->commit()));
        return 1;
    }
    if (token.isCancelled()) {
        std::fputs("Scan abgebrochen.\n", stderr);
        return 130;
    }
    // A path that could not be reached is named with the reason; a folder
    // that cannot be listed is a result with 1 unreadable.
    if (!result || result->rootUnreachable()) {
        complain(unreachable(args->path, result ? result->rootError : 0));
        return 1;
    }
    if (const int error = exported ? exported->commit() : 0) {
        complain(exportFailed(args->exportFile, error));
        return 1;
    }
    if (!args->exportFile.empty() && !args->importFile.empty()) {
        const int error = exportNcdu(result->root.tree(), args->exportFile, importedHeader, token);
        if (error == ECANCELED) {
            std::fputs("Scan abgebrochen.\n", stderr);
            return 130;
        }
        if (error != 0) {
            complain(exportFailed(args->exportFile, error));
            return 1;
        }
    }
    // A scanned mount point is a whole volume: what its scan could not find is
    // explained. An import's paths belong to another machine; a scan for
    // pkexec only scans.
    std::optional<UnattributedSpace> space;
    if (args->importFile.empty() && !elevated) {
        if (const std::optional<std::int64_t> used = volumeUsedBytes(args->path)) {
            space = measureUnattributedSpace(result->enteredMounts, *used, result->root.size(),
                                             result->unreadableCount, &token);
        }
    }
    const std::string unattributed = !space       ? ""
                                     : args->json ? unattributedJson(*space)
                                                  : unattributedText(*space);
    std::optional<KindTotals> kindTotals;
    if (kinds) {
        kindTotals = KindTotals::collect(result->root.tree(), result->root.index(), *kinds);
    }
    std::string compared;
    if (baseline) {
        const TreeComparison comparison(result->root.treePtr(), baseline->result.root.treePtr());
        compared = args->json ? comparisonJson(comparison, baseline->timestamp, args->top)
                              : comparisonText(comparison, decodeUtf8Lossy(args->compareFile),
                                               baseline->timestamp, args->top);
    }
    const std::string path = args->importFile.empty() ? args->path : result->root.path();
    if (args->exportFile == "-") {
        // the export is the output
    } else if (args->json) {
        printJson(path, *result, args->top,
                  unattributed + (kindTotals ? kindsJson(*kindTotals) : std::string()) + compared);
    } else {
        printHuman(path, *result, args->top, unattributed);
        if (kindTotals) {
            std::cout << kindsText(*kindTotals, result->root.size());
        }
        std::cout << compared;
    }
    // Leaves the tree to the kernel, which frees millions of nodes faster than
    // their destructors do.
    std::exit(finishOutput(0));
}
