#pragma once

#include <QObject>
#include <QString>
#include <optional>

class QNetworkAccessManager;
class QWidget;

namespace raumfuchs {

// The program's own small update checker. It is active only when the build
// names both a feed address and a public key (CMake settings
// RAUMFUCHS_UPDATE_FEED_URL and RAUMFUCHS_UPDATE_PUBLIC_KEY, empty by
// default). A check reads the feed and tells whether a newer version exists;
// nothing is downloaded or installed by the program itself, so nothing is
// verified with the key: a key marks a build that is set up for updates.
class Updater : public QObject {
    Q_OBJECT
  public:
    // The build's own settings.
    explicit Updater(QObject* parent = nullptr);
    Updater(const QString& feedUrl, const QString& publicKey, QObject* parent = nullptr);

    bool isActive() const { return active_; }

    // A check the user asked for, with its own progress and result dialogs.
    // Without settings: the notice that updates are not set up, shown modally.
    void checkForUpdates(QWidget* parent);

    // The highest version an appcast feed offers, or nothing.
    static std::optional<QString> newestVersion(const QByteArray& feed);

  private:
    QString feedUrl_;
    bool active_ = false;
    QNetworkAccessManager* network_ = nullptr;
};

}  // namespace raumfuchs
