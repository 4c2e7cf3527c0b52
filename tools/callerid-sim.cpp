// callerid-sim: drives the simulated caller-ID device of a running Caller ID Test.
//
//   callerid-sim attach MODEL SERIAL
//   callerid-sim detach
//   callerid-sim call LINE NUMBER
//   callerid-sim signal L1 L2 L3 L4 [L5 … L8]
//   callerid-sim fail METHOD on|off     (devicemodel, serial, start, serviceaction, command)
//   callerid-sim status
//   callerid-sim socket                 (prints the controller socket's path)

#include "SimProtocol.h"
#include "SimSocket.h"

#include <QCoreApplication>
#include <QLocalSocket>

#include <cstdio>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "callerid-sim: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList words = QCoreApplication::arguments().mid(1);
    const QString path = SimProtocol::SocketPath();
    if (words.isEmpty())
        return fail(
            QStringLiteral("usage: callerid-sim attach|detach|call|signal|fail|status|socket …"));
    if (words == QStringList { QStringLiteral("socket") }) {
        std::printf("%s\n", qPrintable(path));
        return 0;
    }

    // Whatever answers there must be this user's own program.
    if (const QString problem = SimSocket::CheckServerSocket(path); !problem.isEmpty())
        return fail(problem);
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(3000))
        return fail(QStringLiteral("no running program with a simulated device at %1 (%2)")
                        .arg(path, socket.errorString()));
    socket.write(SimProtocol::EncodeRequest(words));
    // A busy program answers and closes before taking the request: its answer
    // says more than the failed send.
    if (!socket.waitForBytesWritten(3000) && !socket.canReadLine())
        return fail(QStringLiteral("could not send the request: %1").arg(socket.errorString()));
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(5000))
            return fail(QStringLiteral("no answer from the program: %1").arg(socket.errorString()));
    }
    const SimProtocol::Reply reply = SimProtocol::DecodeReply(socket.readLine());
    if (!reply.ok)
        return fail(reply.error);
    for (const QString& line : reply.lines)
        std::printf("%s\n", line.toUtf8().constData());
    return 0;
}
