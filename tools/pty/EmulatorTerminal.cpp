#include "EmulatorTerminal.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace EmulatorTerminal {

namespace {

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

void makeNonBlocking(int fd)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

} // namespace

int open(const QString& link, QString* terminal, QString* error)
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        setError(error, QString::fromLocal8Bit(std::strerror(errno)));
        return -1;
    }
    termios settings {};
    ::tcgetattr(slave, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(slave, TCSANOW, &settings);
    ::close(slave);
    const QString path = QString::fromLocal8Bit(name);
    if (!link.isEmpty()) {
        QFile::remove(link);
        if (!QFile::link(path, link)) {
            setError(error, QStringLiteral("cannot link %1 to %2").arg(link, path));
            ::close(master);
            return -1;
        }
    }
    makeNonBlocking(master);
    *terminal = path;
    return master;
}

QString adopt(int master, QString* error)
{
    const char* name = ::ptsname(master);
    if (!name) {
        setError(error, QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    makeNonBlocking(master);
    return QString::fromLocal8Bit(name);
}

} // namespace EmulatorTerminal
