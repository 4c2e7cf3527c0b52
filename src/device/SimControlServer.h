#pragma once

#include "SimRequest.h"

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;
class QTimer;
class SimulatedXelto;
namespace SimSocket {
class Claim;
}

// Listens on the controller socket (owner-only) and runs each request line
// against the simulated control. Bad clients cannot hurt it: requests and
// unsent replies are bounded per client, clients are limited in number and
// closed when idle, and a failing listening socket is made anew.
class SimControlServer : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxClients = 32;
    // Above this many unsent reply bytes a client is no longer read from.
    static constexpr qsizetype MaxUnsentReplies = 64 * 1024;
    // A client that neither sends nor takes replies for this long is closed.
    static constexpr qint64 IdleLimitMs = 30 * 1000;

    SimControlServer(SimulatedXelto* control, QObject* parent = nullptr);
    ~SimControlServer() override;

    // False, after one line on standard error, when the socket could not be
    // taken: another program holds it, or the path or its folder is unfit.
    bool listen(const QString& path);
    QString path() const { return m_path; }
    int clientCount() const { return int(m_clients.size()); }

    // The clock the idle limit is measured with, in milliseconds; tests set
    // their own and call closeIdleClients() themselves.
    void setClock(std::function<qint64()> clock);
    void closeIdleClients();

private:
    struct Client;

    void startListening(int fd);
    void stopListening();
    void relisten();
    void acceptClients();
    // After a failed accept (error 0: the socket was shut down).
    void listenerTrouble(int error);
    void readFrom(Client* client);
    void answer(Client* client);
    // Sends what the client takes; false when it was dropped.
    bool flush(Client* client);
    void drop(Client* client);
    void log(const QString& line) const;

    SimulatedXelto* m_control;
    std::unique_ptr<SimSocket::Claim> m_claim;
    QString m_path;
    int m_listenFd = -1;
    QSocketNotifier* m_listener = nullptr;
    // Retries accepting or listening after a failure.
    QTimer* m_retry;
    // Looks for idle clients while there are any.
    QTimer* m_sweep;
    // One log line per episode of trouble, not one per retry.
    bool m_troubled = false;
    bool m_relistenFailed = false;
    std::vector<std::unique_ptr<Client>> m_clients;
    std::function<qint64()> m_clock;
};
