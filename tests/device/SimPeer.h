#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A controller client on a raw local socket, for tests that talk to a server
// living on the same thread: every wait serves the event loop, and gives up
// after a generous deadline instead of hanging.
class SimPeer
{
public:
    explicit SimPeer(const QString& path);
    ~SimPeer();
    SimPeer(const SimPeer&) = delete;
    SimPeer& operator=(const SimPeer&) = delete;

    bool connected() const { return m_connected; }
    int descriptor() const { return m_fd; }

    // Sends all of data, waiting while the socket is full.
    bool send(const QByteArray& data);
    // Sends what fits now without waiting; returns the bytes taken (0 when full).
    qsizetype trySend(const QByteArray& data);
    void shutdownWrite();

    // The next reply line without its newline, or nothing at the end of the
    // stream or after the deadline.
    std::optional<QByteArray> line(int deadlineMs = 15000);
    // Waits until the server closes the connection; false after the deadline.
    bool waitForClose(int deadlineMs = 15000);

private:
    // Reads what is there; false at the end of the stream.
    bool fill(int waitMs);

    int m_fd = -1;
    bool m_connected = false;
    bool m_ended = false;
    QByteArray m_in;
};

// Serves the events that are due, waiting for them at most ms.
void ServeEvents(int ms = 10);
// Serves the event loop for all of ms, as timers need.
void ServeEventsFor(int ms);
