// A peer of the start-up figure: a Qt program that shows one window with one
// label and quits. Like the program, it pays for finding and loading fonts.
#include "QuitWhenShown.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_ENABLE_HIGHDPI_SCALING"))
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication app(argc, argv);
    QWidget window;
    window.resize(544, 432);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("Bağlantı bekleniyor"), &window));
    QuitWhenShown quit(&window);
    window.show();
    return app.exec();
}
