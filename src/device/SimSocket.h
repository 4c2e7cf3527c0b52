#pragma once

#include <QString>

#include <sys/types.h>
#include <unistd.h>

// The controller socket in the file system: the folder it lives in, the lock
// that makes one program its owner, and the checks a client makes before it
// trusts what it finds there.
namespace SimSocket {

// The system's text for an errno value.
QString ErrorText(int error);

// The private folder used when there is no runtime folder: callerid-sim-UID
// under the temporary folder, where any user may have created it first.
QString FallbackFolder();

// Checks the folder of socketPath; returns the problem (naming the path), or
// nothing. The fallback folder is made (mode 0700) when create is set and it
// is missing, and is accepted only as a real folder, not a link, owned by
// owner and closed to group and others. Any other folder must exist.
QString CheckFolder(const QString& socketPath, bool create, uid_t owner = ::geteuid());

// What a client checks before it connects: the folder, then that a socket
// owned by owner is at the path.
QString CheckServerSocket(const QString& socketPath, uid_t owner = ::geteuid());

// Ownership of a socket path, held through an exclusive lock on a file beside
// it (PATH.lock). Whoever holds the lock owns the path: a socket found there
// is one its program left behind, whether or not anything still answers on it.
class Claim
{
public:
    ~Claim();

    // Takes the lock. False with the reason when another program holds it
    // (inUse set) or the lock file cannot be used.
    bool take(const QString& socketPath, QString& error, bool& inUse);
    // With the lock held: removes a stale socket (never anything else) and
    // listens on a new one that only its owner can reach. Returns the
    // non-blocking listening descriptor, or -1 with the reason.
    int listen(QString& error);
    // Removes the socket file when it is still the one listen made.
    void removeSocket();

private:
    QString m_path;
    QString m_lockPath;
    int m_lockFd = -1;
    dev_t m_socketDevice = 0;
    ino_t m_socketInode = 0;
};

} // namespace SimSocket
