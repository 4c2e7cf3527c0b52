// A peer of the start-up figure: a bare Qt program that shows one empty window and quits.
#include "QuitWhenShown.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_ENABLE_HIGHDPI_SCALING"))
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication app(argc, argv);
    QWidget window;
    window.resize(544, 432);
    QuitWhenShown quit(&window);
    window.show();
    return app.exec();
}
