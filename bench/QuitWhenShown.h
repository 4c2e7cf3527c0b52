#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

// Ends the start-up programs of the start-up figure: the event loop quits as
// soon as the watched window has been shown.
class QuitWhenShown : public QObject
{
public:
    explicit QuitWhenShown(QObject* window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return false;
    }
};
