#include "Forms.h"
#include "LazyIcon.h"
#include "Program.h"
#include "Resources.h"
#include "SimProtocol.h"
#include "XeltoBackends.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // The windows are laid out in pixels and are not scaled to the screen's density.
    if (!qEnvironmentVariableIsSet("QT_ENABLE_HIGHDPI_SCALING"))
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication app(argc, argv);
    QApplication::setWindowIcon(LazyIcon(Resources::ProgramIcon));

    XeltoBackends::Options device;
    device.backend = XeltoBackends::BackendFromEnvironment();
    device.socketPath = SimProtocol::SocketPath();
    XeltoBackends::Register(device);

    InitializeProgram();
    const int result = Application()->Run();
    delete Application();
    return result;
}
