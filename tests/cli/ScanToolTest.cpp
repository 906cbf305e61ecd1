// raumfuchs-scan as a user meets it: the real program on real folders, its
// exit status and its two output streams.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "cli/PseudoTerminal.h"
#include "core/scan/UnattributedSpace.h"
#include "support/Processes.h"
#include "support/ScopedMount.h"
#include "support/TempTree.h"

namespace raumfuchs {
namespace {

using test::TempTree;

struct Outcome {
    int status = -1;  // as waitpid gives it
    std::string out;
    std::string err;
};

// Starts the program with `arguments`, its standard output going to the file
// `out` and its standard error to the open descriptor `errFd`; with `uid` set,
// it runs as that user.
pid_t start(const std::vector<std::string>& arguments, const std::string& out, int errFd,
            uid_t uid = 0) {
    std::vector<char*> argv{const_cast<char*>(RAUMFUCHS_SCAN_PROGRAM)};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (outFd >= 0 && dup2(outFd, STDOUT_FILENO) >= 0 && dup2(errFd, STDERR_FILENO) >= 0 &&
            (uid == 0 || (setgroups(0, nullptr) == 0 && setresgid(uid, uid, uid) == 0 &&
                          setresuid(uid, uid, uid) == 0))) {
            execv(argv[0], argv.data());
        }
        _exit(127);
    }
    return pid;
}

Outcome run(const std::vector<std::string>& arguments, const std::string& out = "", uid_t uid = 0) {
    TempTree io;
    const std::string outPath = out.empty() ? io.path("out") : out;
    const int errFd = open(io.path("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const pid_t pid = start(arguments, outPath, errFd, uid);
    close(errFd);
    Outcome result;
    waitpid(pid, &result.status, 0);
    result.out = out.empty() ? test::fileContents(outPath) : "";
    result.err = test::fileContents(io.path("err"));
    return result;
}

bool exitedWith(const Outcome& run, int code) {
    return WIFEXITED(run.status) && WEXITSTATUS(run.status) == code;
}

TEST(ScanTool, TextAndJsonOutputEscapeNames) {
    TempTree t;
    // One name per kind of byte a terminal must not get raw; each file a
    // different size so all of them are listed.
    // U+009B: the one-byte CSI, as UTF-8; U+202E: right-to-left.
    // clang-format off
    const std::vector<std::pair<std::string, std::string>> names = {
        {"titel\033]0;gekapert\a", "titel\\033]0;gekapert\\a"}, {"zeile\nzwei", "zeile\\nzwei"},
        {"wagen\rlauf\tweiter", "wagen\\rlauf\\tweiter"}, {"back\\slash", "back\\\\slash"},
        {"entf\x7F", "entf\\177"}, {"csi\u009B2J", "csi\\302\\2332J"},
        {"kaputt\xFF\xC3(", "kaputt\\377\\303("},
        {"rechts\u202Eftp.exe", "rechts\\342\\200\\256ftp.exe"}, {"Grüße €", "Grüße €"}};
    // clang-format on
    for (std::size_t i = 0; i < names.size(); ++i) {
        t.file(names[i].first, 5000 * (i + 1));
    }

    const Outcome text = run({t.root()});
    ASSERT_TRUE(exitedWith(text, 0)) << text.status << text.err;
    for (const auto& [name, shown] : names) {
        EXPECT_NE(text.out.find("  " + shown + "\n"), std::string::npos) << shown;
    }
    // Five summary lines, a blank one, the heading and one line per entry.
    EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 7 + 9);
    for (const char raw : {'\033', '\r', '\t', '\a', '\x7F', '\xFF', '\x9B'}) {
        EXPECT_EQ(text.out.find(raw), std::string::npos) << int(raw);
    }
    const Outcome json = run({"--json", t.root()});
    EXPECT_NE(json.out.find("\"titel\\u001b]0;gekapert\\u0007\""), std::string::npos);
    // The thread count used is reported; a forced one is the one used, the
    // option's before the environment's.
    setenv("RAUMFUCHS_SCAN_THREADS", "2", 1);
    const Outcome forced = run({"-Jq", "--threads=3", t.root()});
    const Outcome byEnvironment = run({t.root(), "--json"});
    unsetenv("RAUMFUCHS_SCAN_THREADS");
    EXPECT_NE(forced.out.find(",\"threads\":3,"), std::string::npos) << forced.err;
    EXPECT_NE(byEnvironment.out.find(",\"threads\":2,"), std::string::npos);
}

// The kinds and ages of a tree of known names and change times, as the scan
// counts them and as they come back from our export and from ncdu's: a hard
// link's bytes once, its name as a file; ages from the change times where
// the file has them, none where it has not.
TEST(ScanTool, TypesAndAgesOfAKnownTreeFromAScanOurExportAndNcdus) {
    TempTree t;
    // clang-format off
    const std::vector<std::tuple<std::string, std::size_t, int>> made = {
        {"Fotos/IMG_1.JPG", 20000, 5}, {"Fotos/b.jpg", 8000, 100}, {"Archiv/a.tar.gz", 30000, 400},
        {"Archiv/c.gz", 4000, 2000}, {"Musik/lied.mp3", 16000, 40}, {"Doku/bericht.pdf", 9000, 800},
        {"src/main.c", 3000, 10}, {"LIESMICH", 1000, 10000}, {".bashrc", 100, 10}};
    // clang-format on
    for (const auto& [name, bytes, days] : made) {
        t.file(name, bytes);
        t.age(name, days);
    }
    t.hardLink("Fotos/b.jpg", "Musik/kopie.jpg");
    const auto a = [&](std::initializer_list<std::string> names) {
        std::int64_t sum = 0;
        for (const std::string& name : names) {
            sum += t.allocated(name);
        }
        return std::to_string(sum);
    };
    const auto counted = [](const std::string& bytes, int files) {
        return "\"bytes\":" + bytes + ",\"files\":" + std::to_string(files) + "}";
    };
    const auto ext = [&](const std::string& name, const std::string& bytes, int files) {
        return "{\"ext\":\"" + name + "\"," + counted(bytes, files);
    };
    const auto kind = [&](const std::string& name, const std::string& bytes, int files,
                          const std::string& extensions) {
        return "{\"category\":\"" + name + "\",\"bytes\":" + bytes +
               ",\"files\":" + std::to_string(files) + ",\"extensions\":[" + extensions + "]}";
    };
    const std::string images = a({"Fotos/IMG_1.JPG", "Fotos/b.jpg"});
    const std::string other = a({"LIESMICH", ".bashrc"});
    const std::string types =
        "\"types\":[" +
        kind("Archive", a({"Archiv/a.tar.gz", "Archiv/c.gz"}), 2,
             ext(".tar.gz", a({"Archiv/a.tar.gz"}), 1) + "," + ext(".gz", a({"Archiv/c.gz"}), 1)) +
        "," + kind("Bilder", images, 3, ext(".jpg", images, 3)) + "," +
        kind("Musik", a({"Musik/lied.mp3"}), 1, ext(".mp3", a({"Musik/lied.mp3"}), 1)) + "," +
        kind("Dokumente", a({"Doku/bericht.pdf"}), 1, ext(".pdf", a({"Doku/bericht.pdf"}), 1)) +
        "," + kind("Sonstige", other, 2, ext("", other, 2)) + "," +
        kind("Quelltext", a({"src/main.c"}), 1, ext(".c", a({"src/main.c"}), 1)) + "," +
        kind("Videos", "0", 0, "") + "," + kind("Programme", "0", 0, "") + "]";
    const auto bucket = [&](const std::string& name, const std::string& bytes, int files) {
        return "{\"bucket\":\"" + name + "\"," + counted(bytes, files);
    };
    const std::string ages =
        "\"ages\":[" +
        bucket("Letzte 30 Tage", a({"Fotos/IMG_1.JPG", "src/main.c", ".bashrc"}), 3) + "," +
        bucket("Bis 1 Jahr", a({"Fotos/b.jpg", "Musik/lied.mp3"}), 3) + "," +
        bucket("Bis 3 Jahre", a({"Archiv/a.tar.gz", "Doku/bericht.pdf"}), 2) + "," +
        bucket("Älter", a({"Archiv/c.gz", "LIESMICH"}), 2) + "]";

    TempTree io;
    const Outcome scanned = run({"--json", "--types", "--export", io.path("ours.json"), t.root()});
    ASSERT_TRUE(exitedWith(scanned, 0)) << scanned.err;
    EXPECT_NE(scanned.out.find("," + types + "," + ages + "}"), std::string::npos) << scanned.out;
    const Outcome text = run({"--types", t.root()});
    EXPECT_NE(text.out.find("\nDateitypen:\n  Archive "), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("\n  Älter "), std::string::npos) << text.out;

    const Outcome ours = run({"--json", "--types", "--import", io.path("ours.json")});
    EXPECT_NE(ours.out.find("," + types + "," + ages + "}"), std::string::npos) << ours.out;
    EXPECT_EQ(run({"--json", "--import", io.path("ours.json")}).out.find("\"types\""),
              std::string::npos)
        << "only asked for";

    if (test::commandOutput("command -v ncdu").empty()) {
        GTEST_SKIP() << "ncdu is not installed (scripts/setup.sh installs it)";
    }
    test::commandOutput("ncdu -0 -e -o " + io.path("extended.json") + " " + t.root());
    const Outcome extended = run({"--json", "--types", "--import", io.path("extended.json")});
    EXPECT_NE(extended.out.find("," + types + "," + ages + "}"), std::string::npos) << extended.out;
    test::commandOutput("ncdu -0 -o " + io.path("plain.json") + " " + t.root());
    const Outcome plain = run({"--json", "--types", "--import", io.path("plain.json")});
    EXPECT_NE(plain.out.find("," + types + ",\"ages\":[]}"), std::string::npos) << plain.out;
    const Outcome plainText = run({"--types", "--import", io.path("plain.json")});
    EXPECT_NE(plainText.out.find("Keine Änderungszeiten bekannt."), std::string::npos)
        << plainText.out;
}

// Calls that give no result: each with its exit status and its two streams.
TEST(ScanToolCalls, HelpVersionWrongCallsAMissingFolderAndAFullDisk) {
    TempTree t;
    t.file("a", 100);
    t.file("earlier.json", 4);
    t.symlink("kreis", "kreis");
    // Names in an imported file come from another machine: escaped in messages too.
    std::ofstream(t.path("fremd.json"))
        << R"([1,0,{"progname":"x"},[{"name":"/r"},{"name":"a/\u001b]0;x\u0007"}]])";
    std::ofstream(t.path("gut.json")) << R"([1,0,{},[{"name":"/r"}]])";
    const std::string usage = run({"--help"}).out;
    EXPECT_TRUE(usage.starts_with("Aufruf: raumfuchs-scan")) << usage;
    const auto wrong = [](const std::string& what) {
        return "raumfuchs-scan: " + what + "\nMehr dazu: raumfuchs-scan --help\n";
    };
    const std::string lost = "Die Ausgabe konnte nicht geschrieben werden.\n";
    const std::string full =
        "Die Exportdatei „/dev/full“ konnte nicht geschrieben werden: kein Platz mehr auf dem "
        "Datenträger.\n";
    const auto about = [&](const std::string& name, const std::string& what) {
        return "„" + t.path(name) + "“ " + what + "\n";
    };
    const std::string unreadable = "konnte nicht gelesen werden: ";
    const std::string badName = about(
        "fremd.json",
        "ist keine lesbare ncdu-Exportdatei: ungültiger Name „a/\\033]0;x\\a“ (bei Byte 66).");
    struct Call {
        std::vector<std::string> arguments;
        int status;
        std::string out;
        std::string err;
        std::string outFile = "";  // "/dev/full": a full disk
    };
    // clang-format off
    const Call calls[] = {
        {{"/tmp", "-h"}, 0, usage, ""},
        {{"--version"}, 0, "raumfuchs-scan " RAUMFUCHS_VERSION "\n", ""},
        {{}, 2, "", wrong("kein Pfad angegeben")},
        {{"--bogus=1", "/tmp"}, 2, "", wrong("unbekannte Option „--bogus“")},
        {{"-q\033", "/tmp"}, 2, "", wrong("unbekannte Option „-\\033“")},
        {{"--t", "3", "/tmp"}, 2, "", wrong("mehrdeutige Option „--t“")},
        {{"--json=ja", "/tmp"}, 2, "", wrong("„--json“ nimmt keinen Wert")},
        {{"/tmp", "/usr"}, 2, "", wrong("zu viele Pfade")},
        {{"--top"}, 2, "", wrong("„--top“ braucht eine Zahl")},
        {{"--top=-1", "/tmp"}, 2, "", wrong("„--top“ braucht eine Zahl")},
        {{"--threads", "65", "/tmp"}, 2, "", wrong("„--threads“ braucht eine Zahl von 1 bis 64")},
        {{"--export", "", "/tmp"}, 2, "", wrong("„--export“ braucht einen Dateinamen")},
        {{"--import", t.path("gut.json"), "--export", "/dev/full"}, 1, "", full},
        {{t.path("fehlt\nda")}, 1, "", about("fehlt\\nda", "gibt es nicht.")},
        {{t.path("a/b")}, 1, "", about("a/b", unreadable + "ein Teil des Pfads ist kein Ordner.")},
        {{"--import", t.path("fremd.json")}, 1, "", badName},
        // A baseline is read before the scan, with the import's messages.
        {{"--compare", t.path("fremd.json"), t.root()}, 1, "", badName},
        {{"--compare=", t.root()}, 2, "", wrong("„--compare“ braucht einen Dateinamen")},
        {{t.path("kreis/x")}, 1, "",
         about("kreis/x", unreadable + "zu viele symbolische Verknüpfungen im Pfad.")},
        // An export that fails leaves an earlier file as it was.
        {{"--export", t.path("earlier.json"), t.path("weg")}, 1, "", about("weg", "gibt es nicht.")},
        {{"--export", "/dev/full", t.root()}, 1, "", full},
        {{t.root()}, 1, "", lost, "/dev/full"}, {{"--json", t.root()}, 1, "", lost, "/dev/full"},
        {{"--help"}, 1, "", lost, "/dev/full"},
    };
    // clang-format on
    for (const Call& call : calls) {
        SCOPED_TRACE(::testing::PrintToString(call.arguments) + " > " + call.outFile);
        const Outcome got = run(call.arguments, call.outFile);
        EXPECT_TRUE(exitedWith(got, call.status)) << got.status;
        EXPECT_EQ(got.out, call.out);
        EXPECT_EQ(got.err, call.err);
    }
    EXPECT_EQ(test::listing(t.root()).size(), 5u);
    EXPECT_EQ(test::fileContents(t.path("earlier.json")), "xxxx");
}

TEST(ScanToolCalls, StartedByPkexecItTakesOnlyTheCallOfTheWindow) {
    TempTree t;
    t.file("a", 4096);
    std::ofstream(t.path("gut.json")) << R"([1,0,{},[{"name":"/r"}]])";
    setenv("PKEXEC_UID", "1000", 1);
    const Outcome scan = run({"--export", "-", "--quiet", t.root()});
    const std::string refusal =
        "raumfuchs-scan: als Administrator (über pkexec) nur „--export - "
        "--quiet PFAD“ mit absolutem PFAD\nMehr dazu: raumfuchs-scan "
        "--help\n";
    EXPECT_TRUE(exitedWith(scan, 0)) << scan.err;
    EXPECT_TRUE(scan.out.starts_with("[1,")) << scan.out;
    EXPECT_NE(scan.out.find("\"name\":\"a\""), std::string::npos);
    EXPECT_EQ(scan.err, "");
    for (const std::vector<std::string>& refused : std::vector<std::vector<std::string>>{
             {"--import", t.path("gut.json")},
             {"--export", t.path("neu.json"), "--quiet", t.root()},
             {"--export", "-", "--quiet", "--import", t.path("gut.json")},
             {"--export", "-", "--quiet", "--threads=2", t.root()},
             {"--quiet", "--export", "-", t.root()},
             {"--json", t.root()},
             {"--export", "-", "--quiet", "tmp"},
             {"--help"}}) {
        SCOPED_TRACE(::testing::PrintToString(refused));
        const Outcome got = run(refused);
        EXPECT_TRUE(exitedWith(got, 2));
        EXPECT_EQ(got.out, "");
        EXPECT_EQ(got.err, refusal);
    }
    unsetenv("PKEXEC_UID");
    EXPECT_FALSE(std::filesystem::exists(t.path("neu.json")));
}

// The number after the first `key` in a JSON text.
long long numberAfter(const std::string& json, const std::string& key) {
    const std::size_t at = json.find("\"" + key + "\":");
    return at == std::string::npos ? -1 : std::stoll(json.substr(at + key.size() + 3));
}

// A changed tree against its first state, kept by this program and by ncdu:
// the total change is the difference of the totals, the root's changed
// children come largest change first with their state, and an import compares
// as a scan does.
TEST(ScanTool, CompareReportsWhatChangedAgainstOurExportAndNcdus) {
    TempTree t;
    TempTree out;
    t.file("wächst/a", 40000);
    t.file("bleibt", 8000);
    t.file("schrumpft", 200000);
    t.file("weg/x", 60000);
    t.file("weg/y", 4000);
    const Outcome first = run({"-q", "--export", out.path("alt.json.zst"), t.root()});
    ASSERT_TRUE(exitedWith(first, 0)) << first.err;
    const bool withNcdu = !test::commandOutput("command -v ncdu").empty();
    if (withNcdu) {
        test::commandOutput("ncdu -0 -x -o '" + out.path("ncdu.json") + "' '" + t.root() + "'");
    }
    const std::string before = run({"--json", t.root()}).out;

    t.file("wächst/a", 400000);
    t.file("wächst/b", 100000);
    t.file("schrumpft", 20000);
    test::commandOutput("rm -r '" + t.path("weg") + "'");
    t.file("neu/z", 12000);
    t.hardLink("neu/z", "neu/z2");  // counted once
    const std::string after = run({"--json", t.root()}).out;
    const long long delta = numberAfter(after, "bytes") - numberAfter(before, "bytes");

    std::vector<std::string> baselines{out.path("alt.json.zst")};
    if (withNcdu) {
        baselines.push_back(out.path("ncdu.json"));
    }
    for (const std::string& baseline : baselines) {
        SCOPED_TRACE(baseline);
        const Outcome compared = run({"-Jq", "--top", "3", "--compare", baseline, t.root()});
        ASSERT_TRUE(exitedWith(compared, 0)) << compared.err;
        const std::size_t member = compared.out.find(",\"comparison\":");
        ASSERT_NE(member, std::string::npos) << compared.out;
        const std::string c = compared.out.substr(member);
        EXPECT_NE(c.find("{\"baseline\":{\"path\":\"" + t.root() + "\""), std::string::npos) << c;
        EXPECT_EQ(numberAfter(c, "bytes"), numberAfter(before, "bytes"));
        EXPECT_EQ(numberAfter(c, "files"), 5);
        EXPECT_EQ(numberAfter(c.substr(c.find("},")), "delta"), delta);
        EXPECT_EQ(numberAfter(c, "filesDelta"), 1);  // +b, −x, −y, +z, +z2
        // "bleibt" is unchanged; three of the four others, largest change first,
        // each with its figures.
        std::vector<std::string> changes;
        const std::string name = "{\"name\":\"";
        for (std::size_t at = c.find(name); at != std::string::npos; at = c.find(name, at + 1)) {
            const std::string entry = c.substr(at, c.find('}', at) - at);
            const std::size_t state = entry.find("\"state\":\"") + 9;
            const long long was = numberAfter(entry, "before");
            const long long is = numberAfter(entry, "after");
            EXPECT_EQ(numberAfter(entry, "delta"), is - was) << entry;
            changes.push_back(
                entry.substr(name.size(), entry.find('"', name.size()) - name.size()) + " " +
                entry.substr(state, entry.find('"', state) - state) + (is == 0 ? " to 0" : ""));
        }
        EXPECT_EQ(changes, (std::vector<std::string>{"wächst grown", "schrumpft shrunk",
                                                     "weg removed to 0"}));
        EXPECT_EQ(c.find("bleibt"), std::string::npos);
        EXPECT_EQ(c.find("\"neu\""), std::string::npos);  // the fourth, over --top
    }
    // An export read back compares as the scan it holds; the text says the same.
    run({"-q", "--export", out.path("neu.json"), t.root()});
    const Outcome imported =
        run({"--compare", out.path("alt.json.zst"), "--import", out.path("neu.json")});
    ASSERT_TRUE(exitedWith(imported, 0)) << imported.err;
    EXPECT_NE(imported.out.find("Vergleich:    „" + out.path("alt.json.zst") + "“, Scan vom "),
              std::string::npos)
        << imported.out;
    EXPECT_NE(imported.out.find("Veränderung:  +"), std::string::npos);
    EXPECT_NE(imported.out.find("  neu          neu/\n"), std::string::npos) << imported.out;
    EXPECT_NE(imported.out.find("  entfernt     weg/\n"), std::string::npos);
}

// Root may list any folder: as root, the program runs as "nobody" where an
// ordinary user is meant, for whom mode 000 means what it says.
TEST(ScanTool, ALockedFolderIsAResultAndAMountPointExplainsWhatItsScanCannotFind) {
    TempTree store;
    TempTree t;
    t.file("gesperrt/innen", 4096);
    ASSERT_EQ(chmod(t.root().c_str(), 0755), 0);
    ASSERT_EQ(chmod(t.path("gesperrt").c_str(), 0), 0);
    const uid_t user = geteuid() == 0 ? 65534 : 0;
    const Outcome locked = run({t.path("gesperrt")}, "", user);
    EXPECT_TRUE(exitedWith(locked, 0)) << locked.status << locked.err;
    EXPECT_NE(locked.out.find("Nicht lesbar: 1\n"), std::string::npos) << locked.out;
    EXPECT_NE(locked.out.find("Dateien:      0\n"), std::string::npos) << locked.out;
    const Outcome below = run({t.path("gesperrt/innen")}, "", user);
    EXPECT_TRUE(exitedWith(below, 1)) << below.status;
    EXPECT_EQ(below.err, "„" + t.path("gesperrt/innen") +
                             "“ konnte nicht gelesen werden: keine Berechtigung.\n");

    t.folder("vol");
    const test::ScopedMount volume = test::ScopedMount::ext4(store.path("vol.img"), t.path("vol"));
    if (!volume.mounted()) {
        GTEST_SKIP() << volume.failed();
    }
    t.file("vol/ordner/daten", 200'000);
    t.folder("vol/darunter");
    const test::ScopedMount cover = test::ScopedMount::tmpfs(t.path("vol/darunter"));
    ASSERT_TRUE(cover.mounted()) << cover.failed();
    sync();

    const Outcome json = run({"--json", t.path("vol")});
    ASSERT_TRUE(exitedWith(json, 0)) << json.err;
    const std::string parts =
        "\"unattributed\":{\"reserved\":" + std::to_string(reservedBytes(t.path("vol"))) +
        ",\"deletedOpen\":0,\"underMounts\":0,\"rest\":";
    const std::size_t at = json.out.find(parts);
    ASSERT_NE(at, std::string::npos) << json.out;
    // A fresh volume holds little besides the reserve: its metadata.
    EXPECT_LE(std::stoll(json.out.substr(at + parts.size())), 64 * 1024) << json.out;
    const Outcome folder = run({"--json", t.path("vol/ordner")});
    EXPECT_EQ(folder.out.find("unattributed"), std::string::npos);

    // Not as root: nothing can be looked at below mount points, and other
    // users' processes cannot be asked.
    const Outcome asUser = run({t.path("vol")}, "", user);
    EXPECT_TRUE(exitedWith(asUser, 0)) << asUser.err;
    for (const char* line :
         {"  unter Einhängepunkten:   nicht gemessen – Nur mit Administratorrechten messbar",
          "  nicht prüfbare Prozesse: ", "  Rest:                    "}) {
        EXPECT_NE(asUser.out.find(line), std::string::npos) << line << "\n" << asUser.out;
    }
}

// Whether SIGINT is set in the mask `field` ("SigCgt:", "ShdPnd:") of the process.
bool interruptIn(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(field)) {
            return (std::stoull(line.substr(7), nullptr, 16) & (1ull << (SIGINT - 1))) != 0;
        }
    }
    return false;
}

