#include "DeviceSpec.h"
#include "EndSignals.h"
#include "EventLoopWatch.h"
#include "Forms.h"
#include "LazyIcon.h"
#include "ModemFinder.h"
#include "Program.h"
#include "Resources.h"
#include "SerialPorts.h"
#include "SimProtocol.h"
#include "XeltoBackends.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <memory>

namespace {

struct CommandLine
{
    QCommandLineParser parser;
    QCommandLineOption help { { QStringLiteral("h"), QStringLiteral("help") },
        QStringLiteral("Show this help and exit.") };
    QCommandLineOption version { { QStringLiteral("v"), QStringLiteral("version") },
        QStringLiteral("Show the version and exit.") };
    QCommandLineOption device { QStringLiteral("device"),
        QStringLiteral("The caller-ID device: auto (the default: find a real device), modem, "
                       "modem:PATH, ncid, ncid:HOST, ncid:HOST:PORT, unit:PATH (a multi-line "
                       "caller-ID unit on a serial port), unit-udp, unit-udp:PORT, "
                       "unit-udp:PORT@ADDRESS (Ethernet multi-line units, heard on UDP 3520 "
                       "unless PORT is given, from ADDRESS only if given), demo (a simulated "
                       "device that plays a demo), sim (a simulated device driven by "
                       "callerid-sim) or none. Wins over $CALLERID_DEVICE."),
        QStringLiteral("SPEC") };
    QCommandLineOption listPorts { QStringLiteral("list-ports"),
        QStringLiteral(
            "List the serial ports with what `auto` does with each and why, and exit.") };

    CommandLine()
    {
        parser.setApplicationDescription(QStringLiteral(
            "Caller ID Test: checks that a caller-ID device is connected and working."));
        parser.addOption(help);
        parser.addOption(version);
        parser.addOption(device);
        parser.addOption(listPorts);
    }
};

void printOut(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
}

void printError(const QString& text)
{
    std::fprintf(
        stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()), qPrintable(text));
}

QStringList rawArguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setApplicationName(QStringLiteral("callerid-test"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CALLERID_VERSION));

    // Help, version and the device are settled before the window system is
    // reached, so that they work without a display. Qt's own options (-platform,
    // -display, …) are only known once the application object has taken them.
    CommandLine early;
    early.parser.parse(rawArguments(argc, argv));
    if (early.parser.isSet(early.help)) {
        // Without an application object Qt does not know the program's name.
        QString help = early.parser.helpText();
        help.replace(QStringLiteral("<executable_name>"), QCoreApplication::applicationName());
        printOut(help);
        return 0;
    }
    if (early.parser.isSet(early.version)) {
        printOut(QStringLiteral("%1 %2\n").arg(
            QCoreApplication::applicationName(), QCoreApplication::applicationVersion()));
        return 0;
    }
    if (early.parser.isSet(early.listPorts)) {
        printOut(ModemFinder::listing(SerialPorts::scan()));
        return 0;
    }
    XeltoBackends::Options device;
    device.backend = early.parser.isSet(early.device) ? early.parser.value(early.device)
                                                      : XeltoBackends::BackendFromEnvironment();
    QString error;
    if (!DeviceSpec::parse(device.backend, &error)) {
        printError(error);
        return 2;
    }

    // The windows are laid out in pixels and are not scaled to the screen's density.
    if (!qEnvironmentVariableIsSet("QT_ENABLE_HIGHDPI_SCALING"))
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication app(argc, argv);
    CommandLine strict;
    if (!strict.parser.parse(QCoreApplication::arguments())) {
        printError(strict.parser.errorText());
        return 2;
    }
    if (!strict.parser.positionalArguments().isEmpty()) {
        printError(QStringLiteral("unexpected argument '%1' (see --help)")
                       .arg(strict.parser.positionalArguments().first()));
        return 2;
    }
    // The installed menu entry, icon and metadata carry this name; Wayland
    // compositors find the window's icon through it.
    QGuiApplication::setDesktopFileName(QStringLiteral(CALLERID_APP_ID));
    QApplication::setWindowIcon(LazyIcon(Resources::ProgramIcon));

    device.socketPath = SimProtocol::SocketPath();
    device.modem = XeltoBackends::ModemOptionsFromEnvironment();
    if (!XeltoBackends::Register(device, &error)) {
        printError(error);
        return 2;
    }

    // A diagnostic for a window that feels slow: how long the event loop was held up.
    std::unique_ptr<EventLoopWatch> loopWatch;
    if (const QString path = qEnvironmentVariable("CALLERID_LOOP_LOG"); !path.isEmpty()) {
        loopWatch = std::make_unique<EventLoopWatch>(path);
        if (!loopWatch->isOpen())
            printError(
                QStringLiteral("CALLERID_LOOP_LOG: %1: %2").arg(path, loopWatch->errorString()));
    }

    // A session's end, kill or Ctrl+C ends the program as "Çıkış" does, so
    // that no lock file or socket of a dead process is left behind; from
    // before the windows are built, which is when the device is opened.
    EndSignals endSignals;
    InitializeProgram();
    const int result = Application()->Run();
    delete Application();
    return result;
}
