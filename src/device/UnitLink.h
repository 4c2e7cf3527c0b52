#pragma once

#include "DeviceTimer.h"
#include "ModemLink.h"
#include "UnitCalls.h"
#include "UnitSource.h"

#include <QSerialPort>
#include <QTimer>

#include <memory>
#include <vector>

class QFileSystemWatcher;

// A multi-line caller-ID unit on a serial port (9600 8N1): opens the port,
// makes sure a unit is there ("@" answered by "#"), asks its version ("V",
// then "-V"), and passes its records on. While the unit is there it is asked
// "@" again after a quiet while, so that a unit switched off behind its USB
// adapter is noticed. On a read error or hang-up the port is closed at once.
//
// With reopen false the link is a one-shot probe of one port: it ends in
// presenceChanged(true) or in refused(), and a ready link can be handed to a
// UnitXelto as it is. With reopen true it waits for the port to come back.
class UnitLink : public UnitSource
{
    Q_OBJECT
public:
    struct Options
    {
        QString path;
        bool reopen = true;
        // For "#" after "@", and for the version.
        int answerTimeoutMs = 1000;
        // "@" is sent this many times before a port counts as silent.
        int handshakeTries = 3;
        // Quiet time after which a present unit is asked "@" again.
        int keepAliveMs = 15000;
        int retryMs = 2000;
        // How often counts of dropped lines are written to the log.
        int dropReportMs = 10000;
        ModemLink::Opener opener; // the real port when empty
        DeviceTimerFactory timers = MakeQtDeviceTimer;
    };

    explicit UnitLink(Options options, QObject* parent = nullptr);
    ~UnitLink() override;

    void start() override;
    bool present() const override { return m_state == State::Ready; }
    QString model() const override { return present() ? m_model : QString(); }
    QString serial() const override { return present() ? m_serial : QString(); }
    QString path() const { return m_options.path; }
    // Why the last open failed (Opened after a successful one).
    ModemLink::OpenResult lastFailure() const { return m_lastFailure; }

    // At most this many bytes are handled per turn of the event loop.
    static constexpr qint64 ReadSlice = 4096;

signals:
    // A probe found no unit on the port (missing, refused, or silent).
    void refused();

private:
    enum class State { Closed, Handshake, Version, Ready };

    void tryOpen();
    void waitForPort(int delayMs);
    void handshake();
    void askVersion(const char* command);
    void becomeReady();
    void onReadable();
    void handle(const UnitRecord& record);
    void onAnswerTimeout();
    void onKeepAlive();
    void onPortError(QSerialPort::SerialPortError error);
    void closePort(bool retry, int delayMs);
    void dropped(UnitDropLog::Kind kind, const QString& firstLine);
    void identify();

    Options m_options;
    QSerialPort m_port;
    UnitParser m_parser;
    UnitDropLog m_drops;
    std::unique_ptr<DeviceTimer> m_answer;
    std::unique_ptr<DeviceTimer> m_keepAlive;
    std::unique_ptr<DeviceTimer> m_retry;
    std::unique_ptr<DeviceTimer> m_dropReport;
    QTimer m_drain;
    QFileSystemWatcher* m_watcher = nullptr;

    State m_state = State::Closed;
    bool m_started = false;
    int m_tries = 0;
    bool m_askedLongVersion = false;
    int m_missedKeepAlives = 0;
    bool m_silenceLogged = false;
    ModemLink::OpenResult m_lastFailure = ModemLink::OpenResult::Opened;
    QString m_model;
    QString m_serial;
    // Records that came while the unit was being asked who it is.
    std::vector<UnitRecord> m_early;
};
