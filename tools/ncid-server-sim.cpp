// ncid-server-sim: a small NCID server for trying the ncid device without a
// real caller-ID server, and for the end-to-end tests. It greets every client
// as a server does, then sends what it is told on standard input, one command
// a line:
//
//   call LINE NUMBER [NAME…]   a live call (CID:) on line LINE (a number or a label)
//   ring LINE COUNT            a ring count (CIDINFO:)
//   send TEXT                  TEXT as one line, exactly
//   flood COUNT LINE           COUNT calls written as fast as the clients take them
//   messages COUNT             COUNT server messages (MSG:) written the same way
//   stop                       closes every client and stops listening (the server goes away)
//   start                      listens again on the same port
//   status                     prints "listening yes|no clients N"
//   quit
//
// Options: --host ADDRESS (127.0.0.1), --port PORT (3333; 0 picks a free one),
// --history N (call log lines for clients that ask for them), --crlf (old
// servers' line ends). It prints "port N" once listening, and one line for each
// client that comes, speaks or goes.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QHash>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <deque>
#include <unistd.h>

namespace {

void say(const QString& text)
{
    std::printf("%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

class Server : public QObject
{
public:
    Server(QHostAddress host, quint16 port, int history, bool crlf)
        : m_host(std::move(host))
        , m_port(port)
        , m_history(history)
        , m_lineEnd(crlf ? "\r\n" : "\n")
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] { accept(); });
    }

    bool start()
    {
        if (m_server.isListening())
            return true;
        if (!m_server.listen(m_host, m_port)) {
            say(QStringLiteral("error: cannot listen on port %1: %2")
                    .arg(m_port)
                    .arg(m_server.errorString()));
            return false;
        }
        m_port = m_server.serverPort();
        say(QStringLiteral("port %1").arg(m_port));
        return true;
    }

    void stop()
    {
        m_server.close();
        for (QTcpSocket* client : m_clients.keys())
            client->abort();
        say(QStringLiteral("stopped"));
    }

    void command(const QString& text)
    {
        const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QString verb = words.value(0);
        if (verb == QLatin1String("call") && words.size() >= 3)
            broadcast(callLine(
                QStringLiteral("CID"), words[1], words[2], words.mid(3).join(QLatin1Char(' '))));
        else if (verb == QLatin1String("ring") && words.size() == 3)
            broadcast(QStringLiteral("CIDINFO: *LINE*%1*RING*%2*TIME*%3*")
                          .arg(words[1], words[2],
                              QTime::currentTime().toString(QStringLiteral("HH:mm:ss")))
                          .toUtf8());
        else if (verb == QLatin1String("send") && words.size() >= 2)
            broadcast(text.mid(text.indexOf(QLatin1String("send")) + 5).toUtf8());
        else if (verb == QLatin1String("flood") && words.size() == 3 && words[1].toInt() > 0)
            flood(Flood::Calls, words[1].toInt(), words[2]);
        else if (verb == QLatin1String("messages") && words.size() == 2 && words[1].toInt() > 0)
            flood(Flood::Messages, words[1].toInt(), {});
        else if (verb == QLatin1String("stop"))
            stop();
        else if (verb == QLatin1String("start"))
            start();
        else if (verb == QLatin1String("status"))
            say(QStringLiteral("listening %1 clients %2")
                    .arg(m_server.isListening() ? QStringLiteral("yes") : QStringLiteral("no"))
                    .arg(liveClients()));
        else if (verb == QLatin1String("quit"))
            QCoreApplication::quit();
        else if (!verb.isEmpty())
            say(QStringLiteral("error: unknown or malformed command: %1").arg(text));
    }

private:
    struct ClientState
    {
        QByteArray pending;
        bool noLog = false;
        bool started = false;
    };

    void accept()
    {
        while (QTcpSocket* client = m_server.nextPendingConnection()) {
            client->setParent(this);
            m_clients.insert(client, {});
            say(QStringLiteral("client connected"));
            client->write("200 Server: ncid-server-sim (NCID) 1.6" + m_lineEnd);
            connect(client, &QTcpSocket::readyRead, client, [this, client] { read(client); });
            connect(client, &QTcpSocket::bytesWritten, this, [this] { pumpFlood(); });
            connect(client, &QTcpSocket::disconnected, client, [this, client] {
                say(QStringLiteral("client gone"));
                m_clients.remove(client);
                client->deleteLater();
                pumpFlood();
            });
            // A server waits only briefly for the client's introduction.
            QTimer::singleShot(100, client, [this, client] { finishStartup(client); });
        }
    }

    void read(QTcpSocket* client)
    {
        ClientState& state = m_clients[client];
        state.pending += client->readAll();
        qsizetype end;
        while ((end = state.pending.indexOf('\n')) >= 0) {
            const QByteArray line = state.pending.left(end).trimmed();
            state.pending.remove(0, end + 1);
            if (line.isEmpty())
                continue;
            say(QStringLiteral("client said: ") + QString::fromUtf8(line));
            if (!state.started && line == "HELLO: CMD: no_log") {
                state.noLog = true;
                finishStartup(client);
            }
        }
    }

    void finishStartup(QTcpSocket* client)
    {
        const auto found = m_clients.find(client);
        if (found == m_clients.end() || found->started)
            return;
        ClientState* state = &*found;
        state->started = true;
        QByteArray startup = "210 API 1.5 Feature Set 1 2 3 4 5" + m_lineEnd;
        if (state->noLog) {
            startup += "251 Call log not sent" + m_lineEnd;
        } else if (m_history > 0) {
            for (int i = 0; i < m_history; ++i)
                startup += callLine(QStringLiteral("CIDLOG"), QStringLiteral("GECMIS"),
                               QStringLiteral("0312444%1").arg(i % 10000, 4, 10, QLatin1Char('0')),
                               QStringLiteral("ESKI ARAMA"))
                    + m_lineEnd;
            startup += "250 End of call log" + m_lineEnd;
        } else {
            startup += "252 Call log empty" + m_lineEnd;
        }
        startup += "OPT: hangup-1" + m_lineEnd + "300 End of connection startup" + m_lineEnd;
        client->write(startup);
    }

