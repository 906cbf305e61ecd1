#include "ui/Updater.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProgressDialog>
#include <QVersionNumber>
#include <QXmlStreamReader>

#ifndef RAUMFUCHS_UPDATE_FEED_URL
#define RAUMFUCHS_UPDATE_FEED_URL ""
#endif
#ifndef RAUMFUCHS_UPDATE_PUBLIC_KEY
#define RAUMFUCHS_UPDATE_PUBLIC_KEY ""
#endif

namespace raumfuchs {

namespace {

void inform(QWidget* parent, const QString& text, const QString& details) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Raumfuchs"), text, QMessageBox::Ok,
                    parent);
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(details);
    box.exec();
}

}  // namespace

Updater::Updater(QObject* parent)
    : Updater(QStringLiteral(RAUMFUCHS_UPDATE_FEED_URL),
              QStringLiteral(RAUMFUCHS_UPDATE_PUBLIC_KEY), parent) {}

Updater::Updater(const QString& feedUrl, const QString& publicKey, QObject* parent)
    : QObject(parent), feedUrl_(feedUrl), active_(!feedUrl.isEmpty() && !publicKey.isEmpty()) {
    if (active_) {
        network_ = new QNetworkAccessManager(this);
    }
}

void Updater::checkForUpdates(QWidget* parent) {
    if (!active_) {
        inform(
            parent, QStringLiteral("Updates noch nicht eingerichtet"),
            QStringLiteral("Die automatische Update-Funktion ist in dieser Version nicht aktiv."));
        return;
    }
    auto* progress = new QProgressDialog(QStringLiteral("Suche nach Updates …"),
                                         QStringLiteral("Abbrechen"), 0, 0, parent);
    progress->setWindowTitle(QStringLiteral("Raumfuchs"));
    progress->setAttribute(Qt::WA_DeleteOnClose);
    progress->setMinimumDuration(0);
    QNetworkRequest request{QUrl(feedUrl_)};
    request.setTransferTimeout(30000);
    QNetworkReply* reply = network_->get(request);
    connect(progress, &QProgressDialog::canceled, reply, &QNetworkReply::abort);
    connect(reply, &QNetworkReply::finished, this, [reply, progress, parent] {
        reply->deleteLater();
        const bool cancelled = progress->wasCanceled();
        progress->close();
        if (cancelled) {
            return;
        }
        if (reply->error() != QNetworkReply::NoError) {
            inform(parent, QStringLiteral("Die Suche nach Updates ist fehlgeschlagen."),
                   reply->errorString());
            return;
        }
        const QString installed = QCoreApplication::applicationVersion();
        const std::optional<QString> newest = newestVersion(reply->readAll());
        if (newest && QVersionNumber::fromString(*newest) > QVersionNumber::fromString(installed)) {
            inform(parent, QStringLiteral("Raumfuchs %1 ist verfügbar.").arg(*newest),
                   QStringLiteral("Du verwendest Version %1.").arg(installed));
        } else {
            inform(parent, QStringLiteral("Raumfuchs ist auf dem neuesten Stand."),
                   QStringLiteral("Version %1 ist die neueste verfügbare Version.").arg(installed));
        }
    });
    progress->show();
}

std::optional<QString> Updater::newestVersion(const QByteArray& feed) {
    QXmlStreamReader xml(feed);
    std::optional<QString> best;
    auto consider = [&best](const QString& candidate) {
        const QString trimmed = candidate.trimmed();
        if (trimmed.isEmpty() || QVersionNumber::fromString(trimmed).isNull()) {
            return;
        }
        if (!best || QVersionNumber::fromString(trimmed) > QVersionNumber::fromString(*best)) {
            best = trimmed;
        }
    };
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const QStringView name = xml.name();
        if (name == QLatin1String("shortVersionString")) {
            consider(xml.readElementText());
        } else if (name == QLatin1String("enclosure")) {
            for (const QXmlStreamAttribute& attribute : xml.attributes()) {
                if (attribute.name() == QLatin1String("shortVersionString")) {
                    consider(attribute.value().toString());
                }
            }
        }
    }
    if (xml.hasError()) {
        return std::nullopt;
    }
    return best;
}

}  // namespace raumfuchs
