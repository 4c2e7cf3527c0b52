#pragma once

#include "DeviceTimer.h"
#include "NcidParser.h"

#include <QAbstractSocket>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class QTcpSocket;

// When to try a server again: the wait doubles after every connection that
// fails or ends, up to half a minute, and starts over only after a connection
// has stayed up for a minute (a server that greets and closes at once is
// retried no faster than one that refuses). The links of one search share it,
// so that a link made after another's failure waits as that one would have.
class NcidBackoff
{
public:
    static constexpr int FirstMs = 1000;
    static constexpr int LastMs = 30000;

    // The wait before the next attempt after a failure, and the one after it grows.
    int failed();
    void stable();
    // The wait a new link owes before its first attempt: 0 when none.
    int owed() const { return m_owed; }
    int nextDelay() const { return m_delay; }
    // One line in the log per outage.
    bool failureLogged = false;

private:
    int m_delay = FirstMs;
    int m_owed = 0;
};

// The connection to an NCID server: connects, introduces itself, reads the
// server's lines through NcidParser and turns live calls into callArrived() signals
// with line numbers. It reconnects on its own, waiting longer after each
// failure, and is "present" only between the server's greeting and the end of
// that connection. Nothing here blocks: every step waits on the socket's
// notifications or on a timer with a limit.
class NcidLink : public QObject
{
    Q_OBJECT
public:
    static constexpr int FirstRetryMs = NcidBackoff::FirstMs;
    static constexpr int LastRetryMs = NcidBackoff::LastMs;
    // For the connection to be made, and then for the server's greeting.
    static constexpr int ConnectTimeoutMs = 10000;
    static constexpr int GreetingTimeoutMs = 10000;
    static constexpr int KeepAliveMs = 15 * 60 * 1000;
    // A connection up this long is a working server: the next failure waits little again.
    static constexpr int StableMs = 60 * 1000;
    // Bytes the socket holds for the link: beyond them the kernel's flow
    // control holds back a server that writes faster than the window shows.
    static constexpr qint64 ReadBufferBytes = 64 * 1024;
    // What one turn of the event loop reads at most, so that the window stays live.
    static constexpr int SliceLines = 256;
    static constexpr int SliceMs = 5;

    NcidLink(QString host, quint16 port, QObject* parent = nullptr,
        DeviceTimerFactory timers = MakeQtDeviceTimer,
        std::shared_ptr<NcidBackoff> backoff = nullptr);
    ~NcidLink() override;

    // Connects now and keeps connecting until stop().
    void start();
    void stop();

    // Failures to reach the server are not written to the log: for a server
    // that may or may not run on this machine.
    void setQuietWhenUnreachable(bool quiet) { m_quietWhenUnreachable = quiet; }

    QString host() const { return m_host; }
    quint16 port() const { return m_port; }
    // "HOST:PORT": the device's serial and the calls' device ID.
    QString address() const;
    bool present() const { return m_present; }
    // The server's name and version ("NCID 1.6") while present, else empty.
    QString model() const { return m_present ? m_model : QString(); }
    // The wait before a connection attempt after the next failure.
    int retryDelay() const { return m_backoff->nextDelay(); }

signals:
    // A live call: the line number, the number as shown, the server's date and
    // time of the call, the caller's name.
    void callArrived(int line, const QString& number, const QString& dateTime, const QString& name);
    void presenceChanged(bool present);
    // Something the technician should read in the program's log.
    void logLine(const QString& text);

private:
    enum class State { Stopped, Connecting, Greeting, Up, Waiting };

    void connectNow();
    void onConnected();
    void readSlice();
    // Handles what the socket holds; false when the connection ended meanwhile.
    bool drain(bool paced);
    void onSocketError(QAbstractSocket::SocketError error);
    void onDeadline();
    void handle(const NcidEvent& event);
    void raiseCall(const NcidCall& call);
    void reportSharedLineCalls();
    // Ends the connection and schedules the next attempt; why is empty for a quiet end.
    void fail(const QString& why);
    void setPresent(bool present);
    QString errorText(QAbstractSocket::SocketError error) const;

    QString m_host;
    quint16 m_port;
    QTcpSocket* m_socket;
    NcidParser m_parser;
    NcidLineNumbers m_lines;
    std::unique_ptr<DeviceTimer> m_deadline;
    std::unique_ptr<DeviceTimer> m_retry;
    std::unique_ptr<DeviceTimer> m_keepAlive;
    std::unique_ptr<DeviceTimer> m_stable;
    // Brings the next slice of what the socket holds after the event loop's turn.
    QTimer m_nextSlice;
    std::shared_ptr<NcidBackoff> m_backoff;
    State m_state = State::Stopped;
    bool m_present = false;
    QString m_model;
    bool m_quietWhenUnreachable = false;
    // Calls on labels beyond the line table, said in the log when the connection ends.
    int m_sharedLineCalls = 0;
};
