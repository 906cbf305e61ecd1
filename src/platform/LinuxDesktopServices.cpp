#include "platform/LinuxDesktopServices.h"

#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QStringList>

#include <unistd.h>

#include <algorithm>

#include "core/history/ScanHistory.h"
#include "core/text/PathText.h"
#include "platform/LinuxVolumes.h"

namespace raumfuchs {
LinuxDesktopServices::LinuxDesktopServices() : trash_(FreedesktopTrash::forCurrentUser()) {}

QUrl LinuxDesktopServices::fileUrl(const std::string& path) {
    return QUrl::fromEncoded(QByteArray::fromStdString(PathText::fileUri(path)));
}

bool LinuxDesktopServices::moveToTrash(const DesktopItem& item) {
    return trash_.moveToTrash(item.path).has_value();
}

void LinuxDesktopServices::reveal(const std::vector<DesktopItem>& items,
                                  std::function<void()> failed) {
    if (items.empty()) {
        return;
    }
    QStringList uris;
    std::vector<std::string> folders;  // each containing folder once, in order
    for (const DesktopItem& item : items) {
        uris << QString::fromStdString(
            PathText::fileUri(PathText::withoutTrailingSlashes(item.path)));
        const std::string folder = PathText::parentFolder(item.path);
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
            folders.push_back(folder);
        }
    }
    // Without a file manager: the containing folders, in whatever program
    // opens folders; a failure when not one of them could be opened.
    const auto openFolders = [folders, failed = std::move(failed)] {
        bool opened = false;
        for (const std::string& folder : folders) {
            opened = QDesktopServices::openUrl(fileUrl(folder)) || opened;
        }
        if (!opened && failed) {
            failed();
        }
    };
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFolders();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << uris << QString();
    // Asynchronous, so that a file manager being started does not freeze the
    // window. Only a refusal (no such service, no such method) falls back to
    // the folders; a late answer may still have been carried out.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [openFolders](QDBusPendingCallWatcher* finished) {
                         const QDBusError error = finished->error();
                         if (error.isValid() && error.type() != QDBusError::NoReply &&
                             error.type() != QDBusError::Timeout) {
                             openFolders();
                         }
                         finished->deleteLater();
                     });
}

bool LinuxDesktopServices::open(const DesktopItem& item) {
    return QDesktopServices::openUrl(fileUrl(item.path));
}

void LinuxDesktopServices::setClipboardText(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
}

std::optional<std::string> LinuxDesktopServices::chooseFolder() {
    QFileDialog dialog(QApplication::activeWindow(),
                       QStringLiteral("Wähle einen Ordner, den Raumfuchs vermessen soll."),
                       QDir::homePath());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Scannen"));
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return QFile::encodeName(chosen.front()).toStdString();
}

std::optional<std::string> LinuxDesktopServices::chooseExport() {
    QFileDialog dialog(QApplication::activeWindow(),
                       QStringLiteral("Wähle eine Scan-Datei (ncdu-Export), die Raumfuchs "
                                      "öffnen soll."),
                       QDir::homePath());
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // ncdu prescribes no extension; these are the usual ones.
    dialog.setNameFilters(
        {QStringLiteral("Scan-Dateien (*.json *.ncdu *.zst)"), QStringLiteral("Alle Dateien (*)")});
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Öffnen"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

std::optional<std::string> LinuxDesktopServices::chooseSaveFile(const QString& suggestedName) {
    const QString plain = QStringLiteral("ncdu-Export (*.json)");
    const QString packed = QStringLiteral("ncdu-Export, mit zstd gepackt (*.json.zst)");
    // Qt's own dialog swaps the last suffix alone when the filter changes
    // ("a.json" to "a.zst", "a.json.zst" to "a.json.json"): every ".json" and
    // ".zst" at the end goes, the filter's pair comes.
    const auto withExtension = [](QString name, bool zstd) {
        while (name.endsWith(QStringLiteral(".json")) || name.endsWith(QStringLiteral(".zst"))) {
            name.chop(name.endsWith(QStringLiteral(".zst")) ? 4 : 5);
        }
        return name + (zstd ? QStringLiteral(".json.zst") : QStringLiteral(".json"));
    };
    // A name, not a path: the root of the system is shown as "/".
    QString name = QString(suggestedName).replace(QLatin1Char('/'), QLatin1Char(' ')).trimmed();
    if (name.isEmpty()) {
        name = QStringLiteral("Scan");
    }
    QFileDialog dialog(QApplication::activeWindow(), QStringLiteral("Scan speichern"),
                       QDir::home().filePath(withExtension(name, false)));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({plain, packed});
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Speichern"));
    // The filter chosen is the extension of the name, which decides the packing.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        const QStringList chosen = dialog.selectedFiles();
        if (!chosen.isEmpty()) {
            dialog.selectFile(
                withExtension(QFileInfo(chosen.front()).fileName(), filter == packed));
        }
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    QString file = dialog.selectedFiles().front();
    if (!file.endsWith(QStringLiteral(".json")) && !file.endsWith(QStringLiteral(".json.zst"))) {
        file = withExtension(file, dialog.selectedNameFilter() == packed);
    }
    return QFile::encodeName(file).toStdString();
}

QString LinuxDesktopServices::displayName(const std::string& path) {
    return QString::fromStdString(PathText::lastComponent(path));
}

std::string LinuxDesktopServices::homePath() {
    return QFile::encodeName(QDir::homePath()).toStdString();
}

std::optional<std::string> LinuxDesktopServices::downloadsPath() {
    const QString location = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (location.isEmpty() || !QFileInfo(location).isDir()) {
        return std::nullopt;
    }
    return QFile::encodeName(location).toStdString();
}

std::vector<VolumeInfo> LinuxDesktopServices::mountedVolumes() {
    return mountedLinuxVolumes();
}

bool LinuxDesktopServices::runsAsAdministrator() {
    return ::geteuid() == 0;
}

std::string LinuxDesktopServices::historyFolder() {
    return ScanHistory::defaultFolder();
}

}  // namespace raumfuchs
