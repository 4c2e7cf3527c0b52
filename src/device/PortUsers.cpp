#include "PortUsers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

namespace PortUsers {

namespace {

// Where serial programs keep their UUCP lock files (Debian: /run/lock, also
// reached as /var/lock); the rest are older homes of the same files.
const char* const kLockDirs[]
    = { "/run/lock", "/var/lock", "/var/spool/lock", "/var/spool/uucp", "/etc/locks" };

constexpr int kMaxLinks = 40;
// The kernel's largest PID: four bytes of text read as a binary PID land above it.
constexpr qint64 kMaxPid = 4194304;
constexpr qint64 kMaxLockSize = 256;

QByteArray readLink(const QByteArray& path)
{
    char target[4096];
    const ssize_t n = ::readlink(path.constData(), target, sizeof target - 1);
    return n > 0 ? QByteArray(target, n) : QByteArray();
}

bool alive(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

QString commandName(qint64 pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(comm.read(64)).trimmed();
}

// The names UUCP tools and Qt Serial Port give the lock of PATH.
QStringList lockNames(const QString& path)
{
    QStringList names;
    const auto add = [&names](const QString& name) {
        if (!name.isEmpty() && !names.contains(name))
            names << QStringLiteral("LCK..") + name;
    };
    add(QFileInfo(resolvedPath(path)).fileName());
    add(QFileInfo(path).fileName());
    QString qtName = path;
    if (qtName.startsWith(QLatin1String("/dev/")))
        qtName = qtName.mid(5);
    add(qtName.replace(QLatin1Char('/'), QLatin1Char('_')));
    return names;
}

bool isNumber(const char* text)
{
    if (!*text)
        return false;
    for (; *text; ++text)
        if (*text < '0' || *text > '9')
            return false;
    return true;
}

} // namespace

QString Holder::text() const
{
    return program.isEmpty() ? QStringLiteral("PID %1").arg(pid)
                             : QStringLiteral("PID %1 %2").arg(pid).arg(program);
}

QString resolvedPath(const QString& path)
{
    QString current = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    for (int i = 0; i < kMaxLinks; ++i) {
        const QByteArray target = readLink(QFile::encodeName(current));
        if (target.isEmpty())
            return current;
        const QString next = QFile::decodeName(target);
        current = QDir::cleanPath(
            QDir::isAbsolutePath(next) ? next : QFileInfo(current).absolutePath() + u'/' + next);
    }
    return current;
}

std::optional<qint64> lockPid(const QByteArray& contents)
{
    const auto isText = [](char c) { return (c >= '0' && c <= '9') || c == ' ' || c == '\n'; };
    if (contents.size() == 4 && !std::all_of(contents.begin(), contents.end(), isText)) {
        qint32 binary = 0;
        std::memcpy(&binary, contents.constData(), sizeof binary);
        return binary > 0 && binary <= kMaxPid ? std::optional<qint64>(binary) : std::nullopt;
    }
    qsizetype i = 0;
    while (i < contents.size() && (contents[i] == ' ' || contents[i] == '\t'))
        ++i;
    const qsizetype start = i;
    while (i < contents.size() && contents[i] >= '0' && contents[i] <= '9')
        ++i;
    if (i == start || i - start > 10)
        return std::nullopt;
    if (i < contents.size() && !QChar::isSpace(uchar(contents[i])))
        return std::nullopt;
    const qint64 pid = contents.mid(start, i - start).toLongLong();
    return pid > 0 && pid <= kMaxPid ? std::optional<qint64>(pid) : std::nullopt;
}

std::optional<Holder> lockHolder(const QString& path, StaleLocks stale, const QStringList& lockDirs)
{
    QStringList dirs = lockDirs;
    if (dirs.isEmpty())
        for (const char* dir : kLockDirs)
            dirs << QString::fromLatin1(dir);
    const qint64 self = ::getpid();
    for (const QString& dir : std::as_const(dirs)) {
        for (const QString& name : lockNames(path)) {
            QFile lock(dir + u'/' + name);
            if (!lock.open(QIODevice::ReadOnly))
                continue;
            const std::optional<qint64> pid = lockPid(lock.read(kMaxLockSize));
            lock.close();
            if (!pid || *pid == self)
                continue;
            if (alive(*pid))
                return Holder { *pid, commandName(*pid) };
            // Its owner is gone: the lock only stands in the next opener's way.
            if (stale == StaleLocks::Remove)
                QFile::remove(lock.fileName());
        }
    }
    return std::nullopt;
}

std::optional<Holder> processHolding(const QString& path)
{
    const QByteArray target = QFile::encodeName(resolvedPath(path));
    const qint64 self = ::getpid();
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return std::nullopt;
    std::optional<Holder> found;
    while (!found) {
        const dirent* process = ::readdir(proc);
        if (!process)
            break;
        if (!isNumber(process->d_name))
            continue;
        const qint64 pid = std::strtoll(process->d_name, nullptr, 10);
        if (pid == self)
            continue;
        const QByteArray fds = QByteArrayLiteral("/proc/") + process->d_name + "/fd";
        DIR* dir = ::opendir(fds.constData());
        if (!dir)
            continue; // another user's process, or one that just ended
        while (const dirent* fd = ::readdir(dir)) {
            if (isNumber(fd->d_name) && readLink(fds + '/' + fd->d_name) == target) {
                found = Holder { pid, commandName(pid) };
                break;
            }
        }
        ::closedir(dir);
    }
    ::closedir(proc);
    return found;
}

std::optional<Holder> holder(const QString& path, StaleLocks stale)
{
    if (std::optional<Holder> locked = lockHolder(path, stale))
        return locked;
    return processHolding(path);
}

} // namespace PortUsers
