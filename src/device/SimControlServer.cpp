#include "SimControlServer.h"

#include "Forms.h"
#include "SimProtocol.h"
#include "SimSocket.h"
#include "SimulatedXelto.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

struct SimControlServer::Client
{
    int fd = -1;
    QSocketNotifier* reader = nullptr;
    QSocketNotifier* writer = nullptr;
    SimProtocol::LineReader lines;
    QByteArray unsent;
    // The client has closed its side; its last line may still be due.
    bool ended = false;
    // Everything it sent is answered; it goes once its replies are out.
    bool done = false;
    qint64 lastActive = 0;
};

namespace {

// The process is short of descriptors or memory: the listening socket itself
// is sound and the clients can wait in its backlog.
bool isShortage(int error)
{
    return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
}

} // namespace

SimControlServer::SimControlServer(SimulatedXelto* control, QObject* parent)
    : QObject(parent)
    , m_control(control)
    , m_retry(new QTimer(this))
    , m_sweep(new QTimer(this))
    , m_clock([] { return QDeadlineTimer::current().deadline(); })
{
    m_retry->setSingleShot(true);
    m_retry->setInterval(500);
    connect(m_retry, &QTimer::timeout, this, Guarded(this, [this] {
        if (m_listenFd < 0)
            relisten();
        else if (m_listener)
            m_listener->setEnabled(true);
    }));
    m_sweep->setInterval(1000);
    connect(m_sweep, &QTimer::timeout, this, Guarded(this, [this] { closeIdleClients(); }));
}

SimControlServer::~SimControlServer()
{
    while (!m_clients.empty())
        drop(m_clients.back().get());
    stopListening();
}

void SimControlServer::log(const QString& line) const
{
    std::fprintf(stderr, "callerid: %s\n", qPrintable(line));
}

void SimControlServer::setClock(std::function<qint64()> clock)
{
    m_clock = std::move(clock);
}

bool SimControlServer::listen(const QString& path)
{
    QString error = SimSocket::CheckFolder(path, true);
    bool inUse = false;
    auto claim = std::make_unique<SimSocket::Claim>();
    int fd = -1;
    if (error.isEmpty() && claim->take(path, error, inUse))
        fd = claim->listen(error);
    if (fd < 0) {
        log(inUse ? error
                  : QStringLiteral("the simulated device runs without its controller: %1")
                        .arg(error));
        return false;
    }
    m_claim = std::move(claim);
    m_path = QFileInfo(path).absoluteFilePath();
    startListening(fd);
    return true;
}

void SimControlServer::startListening(int fd)
{
    m_listenFd = fd;
    m_listener = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(
        m_listener, &QSocketNotifier::activated, this, Guarded(this, [this] { acceptClients(); }));
}

void SimControlServer::stopListening()
{
    if (m_listener) {
        m_listener->setEnabled(false);
        m_listener->deleteLater();
        m_listener = nullptr;
    }
    if (m_listenFd >= 0)
        ::close(m_listenFd);
    m_listenFd = -1;
    if (m_claim)
        m_claim->removeSocket();
}

void SimControlServer::relisten()
{
    QString error;
    const int fd = m_claim->listen(error);
    if (fd < 0) {
        // Said once; the retries go on quietly.
        if (!m_relistenFailed)
            log(QStringLiteral("cannot listen on %1 again: %2; still trying").arg(m_path, error));
        m_relistenFailed = true;
        m_retry->start();
        return;
    }
    m_relistenFailed = false;
    m_troubled = false;
    startListening(fd);
}

void SimControlServer::listenerTrouble(int error)
{
    if (error == 0) {
        if (!m_troubled)
            log(QStringLiteral("the controller socket %1 was shut down; listening again")
                    .arg(m_path));
        stopListening();
    } else if (isShortage(error)) {
        if (!m_troubled)
            log(QStringLiteral("the controller at %1 cannot take clients for now (%2); it "
                               "keeps trying")
                    .arg(m_path, SimSocket::ErrorText(error)));
        m_listener->setEnabled(false);
    } else {
        if (!m_troubled)
            log(QStringLiteral("the controller socket %1 failed (%2); listening again")
                    .arg(m_path, SimSocket::ErrorText(error)));
        stopListening();
    }
    m_troubled = true;
    m_retry->start();
}

