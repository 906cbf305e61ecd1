#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "app/AppModel.h"
#include "platform/LinuxDesktopServices.h"
#include "ui/shell/MainWindow.h"

class QApplication;

namespace raumfuchs {

// The application: the one model, the single window and the commands that
// belong to the application rather than to a screen.
class RaumfuchsApp : public QObject {
    Q_OBJECT
  public:
    // `arguments` are the process's own, taken before QApplication edits argv.
    explicit RaumfuchsApp(std::vector<std::string> arguments);

    // Name, version, icon, German locale and Qt's German translations.
    static void configure(QApplication& application);

    void show();
    MainWindow& window() { return window_; }
    AppModel& model() { return model_; }

    // Where the licence notices lie: beside the program in the build, under
    // share/raumfuchs once installed; the latter when neither exists.
    static QString licenceFile();

  private:
    void showAboutPanel();
    void openLicences();
    void scanFromLaunchArguments();

    std::vector<std::string> arguments_;
    LinuxDesktopServices services_;
    AppModel model_;
    MainWindow window_;
};

}  // namespace raumfuchs
