#include "SimControlServer.h"

#include "Forms.h"
#include "SimProtocol.h"
#include "SimulatedXelto.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <cstdio>

SimControlServer::SimControlServer(SimulatedXelto* control, QObject* parent)
    : QObject(parent)
    , m_control(control)
    , m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, Guarded(this, [this] { accept(); }));
}

SimControlServer::~SimControlServer()
{
    m_server->close();
}

bool SimControlServer::listen(const QString& path)
{
    // Qt binds owner-only sockets elsewhere and renames them into place, which
    // would silently replace a live socket: ask first whether one answers there.
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(200)) {
        std::fprintf(stderr, "callerid: the controller socket %s is in use by another program\n",
            qPrintable(path));
        return false;
    }
    // A socket file left by a program that died is taken over.
    QLocalServer::removeServer(path);
    if (!m_server->listen(path)) {
        std::fprintf(stderr, "callerid: cannot listen on %s: %s\n", qPrintable(path),
            qPrintable(m_server->errorString()));
        return false;
    }
    m_path = m_server->fullServerName();
    return true;
}

void SimControlServer::accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this,
            Guarded(this, [this, socket] { serve(socket); }));
    }
}

void SimControlServer::serve(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine(SimProtocol::MaxLineLength + 2).trimmed();
        if (line.isEmpty())
            continue;
        socket->write(SimProtocol::EncodeReply(SimProtocol::Execute(*m_control, line)));
    }
    // A peer that sends an endless line is cut off instead of filling memory.
    if (socket->bytesAvailable() > SimProtocol::MaxLineLength) {
        SimProtocol::Reply tooLong;
        tooLong.error = QStringLiteral("request too long");
        socket->write(SimProtocol::EncodeReply(tooLong));
        socket->disconnectFromServer();
    }
}
