#include <QApplication>

#include "app/launch/LaunchArguments.h"
#include "app/launch/LaunchTarget.h"
#include "ui/shell/RaumfuchsApp.h"

int main(int argc, char* argv[]) {
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