TEST(ScanTool, CtrlCCancelsTheScanAndASecondEndsOneThatCannotReachACheckpoint) {
    // A terminal whose output is held (Ctrl-S) stops the program at its first
    // progress line. A Ctrl-C cancels the scan, which stops at its next
    // checkpoint once the terminal goes on; while it stays held, the second
    // Ctrl-C must end the program.
    for (const bool again : {false, true}) {
        test::PseudoTerminal terminal;
        ASSERT_EQ(tcflow(terminal.side, TCOOFF), 0);
        TempTree io;
        const pid_t pid = start({"/usr"}, io.path("out"), terminal.side);
        EXPECT_TRUE(test::waitFor([&] { return interruptIn(pid, "SigCgt:"); }, 10000));
        kill(pid, SIGINT);
        EXPECT_TRUE(test::waitFor([&] { return !interruptIn(pid, "ShdPnd:"); }, 10000));
        again ? kill(pid, SIGINT) : tcflow(terminal.side, TCOON);
        int status = 0;
        const bool ended =
            test::waitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 10000);
        if (!ended) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        EXPECT_TRUE(ended) << again;
        EXPECT_TRUE(again ? WIFSIGNALED(status) && WTERMSIG(status) == SIGINT
                          : WIFEXITED(status) && WEXITSTATUS(status) == 130)
            << status;
        EXPECT_TRUE(again || terminal.drain().ends_with("Scan abgebrochen.\n"));
    }
}

