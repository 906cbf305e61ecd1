#include "ui/shell/RaumfuchsApp.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QSettings>
#include <QTranslator>

#include "app/launch/LaunchArguments.h"
#include "app/launch/LaunchTarget.h"
#include "core/text/Utf8.h"
#include "ui/shell/AboutDialog.h"
#include "ui/widgets/AppIcon.h"

#ifndef RAUMFUCHS_VERSION
#define RAUMFUCHS_VERSION "0.0.0"
#endif

namespace raumfuchs {

RaumfuchsApp::RaumfuchsApp(std::vector<std::string> arguments)
    : arguments_(std::move(arguments)),
      model_(services_),
      // The Go menu's "Änderungen live verfolgen", on unless switched off
      // before; set before the window shows it.
      window_((model_.setFollowingEnabled(
                   QSettings(QStringLiteral("Raumfuchs"), QStringLiteral("Raumfuchs"))
                       .value(QStringLiteral("followChanges"), true)
                       .toBool()),
               model_)) {
    connect(&window_, &MainWindow::firstShown, this, &RaumfuchsApp::scanFromLaunchArguments);
    connect(&window_, &MainWindow::aboutRequested, this, &RaumfuchsApp::showAboutPanel);
    connect(&window_, &MainWindow::licencesRequested, this, &RaumfuchsApp::openLicences);
}

void RaumfuchsApp::configure(QApplication& application) {
    QApplication::setApplicationName(QStringLiteral("Raumfuchs"));
    QApplication::setApplicationDisplayName(QStringLiteral("Raumfuchs"));
    QApplication::setApplicationVersion(QStringLiteral(RAUMFUCHS_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("raumfuchs"));
    QApplication::setWindowIcon(appIcon());

    // The interface is German whatever the machine's language; Qt's own
    // dialogs (file chooser, standard buttons) follow with its translations.
    const QLocale german(QLocale::German, QLocale::Germany);
    QLocale::setDefault(german);
    const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const QString& catalogue : {QStringLiteral("qtbase")}) {
        auto* translator = new QTranslator(&application);
        if (translator->load(german, catalogue, QStringLiteral("_"), translations)) {
            QApplication::installTranslator(translator);
        } else {
            delete translator;
        }
    }

    // Without a desktop session Qt knows no icon theme; look in Adwaita then.
    if (QIcon::fallbackThemeName().isEmpty() || QIcon::fallbackThemeName() == "hicolor") {
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    }
}

void RaumfuchsApp::show() {
    window_.show();
}

QString RaumfuchsApp::licenceFile() {
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString installed =
        QDir::cleanPath(programDir.filePath(QStringLiteral("../share/raumfuchs/Lizenzen.txt")));
    for (const QString& candidate :
         {programDir.filePath(QStringLiteral("Lizenzen.txt")), installed}) {
        if (QFileInfo(candidate).isFile()) {
            return QFileInfo(candidate).absoluteFilePath();
        }
    }
    return installed;
}

void RaumfuchsApp::showAboutPanel() {
    AboutDialog about(&window_);
    about.exec();
}

void RaumfuchsApp::openLicences() {
    model_.openLicences(QFile::encodeName(licenceFile()).toStdString());
}

void RaumfuchsApp::scanFromLaunchArguments() {
    if (const std::optional<ScanTarget> target = launchTarget(arguments_, services_)) {
        model_.startScan(*target);
    } else if (const auto path = LaunchArguments::scanPath(arguments_);
               path && path->starts_with("ssh://") && !LaunchArguments::openPath(arguments_)) {
        model_.setAlertMessage(QStringLiteral("„%1“ ist keine Adresse der Form "
                                              "ssh://[benutzer@]rechner[:port]/pfad.")
                                   .arg(QString::fromStdString(decodeUtf8Lossy(*path))));
    }
}

}  // namespace raumfuchs
