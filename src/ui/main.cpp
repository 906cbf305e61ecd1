#include <QApplication>

#include "app/LaunchTarget.h"
#include "ui/RaumfuchsApp.h"

int main(int argc, char* argv[]) {
    // Read before QApplication removes the options it knows from argv.
    std::vector<std::string> arguments = raumfuchs::argumentBytes(argc, argv);
    QApplication application(argc, argv);
    raumfuchs::RaumfuchsApp::configure(application);
    raumfuchs::RaumfuchsApp raumfuchs(std::move(arguments));
    raumfuchs.show();
    return QApplication::exec();
}
