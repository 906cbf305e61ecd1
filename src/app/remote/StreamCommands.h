#pragma once

#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "app/remote/RemoteAddress.h"
#include "core/ncdu/CommandImport.h"

namespace raumfuchs {

// A command whose standard output is a scan in ncdu's format.
struct StreamCommand {
    std::vector<std::string> argv;
    std::vector<std::string> environment;  // "NAME=value", added to the program's
};

// The programs that streamed scans run: the system's ssh and pkexec, and
// this program's own raumfuchs-scan and askpass. Tests put other launchers
// in (a private ssh configuration, setpriv in place of pkexec).
struct StreamLaunchers {
    std::vector<std::string> ssh{"ssh"};
    std::vector<std::string> elevate{"pkexec"};
    std::string scanner;  // absolute: the raumfuchs-scan installed beside this program
    std::string askpass;  // absolute: this program, which answers ssh's questions

    // Beside the running program.
    static StreamLaunchers installed();
};

// Set to "1" for the program that ssh runs as its askpass: `raumfuchs PROMPT`
// then asks the user and prints the answer.
inline constexpr const char* kAskpassVariable = "RAUMFUCHS_ASKPASS";

// The remote side's own words when it has no scanner, as its last error line.
inline constexpr const char* kNoScannerLine = "raumfuchs: weder raumfuchs-scan noch ncdu";

// `text` as one word of a POSIX shell.
std::string shellQuoted(const std::string& text);

// What scans `path` as a stream: on `remote` over ssh, where the remote login
// shell runs raumfuchs-scan if it is on PATH, else ncdu; without `remote`,
// the installed raumfuchs-scan as administrator through pkexec.
StreamCommand streamCommand(const std::optional<RemoteAddress>& remote, const std::string& path,
                            const StreamLaunchers& launchers);

// The German alert for a streamed scan of `path` (on `remote`, else as
// administrator) that did not succeed and was not cancelled: what failed,
// with the command's last error line quoted.
QString streamFailure(const CommandImport& outcome, const std::optional<RemoteAddress>& remote,
                      const std::string& path);

}  // namespace raumfuchs
