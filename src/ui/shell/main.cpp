#include <QApplication>
#include <cstdlib>
#include <string_view>

#include "app/launch/LaunchArguments.h"
#include "app/launch/LaunchTarget.h"
#include "app/remote/StreamCommands.h"
#include "ui/remote/AskpassDialog.h"
#include "ui/shell/RaumfuchsApp.h"

int main(int argc, char* argv[]) {
    // Started by ssh during a remote scan, to ask the user what ssh asks.
    if (const char* askpass = std::getenv(raumfuchs::kAskpassVariable);
        askpass != nullptr && std::string_view(askpass) == "1") {
        int toolkitArgc = 1;  // the prompt is no option of Qt's
        QApplication application(toolkitArgc, argv);
        raumfuchs::RaumfuchsApp::configure(application);
        return raumfuchs::AskpassDialog::run(argc > 1 ? QString::fromLocal8Bit(argv[1])
                                                      : QString());
    }
    // Ours are read from the whole argv; Qt acts on the options it knows, so
    // it never sees the path after "--scan" ("-reverse" would mirror the window).
    std::vector<std::string> arguments = raumfuchs::argumentBytes(argc, argv);
    std::vector<char*> toolkitArgv = raumfuchs::LaunchArguments::toolkitArguments(argc, argv);
    int toolkitArgc = static_cast<int>(toolkitArgv.size()) - 1;
    QApplication application(toolkitArgc, toolkitArgv.data());
    raumfuchs::RaumfuchsApp::configure(application);
    raumfuchs::RaumfuchsApp raumfuchs(std::move(arguments));
    raumfuchs.show();
    return QApplication::exec();
}