TEST(ScanTool, ProgressOnATerminalOnlyAndNotWhenQuiet) {
    // On a terminal 40 columns wide, a scan of /usr (seconds long) draws its
    // progress line in place and wipes it before the result is printed.
    const auto onTerminal = [](const std::vector<std::string>& arguments) {
        test::PseudoTerminal terminal(40);
        TempTree io;
        const pid_t pid = start(arguments, io.path("out"), terminal.side);
        Outcome result;
        result.err = terminal.drain();
        waitpid(pid, &result.status, 0);
        result.out = test::fileContents(io.path("out"));
        return result;
    };
    const Outcome live = onTerminal({"--top", "1", "/usr"});
    EXPECT_TRUE(exitedWith(live, 0)) << live.status;
    EXPECT_TRUE(live.out.starts_with("Pfad:         /usr\n")) << live.out;
    const std::string wipe = "\r\033[K";
    ASSERT_TRUE(live.err.starts_with(wipe)) << live.err;
    EXPECT_TRUE(live.err.ends_with(wipe));
    // Several lines drawn; their width is ProgressLine's (see its test).
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = live.err.find(wipe, at)) != std::string::npos; ++lines) {
        at += wipe.size();
    }
    EXPECT_GE(lines, 2u) << live.err;

    // Quiet, or not on a terminal: nothing on standard error.
    for (const Outcome& silent :
         {onTerminal({"--quiet", "--top", "1", "/usr"}), run({"--top", "1", "/usr"})}) {
        EXPECT_TRUE(exitedWith(silent, 0)) << silent.status;
        EXPECT_EQ(silent.err, "");
    }
}

}  // namespace
}  // namespace raumfuchs
