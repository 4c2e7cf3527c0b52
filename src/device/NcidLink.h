#pragma once

#include "DeviceTimer.h"
#include "NcidParser.h"

#include <QAbstractSocket>
#include <QObject>
#include <QString>

#include <memory>

class QTcpSocket;

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
    static constexpr int FirstRetryMs = 1000;
    static constexpr int LastRetryMs = 30000;
    // For the connection to be made, and then for the server's greeting.
    static constexpr int ConnectTimeoutMs = 10000;
    static constexpr int GreetingTimeoutMs = 10000;
    static constexpr int KeepAliveMs = 15 * 60 * 1000;

    NcidLink(QString host, quint16 port, QObject* parent = nullptr,
        DeviceTimerFactory timers = MakeQtDeviceTimer);
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
    // The wait before the next connection attempt.
    int retryDelay() const { return m_retryDelay; }

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
    void onReadyRead();
    void onSocketError(QAbstractSocket::SocketError error);
    void onDeadline();
    void handle(const NcidEvent& event);
    void raiseCall(const NcidCall& call);
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
    State m_state = State::Stopped;
    bool m_present = false;
    QString m_model;
    int m_retryDelay = FirstRetryMs;
    bool m_quietWhenUnreachable = false;
    // One line per outage: set when a failure was logged, cleared by the next greeting.
    bool m_failureLogged = false;
};
