#pragma once

#include "DeviceTimer.h"
#include "UnitCalls.h"
#include "UnitSource.h"

#include <QHostAddress>
#include <QSet>
#include <QTimer>

#include <memory>

class QUdpSocket;

// Ethernet multi-line units: listens on a UDP port (with address reuse, so that
// other programs on this machine hear the units' broadcasts too) and passes on
// the records of every unit heard. Listening disturbs nothing, so it never
// asks anything. The device is there from the first unit's first datagram on
// and stays (a unit says nothing between calls); that unit's serial number is
// the device's. Datagrams that are too long, malformed, or from a host that is
// not listened to are dropped: the first of each kind is logged, the rest are
// counted. At most ReadSlice datagrams are handled per turn of the event loop.
class UnitUdpLink : public UnitSource
{
    Q_OBJECT
public:
    static constexpr quint16 DefaultPort = 3520;
    static constexpr int ReadSlice = 32;

    struct Options
    {
        quint16 port = DefaultPort; // 0 picks a free port (tests)
        // Only datagrams from this address count; any sender when null.
        QHostAddress from;
        // Until the port can be listened on, it is tried again this often.
        int retryMs = 5000;
        int dropReportMs = 10000;
        DeviceTimerFactory timers = MakeQtDeviceTimer;
    };

    explicit UnitUdpLink(Options options, QObject* parent = nullptr);
    ~UnitUdpLink() override;

    void start() override;
    // Stops listening; the device stays as it was.
    void stop();
    bool present() const override { return m_present; }
    QString model() const override;
    QString serial() const override { return m_present ? m_serial : QString(); }
    bool listening() const;
    quint16 port() const;

private:
    void bind();
    void readSlice();
    void take(const char* data, qint64 size, const QHostAddress& sender);
    void unitHeard(quint64 serial, quint64 unitNumber, const QHostAddress& sender);
    void dropped(UnitDropLog::Kind kind, const QString& firstLine);

    Options m_options;
    QUdpSocket* m_socket;
    UnitDropLog m_drops;
    std::unique_ptr<DeviceTimer> m_retry;
    std::unique_ptr<DeviceTimer> m_dropReport;
    QTimer m_drain;
    bool m_started = false;
    bool m_bindFailureLogged = false;
    bool m_present = false;
    QString m_serial;
    quint64 m_serialNumber = 0;
    // Units heard besides the device's own (a few are remembered, for one log line each).
    QSet<quint64> m_others;
};
