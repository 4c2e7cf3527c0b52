#pragma once

#include "ModemParser.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>

class QFileSystemWatcher;

// A caller-ID modem on one serial port: opens it, initialises it on every
// open, learns its model and serial number, polls its line voltage, passes on
// line commands, and turns what it sends into calls. Everything is
// asynchronous on the calling thread; every command has a time-out. On any
// read error or hang-up the port is closed at once; a link that reopens waits
// for the port to come back.
class ModemLink : public QObject
{
    Q_OBJECT
public:
    enum class OpenResult { Opened, Missing, PermissionDenied, Locked, Failed };
    // Why a probe (a link that does not reopen) ended without a modem.
    enum class Refusal { OpenFailed, NoAnswer, NoCallerId, Lost };
    // Opens PORT on PATH for reading and writing; DETAIL says why not.
    using Opener
        = std::function<OpenResult(QSerialPort& port, const QString& path, QString& detail)>;

    struct Options
    {
        QString path;
        // Reopen when the port comes back (a named port); a probe tries once.
        bool reopen = true;
        // Sent after the reset, for example a country code (AT+GCI=AE).
        QString extraInit;
        int commandTimeoutMs = 3000;
        int retryMs = 2000;
        // Quiet time after the last line of a formatted block that lacks a
        // tag, which completes it: long enough for a modem that paces its lines.
        int blockQuietMs = 1000;
        int voltagePollMs = 1000;
        Opener opener; // the real port when empty
    };

    explicit ModemLink(Options options, QObject* parent = nullptr);
    ~ModemLink() override;

    // Opens the port (once the event loop runs).
    void start();
    bool ready() const { return m_ready; }
    QString path() const { return m_options.path; }
    QString model() const { return m_model; }
    QString serial() const { return m_serial; }

    // Sends a line command once the commands before it are answered; an
    // ERROR or no answer is reported through logLine.
    void lineCommand(const QString& command);

    // Why the last open failed (Opened after a successful one).
    OpenResult lastFailure() const { return m_lastFailure; }
    // What the system said about it (the holder of a port in use: "PID 1234 octoprint").
    QString lastFailureDetail() const { return m_lastDetail; }
    // Why refused() was last emitted; the open's failure is lastFailure().
    Refusal refusal() const { return m_refusal; }
    static OpenResult openPort(QSerialPort& port, const QString& path, QString& detail);
    // The log line for a failed open; empty for failures not worth a line.
    static QString failureText(OpenResult result, const QString& path, const QString& detail);

signals:
    void readyChanged(bool ready);
    // A probe ended without a caller-ID modem: see refusal().
    void refused();
    void call(const CallerIdBlock& block);
    void voltage(double volts);
    void logLine(const QString& line);

private:
    struct Step
    {
        QString command;
        std::function<void(bool ok, const QStringList& answer)> done;
        // The initialisation and AT: every modem answers them, so their
        // silence alone says that the modem is gone.
        bool essential = false;
        // Called instead of done when the modem says nothing at all.
        std::function<void()> silent = {};
    };
    enum class Voltage { Unknown, Reported, Unsupported };

    void tryOpen();
    void beginInit();
    void enableCallerId(int index);
    void identify();
    void becomeReady();
    void send(Step step);
    void sendNext();
    void onReadable();
    void readSlice();
    // Handles what the port holds, up to a slice; true when more may be left.
    bool drainSlice();
    void answered(const QStringList& lines);
    void voltageSilent();
    // Asks the modem whether it is still there, after another command went unanswered.
    void checkAlive();
    void onPortError(QSerialPort::SerialPortError error);
    void onTimeout();
    void handle(const QList<ModemEvent>& events);
    void closePort(bool retry);
    void refuse(Refusal why);
    void pollVoltage();
    void waitForPort();

    Options m_options;
    QSerialPort m_port;
    ModemParser m_parser;
    RingEpisodes m_episodes;
    QElapsedTimer m_clock;
    QTimer m_commandTimer;
    QTimer m_quietTimer;
    QTimer m_voltageTimer;
    QTimer m_retryTimer;
    // Brings the next slice of what the port holds after the event loop's turn.
    QTimer m_nextSlice;
    QFileSystemWatcher* m_watcher = nullptr;

    std::deque<Step> m_queue;
    bool m_busy = false;
    Step m_current;
    QStringList m_answer;

    bool m_ready = false;
    bool m_refusedWhilePresent = false;
    OpenResult m_lastFailure = OpenResult::Opened;
    Refusal m_refusal = Refusal::OpenFailed;
    QString m_lastDetail;
    Voltage m_voltage = Voltage::Unknown;
    // Voltage queries in a row that got no answer at all.
    int m_voltageSilences = 0;
    qint64 m_lastRingMs = -1;
    QString m_model;
    QString m_serial;
};