    QByteArray callLine(
        const QString& type, const QString& line, const QString& number, const QString& name) const
    {
        const QDateTime now = QDateTime::currentDateTime();
        return QStringLiteral("%1: *DATE*%2*TIME*%3*LINE*%4*NMBR*%5*MESG*NONE*NAME*%6*")
            .arg(type, now.toString(QStringLiteral("MMddyyyy")),
                now.toString(QStringLiteral("HHmm")), line, number,
                name.isEmpty() ? QStringLiteral("-") : name)
            .toUtf8();
    }

    void broadcast(const QByteArray& line)
    {
        for (auto it = m_clients.cbegin(); it != m_clients.cend(); ++it)
            if (it->started)
                it.key()->write(line + m_lineEnd);
    }

    enum class Flood { Calls, Messages };
    struct FloodState
    {
        Flood kind;
        int count;
        int done;
        QString line;
    };

    // Lines are made as the clients take them, so that the server holds
    // little whatever the count; a flood asked for during another waits for it.
    void flood(Flood kind, int count, const QString& line)
    {
        m_floods.push_back({ kind, count, 0, line });
        if (m_floods.size() == 1)
            pumpFlood();
    }

    void pumpFlood()
    {
        // A client that reads slowly holds the flood back; one that has gone does not.
        constexpr qint64 Ahead = 256 * 1024;
        while (!m_floods.empty()) {
            FloodState& f = m_floods.front();
            for (auto it = m_clients.cbegin(); it != m_clients.cend(); ++it)
                if (it->started && it.key()->bytesToWrite() > Ahead)
                    return;
            if (f.done == 0)
                m_floodStamp = QDateTime::currentDateTime();
            QByteArray batch;
            for (int i = 0; i < 512 && f.done < f.count; ++i, ++f.done)
                batch += floodLine(f) + m_lineEnd;
            for (auto it = m_clients.cbegin(); it != m_clients.cend(); ++it)
                if (it->started)
                    it.key()->write(batch);
            if (f.done == f.count) {
                say(QStringLiteral("%1 %2")
                        .arg(f.kind == Flood::Calls ? QStringLiteral("flooded")
                                                    : QStringLiteral("messages sent"))
                        .arg(f.count));
                m_floods.pop_front();
            }
        }
    }

    QByteArray floodLine(const FloodState& f) const
    {
        const QByteArray date = m_floodStamp.toString(QStringLiteral("MMddyyyy")).toLatin1();
        const QByteArray time = m_floodStamp.toString(QStringLiteral("HHmm")).toLatin1();
        const QByteArray n = QByteArray::number(f.done).rightJustified(7, '0');
        if (f.kind == Flood::Messages)
            return "MSG: Sunucu iletisi " + n + " ***DATE*" + date + "*TIME*" + time
                + "*NAME*-*NMBR*-*LINE*-*MTYPE*SYS*";
        return "CID: *DATE*" + date + "*TIME*" + time + "*LINE*" + f.line.toUtf8() + "*NMBR*0212"
            + n + "*MESG*NONE*NAME*-*";
    }

    int liveClients() const
    {
        int n = 0;
        for (const ClientState& state : m_clients)
            n += state.started;
        return n;
    }

    QTcpServer m_server;
    QHostAddress m_host;
    quint16 m_port;
    int m_history;
    QByteArray m_lineEnd;
    QHash<QTcpSocket*, ClientState> m_clients;
    std::deque<FloodState> m_floods;
    QDateTime m_floodStamp;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("A small NCID server driven from standard input."));
    options.addHelpOption();
    const QCommandLineOption host(QStringLiteral("host"), QStringLiteral("Address to listen on."),
        QStringLiteral("ADDRESS"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"),
        QStringLiteral("Port to listen on; 0 picks a free one."), QStringLiteral("PORT"),
        QStringLiteral("3333"));
    const QCommandLineOption history(QStringLiteral("history"),
        QStringLiteral("Call log lines for clients that want them."), QStringLiteral("N"),
        QStringLiteral("0"));
    const QCommandLineOption crlf(QStringLiteral("crlf"), QStringLiteral("End lines in CR LF."));
    options.addOptions({ host, port, history, crlf });
    options.process(app);

    bool portOk = false, historyOk = false;
    const uint portNumber = options.value(port).toUInt(&portOk);
    const int historyLines = options.value(history).toInt(&historyOk);
    const QHostAddress address(options.value(host));
    if (!portOk || portNumber > 65535 || !historyOk || historyLines < 0 || address.isNull()) {
        std::fprintf(stderr, "ncid-server-sim: bad --host, --port or --history\n");
        return 2;
    }

    Server server(address, quint16(portNumber), historyLines, options.isSet(crlf));
    if (!server.start())
        return 1;

    QByteArray input;
    QSocketNotifier stdinReady(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&stdinReady, &QSocketNotifier::activated, &server, [&] {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            // Standard input closed: the script is over.
            stdinReady.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        input.append(buffer, got);
        qsizetype end;
        while ((end = input.indexOf('\n')) >= 0) {
            server.command(QString::fromUtf8(input.left(end)).trimmed());
            input.remove(0, end + 1);
        }
    });
    return app.exec();
}
