// The program's own start-up, up to its main window being shown, then quits:
// the same steps as main.cpp with the quiet simulated device.
#include "Forms.h"
#include "LazyIcon.h"
#include "Program.h"
#include "QuitWhenShown.h"
#include "Resources.h"
#include "XeltoBackends.h"

#include <QApplication>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_ENABLE_HIGHDPI_SCALING"))
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication app(argc, argv);
    QApplication::setWindowIcon(LazyIcon(Resources::ProgramIcon));
    XeltoBackends::Options device;
    device.backend = QStringLiteral("sim");
    XeltoBackends::Register(device);
    InitializeProgram();
    QuitWhenShown quit(Application()->MainForm());
    return Application()->Run();
}
