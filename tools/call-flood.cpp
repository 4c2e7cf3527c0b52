// call-flood: sends a run of calls to a running Caller ID Test's simulated
// device as fast as the program takes them, for the flood test
// (tests/e2e/flood_e2e.sh). One connection to the controller socket, a few
// requests on their way at any time, every answer read.
//
//   call-flood FIRST LAST      calls FIRST to LAST (the number carries the call's ordinal)
//
// Prints the time per call; exits non-zero when a call is refused or the
// program stops answering.

#include "SimProtocol.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalSocket>

#include <cstdio>

namespace {

// Requests on their way at once: enough to keep the program busy, few
// enough that neither side buffers much.
constexpr int Window = 32;

int fail(const QString& message)
{
    std::fprintf(stderr, "call-flood: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    bool firstOk = false, lastOk = false;
    const int first = arguments.value(0).toInt(&firstOk);
    const int last = arguments.value(1).toInt(&lastOk);
    if (arguments.size() != 2 || !firstOk || !lastOk || first < 1 || last < first)
        return fail(QStringLiteral("usage: call-flood FIRST LAST"));

    QLocalSocket socket;
    socket.connectToServer(SimProtocol::SocketPath());
    if (!socket.waitForConnected(5000))
        return fail(QStringLiteral("no program at %1: %2")
                        .arg(SimProtocol::SocketPath(), socket.errorString()));
    QElapsedTimer clock;
    clock.start();
    int sent = first;
    int answered = 0;
    const int total = last - first + 1;
    while (answered < total) {
        while (sent <= last && sent - first - answered < Window) {
            const QString number = QStringLiteral("0212%1").arg(sent, 7, 10, QLatin1Char('0'));
            socket.write(SimProtocol::EncodeRequest(
                { QStringLiteral("call"), QString::number(sent % 4 + 1), number }));
            ++sent;
        }
        socket.flush();
        if (!socket.canReadLine() && !socket.waitForReadyRead(30000))
            return fail(QStringLiteral("no answer after %1 calls: %2")
                            .arg(answered)
                            .arg(socket.errorString()));
        while (socket.canReadLine()) {
            const SimProtocol::Reply reply = SimProtocol::DecodeReply(socket.readLine());
            if (!reply.ok)
                return fail(
                    QStringLiteral("call %1 refused: %2").arg(first + answered).arg(reply.error));
            ++answered;
        }
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    std::printf("calls %d to %d: %.2f s, %.1f microseconds per call\n", first, last, seconds,
        seconds * 1e6 / total);
    return 0;
}