void SimControlServer::acceptClients()
{
    // A bounded batch per wake-up keeps the window responsive under a flood.
    for (int batch = 0; batch < 16 && m_listenFd >= 0; ++batch) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                // Woken with nothing to accept: the socket may have been shut down.
                pollfd p { m_listenFd, POLLIN, 0 };
                if (batch == 0 && ::poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLERR)))
                    listenerTrouble(0);
                return;
            }
            if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO)
                continue;
            listenerTrouble(errno);
            return;
        }
        m_troubled = false;
        if (int(m_clients.size()) >= MaxClients) {
            SimProtocol::Reply busy;
            busy.error
                = QStringLiteral("busy: %1 clients are connected; try again later").arg(MaxClients);
            const QByteArray reply = SimProtocol::EncodeReply(busy);
            [[maybe_unused]] const ssize_t sent
                = ::send(fd, reply.constData(), reply.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
            ::close(fd);
            continue;
        }
        auto client = std::make_unique<Client>();
        Client* c = client.get();
        c->fd = fd;
        c->lastActive = m_clock();
        c->reader = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        c->writer = new QSocketNotifier(fd, QSocketNotifier::Write, this);
        c->writer->setEnabled(false);
        connect(c->reader, &QSocketNotifier::activated, c->reader,
            Guarded(this, [this, c] { readFrom(c); }));
        connect(c->writer, &QSocketNotifier::activated, c->writer, Guarded(this, [this, c] {
            if (flush(c) && c->unsent.size() <= MaxUnsentReplies)
                answer(c);
        }));
        m_clients.push_back(std::move(client));
        m_sweep->start();
    }
}

void SimControlServer::readFrom(Client* client)
{
    char buffer[64 * 1024];
    const ssize_t n = ::recv(client->fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            drop(client);
        return;
    }
    if (n == 0)
        client->ended = true;
    else
        client->lines.append(buffer, n);
    client->lastActive = m_clock();
    answer(client);
}

void SimControlServer::answer(Client* client)
{
    auto reply = [&](const SimProtocol::LineReader::Line& line) {
        SimProtocol::Reply result;
        if (line.tooLong) {
            result.error = QStringLiteral("request too long");
        } else {
            const QByteArray text = line.text.trimmed();
            if (text.isEmpty())
                return;
            result = SimProtocol::Execute(*m_control, text);
        }
        client->unsent.append(SimProtocol::EncodeReply(result));
    };
    SimProtocol::LineReader::Line line;
    for (;;) {
        // Replies the client does not take hold up its further requests.
        bool allRead = false;
        while (client->unsent.size() <= MaxUnsentReplies) {
            if (!client->lines.next(line)) {
                allRead = true;
                break;
            }
            reply(line);
        }
        if (allRead && client->ended && !client->done) {
            if (client->lines.finish(line))
                reply(line);
            client->done = true;
        }
        if (!flush(client) || allRead || client->unsent.size() > MaxUnsentReplies)
            return;
    }
}

bool SimControlServer::flush(Client* client)
{
    while (!client->unsent.isEmpty()) {
        const ssize_t n = ::send(client->fd, client->unsent.constData(), client->unsent.size(),
            MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) {
            client->unsent.remove(0, n);
            client->lastActive = m_clock();
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            drop(client);
            return false;
        }
    }
    if (client->done && client->unsent.isEmpty()) {
        drop(client);
        return false;
    }
    client->reader->setEnabled(!client->ended && client->unsent.size() <= MaxUnsentReplies);
    client->writer->setEnabled(!client->unsent.isEmpty());
    return true;
}

void SimControlServer::drop(Client* client)
{
    for (QSocketNotifier* n : { client->reader, client->writer }) {
        // It may be the one whose signal is running.
        n->setEnabled(false);
        n->deleteLater();
    }
    ::close(client->fd);
    std::erase_if(m_clients, [client](const auto& c) { return c.get() == client; });
    if (m_clients.empty())
        m_sweep->stop();
}

void SimControlServer::closeIdleClients()
{
    const qint64 now = m_clock();
    std::vector<Client*> idle;
    for (const auto& client : m_clients)
        if (now - client->lastActive > IdleLimitMs)
            idle.push_back(client.get());
    for (Client* client : idle)
        drop(client);
}
