#pragma once

#include <QByteArray>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

// An NCID server played by the test: it listens on a free local port, takes
// one client at a time, keeps what the client says and writes what the test
// tells it to.
class FakeNcidServer : public QObject
{
public:
    static constexpr const char* Greeting = "200 Server: ncidd (NCID) 1.6\r\n"
                                            "251 Call log not sent\r\n"
                                            "300 End of connection startup\r\n";

    FakeNcidServer()
    {
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                client = s;
                ++accepted;
                connect(s, &QTcpSocket::readyRead, this, [this, s] { received += s->readAll(); });
            }
        });
    }

    bool listen(quint16 at = 0)
    {
        if (!server.listen(QHostAddress::LocalHost, at))
            return false;
        port = server.serverPort();
        return true;
    }

    // Whether the client has introduced itself on its latest connection.
    bool introduced() const { return client && received.count("HELLO: CMD: no_log\n") == accepted; }

    void send(const QByteArray& bytes)
    {
        if (client) {
            client->write(bytes);
            client->flush();
        }
    }

    QTcpServer server;
    quint16 port = 0;
    QPointer<QTcpSocket> client;
    int accepted = 0;
    QByteArray received;
};
