// A program that ends while its tray icon and timers are still alive, as a
// program does that never frees its windows: either by returning from main
// (the application object goes first, then the process's static objects) or
// by calling exit() from inside the message loop, as Qt does when the X server
// goes away. Either way the process must end with its own status, not a signal.
#include "NotifyAreaIcon.h"
#include "SimpleTimer.h"

#include <QApplication>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const bool exitFromLoop = argc > 1 && std::strcmp(argv[1], "exit") == 0;
    QApplication app(argc, argv);

    // Neither is ever freed. The icon's exit poll keeps a second timer running.
    auto* icon = new TNotifyAreaIcon();
    icon->SetWantEnterExitEvents(true);
    icon->SetIconVisible(true);
    auto* timer = new TSimpleTimer(1, [exitFromLoop](TObject*) {
        if (exitFromLoop)
            std::exit(0);
        QCoreApplication::quit();
    });
    timer->SetEnabled(true);
    return QApplication::exec();
}
