#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Who else uses a serial port: the UUCP lock files that serial programs leave
// in the lock folder, and the processes that have the port's device node open
// (what fuser shows). A port in use is left alone until it is free.
namespace PortUsers {

struct Holder
{
    qint64 pid = 0;
    QString program; // the process's command name, when it can be read

    // "PID 1234 octoprint"
    QString text() const;
    bool operator==(const Holder&) const = default;
};

// The device node a path names, symbolic links followed (a udev by-id name,
// a pseudo-terminal's link). Never realpath(): it may not be what the kernel
// reports for an open descriptor.
QString resolvedPath(const QString& path);

// The PID a UUCP lock file holds, in any of the forms serial programs write:
// ASCII digits with or without leading blanks, optionally followed by a name
// or more lines, or the four-byte binary form of old UUCP. Nullopt for
// contents that hold no PID.
std::optional<qint64> lockPid(const QByteArray& contents);

enum class StaleLocks { Remove, Keep };

// The live process holding a UUCP lock on PATH, if any. Stale locks (their
// process gone) are removed on the way unless asked not to, so that the next
// opener does not trip over them. LOCKDIRS defaults to the folders serial
// programs use.
std::optional<Holder> lockHolder(
    const QString& path, StaleLocks stale = StaleLocks::Remove, const QStringList& lockDirs = {});

// The first other process that has the device node behind PATH open. Processes
// whose descriptors cannot be read (other users') are not looked at.
std::optional<Holder> processHolding(const QString& path);

// Either of the two, the lock first.
std::optional<Holder> holder(const QString& path, StaleLocks stale = StaleLocks::Remove);

} // namespace PortUsers
