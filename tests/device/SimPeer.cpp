#include "SimPeer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

void ServeEvents(int ms)
{
    QCoreApplication::processEvents(QEventLoop::AllEvents, ms);
}

void ServeEventsFor(int ms)
{
    QTest::qWait(ms);
}

SimPeer::SimPeer(const QString& path)
{
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (m_fd < 0 || name.size() >= qsizetype(sizeof address.sun_path))
        return;
    std::memcpy(address.sun_path, name.constData(), name.size());
    // A full backlog empties only when the server, on this thread, accepts.
    const QDeadlineTimer deadline(15000);
    for (;;) {
        m_connected = ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        if (m_connected || errno != EAGAIN || deadline.hasExpired())
            return;
        ServeEvents();
    }
}

SimPeer::~SimPeer()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

qsizetype SimPeer::trySend(const QByteArray& data)
{
    const ssize_t n = ::send(m_fd, data.constData(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    return n > 0 ? n : 0;
}

bool SimPeer::send(const QByteArray& data)
{
    const QDeadlineTimer deadline(15000);
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(
            m_fd, data.constData() + done, data.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (deadline.hasExpired())
            return false;
        ServeEvents();
    }
    return true;
}

void SimPeer::shutdownWrite()
{
    ::shutdown(m_fd, SHUT_WR);
}

bool SimPeer::fill(int waitMs)
{
    ServeEvents();
    pollfd p { m_fd, POLLIN, 0 };
    if (::poll(&p, 1, waitMs) <= 0)
        return true;
    char buffer[65536];
    const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n > 0)
        m_in.append(buffer, n);
    else if (n == 0 || (errno != EAGAIN && errno != EINTR))
        m_ended = true;
    return !m_ended;
}

std::optional<QByteArray> SimPeer::line(int deadlineMs)
{
    const QDeadlineTimer deadline(deadlineMs);
    for (;;) {
        const qsizetype end = m_in.indexOf('\n');
        if (end >= 0) {
            const QByteArray line = m_in.left(end);
            m_in.remove(0, end + 1);
            return line;
        }
        if (m_ended || deadline.hasExpired() || !fill(5))
            return std::nullopt;
    }
}

bool SimPeer::waitForClose(int deadlineMs)
{
    const QDeadlineTimer deadline(deadlineMs);
    while (!m_ended && !deadline.hasExpired())
        fill(5);
    return m_ended;
}
