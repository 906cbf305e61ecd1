// Reading the export a command writes while it runs: the tree of a whole
// export, the command's last words when its output breaks off, a cancel that
// ends even a command that ignores SIGTERM, and nothing left behind.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <thread>

#include "core/ncdu/CommandImport.h"
#include "core/ncdu/NcduExport.h"
#include "core/scan/DiskScanner.h"
#include "support/Processes.h"
#include "support/TempTree.h"

namespace raumfuchs {
namespace {

CommandImport run(const std::string& script, const CancelToken& token = CancelToken()) {
    return importCommand({"sh", "-c", script}, {"RAUMFUCHS_TEST_WORD=Wort"}, token, {});
}

TEST(CommandImport, ReadsAWholeExportAndNamesWhatWentWrong) {
    const std::vector<std::string> fdsBefore = test::openDescriptors();
    test::TempTree dir;
    dir.file("Daten/a.bin", 64 * 1024);
    dir.file("Daten/Fotos/b.jpg", 32 * 1024);
    const std::string file = dir.path("export.json");
    const auto scanned = DiskScanner::scan(dir.path("Daten"), "Daten", CancelToken(), {});
    ASSERT_TRUE(scanned);
    ASSERT_EQ(exportNcdu(scanned->root.tree(), file, {"0.1", 1700000000, {}, false}, CancelToken()),
              0);

    // Written in small pieces with pauses, as a scan over a network comes.
    const CommandImport whole = run("dd if='" + file +
                                    "' bs=7 status=none | while IFS= read -r l;"
                                    " do printf '%s\\n' \"$l\"; sleep 0.01; done");
    ASSERT_TRUE(whole.succeeded()) << whole.reading.refusal << " / " << whole.lastErrorLine;
    EXPECT_EQ(whole.reading.scan->result.root.size(), scanned->root.size());
    EXPECT_EQ(whole.reading.scan->result.root.fileCount(), 2);
    EXPECT_EQ(whole.reading.scan->timestamp, 1700000000);

    // Half the output, then the command's complaint and its failure; the
    // environment given reaches it.
    const std::string half = std::to_string(test::fileContents(file).size() / 2);
    const CommandImport broken =
        run("head -c " + half + " '" + file +
            "'; echo 'erste Zeile' >&2;"
            " printf 'scanner: %s verloren\\n\\n  \\n' \"$RAUMFUCHS_TEST_WORD\" >&2; exit 3");
    EXPECT_FALSE(broken.succeeded());
    EXPECT_FALSE(broken.cancelled);
    EXPECT_TRUE(broken.exitedWith(3));
    EXPECT_NE(broken.reading.refusal.find("die Datei endet"), std::string::npos)
        << broken.reading.refusal;
    EXPECT_EQ(broken.lastErrorLine, "scanner: Wort verloren");

    // A whole export from a command that fails is no success; nor is nothing.
    EXPECT_FALSE(run("cat '" + file + "'; exit 1").succeeded());
    const CommandImport silent = run("echo 'Permission denied (publickey).' >&2; exit 255");
    EXPECT_TRUE(silent.reading.refusedAtStart);
    EXPECT_EQ(silent.reading.refusal, "ist leer");
    EXPECT_EQ(silent.lastErrorLine, "Permission denied (publickey).");

    // Output that is no export: the command is stopped rather than read on.
    const CommandImport garbage = run("trap '' TERM; yes 'kein JSON'");
    EXPECT_FALSE(garbage.reading.refusal.empty());
    EXPECT_FALSE(garbage.succeeded());

    EXPECT_EQ(importCommand({"raumfuchs-kein-solches-programm"}, {}, CancelToken(), {}).startError,
              ENOENT);
    EXPECT_TRUE(test::processes(getpid()).empty());
    EXPECT_EQ(test::openDescriptors(), fdsBefore);
}

TEST(CommandImport, CancelEndsTheCommandAndWhatItStarted) {
    const std::vector<std::string> fdsBefore = test::openDescriptors();
    test::TempTree dir;
    const std::string marker = dir.path("wartet");
    // Ignores SIGTERM and writes nothing after the header, so only SIGKILL
    // ends it; its child sleeps in the same group.
    CancelToken token;
    CommandImport outcome;
    std::thread reader([&] {
        outcome =
            run("trap '' TERM; printf '[1,2,{\"progname\":\"x\"},\\n';"
                " sh -c 'sleep 300; :' " +
                    marker + "; :",
                token);
    });
    ASSERT_TRUE(test::waitFor([&] { return !test::processes(0, marker).empty(); }));
    token.cancel();
    reader.join();
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_FALSE(outcome.reading.scan);
    EXPECT_TRUE(WIFSIGNALED(outcome.status) && WTERMSIG(outcome.status) == SIGKILL);
    // Its child, killed with the group, may take a moment to go.
    EXPECT_TRUE(test::waitFor([&] { return test::processes(0, marker).empty(); }));
    EXPECT_TRUE(test::processes(getpid()).empty());
    EXPECT_EQ(test::openDescriptors(), fdsBefore);
}

}  // namespace
}  // namespace raumfuchs
