#include "app/remote/StreamCommands.h"

#include <sys/wait.h>

#include <QCoreApplication>
#include <QFile>

#include "core/system/ErrnoText.h"
#include "core/text/Utf8.h"

namespace raumfuchs {

namespace {

QString text(const std::string& bytes) {
    return QString::fromStdString(decodeUtf8Lossy(bytes));
}

// pkexec's exit status when the user dismissed its dialog or may not run the program.
constexpr int kPkexecRefused = 126;

// The path as the remote shell takes it: "~" stays the home folder there.
std::string remotePathWord(const std::string& path) {
    if (path == "~") {
        return "\"$HOME\"";
    }
    if (path.starts_with("~/")) {
        return "\"$HOME\"" + shellQuoted(path.substr(1));
    }
    return shellQuoted(path);
}

// Run by the remote login shell: the scanner there, or the reason why none.
std::string remoteScript(const std::string& path) {
    const std::string word = remotePathWord(path);
    return "if command -v raumfuchs-scan >/dev/null 2>&1; then exec raumfuchs-scan --export - "
           "--quiet " +
           word + "; fi; if command -v ncdu >/dev/null 2>&1; then exec ncdu -0 -x -o- " + word +
           "; fi; echo " + shellQuoted(kNoScannerLine) + " >&2; exit 127";
}

}  // namespace

StreamLaunchers StreamLaunchers::installed() {
    StreamLaunchers launchers;
    const QString program = QCoreApplication::applicationFilePath();
    launchers.askpass = QFile::encodeName(program).toStdString();
    launchers.scanner = QFile::encodeName(QCoreApplication::applicationDirPath() +
                                          QStringLiteral("/raumfuchs-scan"))
                            .toStdString();
    return launchers;
}

std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

StreamCommand streamCommand(const std::optional<RemoteAddress>& remote, const std::string& path,
                            const StreamLaunchers& launchers) {
    StreamCommand command;
    if (remote) {
        const RemoteAddress& address = *remote;
        command.argv = launchers.ssh;
        // Only the scan's output comes back: no terminal, no X11, no agent
        // and no ports handed to the other side.
        command.argv.insert(command.argv.end(),
                            {"-T", "-x", "-a", "-o", "ClearAllForwardings=yes"});
        if (!address.user.empty()) {
            command.argv.insert(command.argv.end(), {"-l", address.user});
        }
        if (address.port != 0) {
            command.argv.insert(command.argv.end(), {"-p", std::to_string(address.port)});
        }
        // "--": whatever the host is called, it is never read as an option.
        command.argv.insert(command.argv.end(), {"--", address.host, remoteScript(path)});
        // ssh asks for passwords and about unknown host keys through this
        // program, in a dialog, whether or not a terminal is at hand.
        command.environment = {"SSH_ASKPASS=" + launchers.askpass, "SSH_ASKPASS_REQUIRE=force",
                               std::string(kAskpassVariable) + "=1"};
        return command;
    }
    command.argv = launchers.elevate;
    command.argv.insert(command.argv.end(), {launchers.scanner, "--export", "-", "--quiet", path});
    return command;
}

QString streamFailure(const CommandImport& outcome, const std::optional<RemoteAddress>& remote,
                      const std::string& path) {
    const QString lastLine = text(outcome.lastErrorLine);
    if (remote) {
        const QString host = text(remote->label());
        if (outcome.startError != 0) {
            return QStringLiteral("Um „%1“ zu erreichen, fehlt ssh (%2).")
                .arg(host, text(errnoText(outcome.startError)));
        }
        if (outcome.lastErrorLine == kNoScannerLine) {
            return QStringLiteral("Auf „%1“ ist weder raumfuchs-scan noch ncdu installiert.")
                .arg(host);
        }
    } else if (outcome.startError != 0) {
        return QStringLiteral("Zum Scannen als Administrator fehlt pkexec (%1).")
            .arg(text(errnoText(outcome.startError)));
    } else if (outcome.exitedWith(kPkexecRefused)) {
        return QStringLiteral(
                   "„%1“ wurde nicht als Administrator gescannt: Die Anmeldung wurde "
                   "abgebrochen oder abgelehnt.")
            .arg(text(path));
    }
    const QString what =
        remote ? QStringLiteral("Der Scan von „%1“").arg(text(remote->origin(path)))
               : QStringLiteral("Der Scan von „%1“ als Administrator").arg(text(path));
    if (outcome.reading.outOfMemory) {
        return what + QStringLiteral(" ist zu groß für den freien Speicher.");
    }
    // Output that began as an export and did not end as one broke off.
    const bool brokeOff = !outcome.reading.scan && !outcome.reading.refusedAtStart;
    QString message =
        what + (brokeOff ? QStringLiteral(" brach ab") : QStringLiteral(" ist fehlgeschlagen"));
    if (!lastLine.isEmpty()) {
        return message + QStringLiteral(": „%1“.").arg(lastLine);
    }
    if (!outcome.reading.refusal.empty() && !outcome.reading.refusedAtStart) {
        return message + QStringLiteral(": %1.").arg(text(outcome.reading.refusal));
    }
    if (WIFEXITED(outcome.status) && WEXITSTATUS(outcome.status) != 0) {
        return message + QStringLiteral(" (Rückgabewert %1).").arg(WEXITSTATUS(outcome.status));
    }
    if (WIFSIGNALED(outcome.status)) {
        return message +
               QStringLiteral(" (beendet durch Signal %1).").arg(WTERMSIG(outcome.status));
    }
    return message + QStringLiteral(": Die Ausgabe war leer.");
}

}  // namespace raumfuchs
