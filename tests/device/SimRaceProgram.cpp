// One program with a controller, for the test that starts several at once: it
// says "ready", reads a moment (milliseconds since the epoch) on standard input,
// tries to take the socket at that moment, says "owner" or "refused", and
// serves until its standard input closes.

#include "SimControlServer.h"
#include "SimulatedXelto.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    SimulatedXelto control;
    SimControlServer server(&control);
    std::printf("ready\n");
    std::fflush(stdout);

    char text[32] = {};
    if (::read(STDIN_FILENO, text, sizeof text - 1) <= 0)
        return 2;
    const long long at = std::atoll(text);
    const timespec moment { time_t(at / 1000), long(at % 1000) * 1000000L };
    while (::clock_nanosleep(CLOCK_REALTIME, TIMER_ABSTIME, &moment, nullptr) != 0) { }

    const bool owner = server.listen(QString::fromLocal8Bit(argv[1]));
    std::printf("%s\n", owner ? "owner" : "refused");
    std::fflush(stdout);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char byte;
        if (::read(STDIN_FILENO, &byte, 1) <= 0)
            app.quit();
    });
    return app.exec();
}
