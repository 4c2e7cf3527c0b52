#include "SimSocket.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

namespace SimSocket {
namespace {

QString octal(mode_t mode)
{
    return QStringLiteral("%1").arg(uint(mode & 07777), 4, 8, QLatin1Char('0'));
}

QString kindOf(const struct stat& st)
{
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("a folder");
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("a symbolic link");
    if (S_ISREG(st.st_mode))
        return QStringLiteral("a file");
    return QStringLiteral("not a socket");
}

QString checkPrivateFolder(const QString& folder, bool create, uid_t owner)
{
    const QByteArray name = QFile::encodeName(folder);
    if (create && ::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return QStringLiteral("cannot create the folder %1: %2").arg(folder, ErrorText(errno));
    struct stat st
    {
    };
    if (::lstat(name.constData(), &st) != 0)
        return QStringLiteral("cannot use the folder %1: %2").arg(folder, ErrorText(errno));
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("%1 is a symbolic link, not a private folder").arg(folder);
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("%1 is not a folder").arg(folder);
    if (st.st_uid != owner)
        return QStringLiteral("the folder %1 belongs to another user (uid %2)")
            .arg(folder)
            .arg(st.st_uid);
    if (st.st_mode & 077)
        return QStringLiteral("the folder %1 is open to other users (mode %2)")
            .arg(folder, octal(st.st_mode));
    return {};
}

} // namespace

QString ErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString FallbackFolder()
{
    return QDir::tempPath() + QStringLiteral("/callerid-sim-%1").arg(::getuid());
}

QString CheckFolder(const QString& socketPath, bool create, uid_t owner)
{
    const QString folder = QFileInfo(socketPath).absolutePath();
    if (folder == QDir::cleanPath(FallbackFolder()))
        return checkPrivateFolder(folder, create, owner);
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0)
        return errno == ENOENT
            ? QStringLiteral("the folder %1 does not exist").arg(folder)
            : QStringLiteral("cannot use the folder %1: %2").arg(folder, ErrorText(errno));
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("%1 is not a folder").arg(folder);
    return {};
}

QString CheckServerSocket(const QString& socketPath, uid_t owner)
{
    const QString path = QFileInfo(socketPath).absoluteFilePath();
    struct stat st
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return QStringLiteral("no running program with a simulated device at %1").arg(path);
        return QStringLiteral("cannot use %1: %2").arg(path, ErrorText(errno));
    }
    if (const QString problem = CheckFolder(path, false, owner); !problem.isEmpty())
        return problem;
    if (!S_ISSOCK(st.st_mode))
        return QStringLiteral("%1 is %2, not a socket").arg(path, kindOf(st));
    if (st.st_uid != owner)
        return QStringLiteral("the socket %1 belongs to another user (uid %2)")
            .arg(path)
            .arg(st.st_uid);
    return {};
}

Claim::~Claim()
{
    if (m_lockFd < 0)
        return;
    removeSocket();
    // Removed while still held: a program that opened it meanwhile finds it
    // gone after locking and starts over on a new one.
    ::unlink(QFile::encodeName(m_lockPath).constData());
    ::close(m_lockFd);
}

bool Claim::take(const QString& socketPath, QString& error, bool& inUse)
{
    inUse = false;
    m_path = QFileInfo(socketPath).absoluteFilePath();
    m_lockPath = m_path + QStringLiteral(".lock");
    const QByteArray lockName = QFile::encodeName(m_lockPath);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd
            = ::open(lockName.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            error = errno == ELOOP
                ? QStringLiteral("%1 is a symbolic link, not a lock file").arg(m_lockPath)
                : QStringLiteral("cannot open the lock file %1: %2")
                      .arg(m_lockPath, ErrorText(errno));
            return false;
        }
        struct stat held
        {
        };
        ::fstat(fd, &held);
        if (!S_ISREG(held.st_mode) || held.st_uid != ::geteuid()) {
            error = QStringLiteral("%1 is not a lock file of this user").arg(m_lockPath);
            ::close(fd);
            return false;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            inUse = errno == EWOULDBLOCK;
            error = inUse ? QStringLiteral("the controller socket %1 is in use by another program")
                                .arg(m_path)
                          : QStringLiteral("cannot lock %1: %2").arg(m_lockPath, ErrorText(errno));
            ::close(fd);
            return false;
        }
        struct stat there
        {
        };
        if (::stat(lockName.constData(), &there) == 0 && there.st_dev == held.st_dev
            && there.st_ino == held.st_ino) {
            m_lockFd = fd;
            return true;
        }
        // Its last owner removed it between our open and our lock.
        ::close(fd);
    }
    error = QStringLiteral("cannot lock %1: it keeps being replaced").arg(m_lockPath);
    return false;
}

int Claim::listen(QString& error)
{
    const QByteArray name = QFile::encodeName(m_path);
    sockaddr_un address {};
    if (name.size() >= qsizetype(sizeof address.sun_path)) {
        error = QStringLiteral("the socket path %1 is too long (%2 bytes, at most %3)")
                    .arg(m_path)
                    .arg(name.size())
                    .arg(sizeof address.sun_path - 1);
        return -1;
    }
    struct stat st
    {
    };
    if (::lstat(name.constData(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            error = QStringLiteral("%1 is %2, not a socket; leaving it as it is")
                        .arg(m_path, kindOf(st));
            return -1;
        }
        // The lock is ours, so no program listens here any more.
        if (::unlink(name.constData()) != 0 && errno != ENOENT) {
            error = QStringLiteral("cannot remove the stale socket %1: %2")
                        .arg(m_path, ErrorText(errno));
            return -1;
        }
    } else if (errno != ENOENT) {
        error = QStringLiteral("cannot use %1: %2").arg(m_path, ErrorText(errno));
        return -1;
    }

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = QStringLiteral("cannot create a socket: %1").arg(ErrorText(errno));
        return -1;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.constData(), name.size());
    // Owner-only from its first moment; bind never replaces what is there.
    const mode_t mask = ::umask(0077);
    const int bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    const int bindError = errno;
    ::umask(mask);
    if (bound != 0) {
        ::close(fd);
        error = QStringLiteral("cannot create the socket %1: %2").arg(m_path, ErrorText(bindError));
        return -1;
    }
    if (::listen(fd, 64) != 0) {
        error = QStringLiteral("cannot listen on %1: %2").arg(m_path, ErrorText(errno));
        ::close(fd);
        ::unlink(name.constData());
        return -1;
    }
    ::lstat(name.constData(), &st);
    m_socketDevice = st.st_dev;
    m_socketInode = st.st_ino;
    return fd;
}

void Claim::removeSocket()
{
    const QByteArray name = QFile::encodeName(m_path);
    struct stat st
    {
    };
    if (m_socketInode != 0 && ::lstat(name.constData(), &st) == 0 && S_ISSOCK(st.st_mode)
        && st.st_dev == m_socketDevice && st.st_ino == m_socketInode)
        ::unlink(name.constData());
    m_socketInode = 0;
}

} // namespace SimSocket
