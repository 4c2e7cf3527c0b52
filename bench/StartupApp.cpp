// The program's own start-up, up to its main window being shown, then quits:
// the same steps as main.cpp with the quiet simulated device.
#include "Forms.h"
#include "Program.h"
#include "XeltoBackends.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_ENABLE_HIGHDPI_SCALING"))
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication app(argc, argv);
    XeltoBackends::Options device;
    device.backend = QStringLiteral("sim");
    XeltoBackends::Register(device);
    InitializeProgram();
    struct Filter : QObject {
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Show)
                QTimer::singleShot(0, qApp, &QCoreApplication::quit);
            return false;
        }
    } filter;
    Application()->MainForm()->installEventFilter(&filter);
    return Application()->Run();
}
