// The peer of the start-up figure: a bare Qt program that shows one empty window and quits.
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_ENABLE_HIGHDPI_SCALING"))
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication app(argc, argv);
    QWidget window;
    window.resize(544, 432);
    struct Filter : QObject {
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Show)
                QTimer::singleShot(0, qApp, &QCoreApplication::quit);
            return false;
        }
    } filter;
    window.installEventFilter(&filter);
    window.show();
    return app.exec();
}
