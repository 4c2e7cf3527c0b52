// Drives a real TNotifyAreaIcon on an X11 desktop for tools/tray-desktop-check.sh:
// logs every event the component raises, one line each, and takes commands
// (one per line) from the file named by its first argument.

#include "Forms.h"
#include "NotifyAreaIcon.h"
#include "Platform.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QPixmap>
#include <QSocketNotifier>
#include <QTextStream>
#include <QWidget>

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

void say(const QString& line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

const char* buttonName(TMouseButton button)
{
    return button == mbLeft ? "left" : button == mbRight ? "right" : "middle";
}

// Reports the result of every add, so a re-add after a tray restart is visible.
class CheckedIcon : public TNotifyAreaIcon
{
public:
    using TNotifyAreaIcon::TNotifyAreaIcon;
    bool NotifyAdd() override
    {
        const bool added = TNotifyAreaIcon::NotifyAdd();
        say(QStringLiteral("NotifyAdd %1")
                .arg(added ? QStringLiteral("ok") : QStringLiteral("refused")));
        return added;
    }
};

// Qt would abort with a core dump on a display it cannot open.
bool x11ServerThere()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    XCloseDisplay(display);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // The check is about the X11 tray: the caller's choice of platform (the
    // unit tests' offscreen one, say) would keep the icon off the desktop.
    qputenv("QT_QPA_PLATFORM", "xcb");
    if (!x11ServerThere()) {
        const char* display = std::getenv("DISPLAY");
        std::fprintf(stderr, "tray-check: no X server at DISPLAY=%s\n", display ? display : "");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("traycheck"));
    if (argc < 2) {
        std::fprintf(stderr, "usage: tray-check COMMAND-FIFO\n");
        return 2;
    }

    QWidget form;
    form.setWindowTitle(QStringLiteral("Cihaz Test"));
    QMenu menu(&form);
    menu.addAction(
        QStringLiteral("Listeyi sil"), &menu, [] { say(QStringLiteral("Menu Listeyi sil")); });
    menu.addAction(QStringLiteral("Çıkış"), &app, &QApplication::quit);
    QObject::connect(&menu, &QMenu::aboutToShow, &menu, [] { say(QStringLiteral("PopupShown")); });
    QObject::connect(&menu, &QMenu::aboutToHide, &menu, [] { say(QStringLiteral("PopupHidden")); });

    auto* tray = new CheckedIcon(&form);
    tray->BeginLoading();
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::darkGreen);
    tray->Icon()->SetHandle(QIcon(pixmap));
    tray->SetHint(QStringLiteral("Caller ID Test"));
    tray->SetCycleInterval(400);
    tray->SetIconVisible(true);
    tray->SetPopupMenu(&menu);
    tray->SetWantEnterExitEvents(true);
    tray->OnClick = [](TObject*) { say(QStringLiteral("Click")); };
    tray->OnDblClick = [](TObject*) { say(QStringLiteral("DblClick")); };
    tray->OnMouseDown = [](TObject*, TMouseButton b, TShiftState, int, int) {
        say(QStringLiteral("MouseDown %1").arg(QLatin1String(buttonName(b))));
    };
    tray->OnMouseUp = [](TObject*, TMouseButton b, TShiftState, int, int) {
        say(QStringLiteral("MouseUp %1").arg(QLatin1String(buttonName(b))));
    };
    tray->OnMouseEnter = [](TObject*) { say(QStringLiteral("MouseEnter")); };
    tray->OnMouseExit = [](TObject*) { say(QStringLiteral("MouseExit")); };
    tray->OnBalloonHintShow = [](TObject*) { say(QStringLiteral("BalloonShow")); };
    tray->OnBalloonHintHide = [](TObject*) { say(QStringLiteral("BalloonHide")); };
    tray->OnBalloonHintTimeout = [](TObject*) { say(QStringLiteral("BalloonTimeout")); };
    tray->OnBalloonHintClick = [](TObject*) { say(QStringLiteral("BalloonClick")); };
    tray->EndLoading();

    // Commands: "balloon SECONDS TEXT" or "quit".
    const int fd = ::open(argv[1], O_RDWR | O_NONBLOCK);
    if (fd < 0) {
        std::perror("open");
        return 2;
    }
    QFile commands;
    commands.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered);
    QSocketNotifier notifier(fd, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
        char buffer[512];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            pending.append(buffer, n);
        int end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end)).trimmed();
            pending.remove(0, end + 1);
            if (line == QLatin1String("quit")) {
                app.quit();
            } else if (line.startsWith(QLatin1String("balloon "))) {
                const QStringList parts = line.split(QLatin1Char(' '));
                const auto seconds = quint8(parts.value(1).toUInt());
                const bool shown = tray->ShowBalloon(
                    QStringLiteral("Hat 1"), parts.mid(2).join(QLatin1Char(' ')), bikInfo, seconds);
                say(QStringLiteral("ShowBalloon %1")
                        .arg(shown ? QStringLiteral("true") : QStringLiteral("false")));
            }
        }
    });
    say(QStringLiteral("ready"));
    const int result = QApplication::exec();
    say(QStringLiteral("bye"));
    return result;
}
