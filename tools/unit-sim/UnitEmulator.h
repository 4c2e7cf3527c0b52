#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <array>
#include <map>

class QSocketNotifier;
class QUdpSocket;

// A four-line caller-ID unit, for tests and for trying the program without
// hardware. On a pseudo-terminal it answers "@" with "#" and "V" (or "-V")
// with its version, toggles and clock, and takes the toggles; or it sends one
// UDP datagram per record, with the header an Ethernet unit puts in front.
// Unplugging closes the terminal, as a pulled USB unit does.
class UnitEmulator : public QObject
{
    Q_OBJECT
public:
    struct Settings
    {
        quint64 unitNumber = 1;
        quint64 serialNumber = 123456;
        // What "V" answers first; empty for a unit that does not answer "V".
        QString version = QStringLiteral("V4.2");
        // Numbers with dashes ("0212-555-0123"), as units send them unless set not to.
        bool dashes = true;
        // Dates with a blank for a leading zero (" 9/26"), as some units send them.
        bool blankZero = false;
    };
    enum class Detail : char { Ring = 'R', OffHook = 'F', OnHook = 'N', Flash = 'H' };

    explicit UnitEmulator(QObject* parent = nullptr);
    explicit UnitEmulator(Settings settings, QObject* parent = nullptr);
    ~UnitEmulator() override;

    Settings& settings() { return m_settings; }

    // A new terminal; LINK (if given) becomes a symbolic link to it, like a
    // udev name. False, with the reason in *error, when no terminal could be had.
    bool plug(const QString& link = {}, QString* error = nullptr);
    // Plays the unit on a terminal someone else made (a faked machine's
    // device node); MASTER stays theirs.
    bool attach(int master, QString* error = nullptr);
    // Closes the terminal and removes the link.
    void unplug();
    bool plugged() const { return m_master >= 0; }
    QString path() const;
    QString terminal() const { return m_terminal; }
    // Commands received on the terminal since plugging in: "@", "V", "-V", toggle letters.
    QStringList commands() const { return m_commands; }
    // A unit switched off behind its USB adapter answers nothing.
    void setAnswering(bool answering) { m_answering = answering; }

    // From now on records go as datagrams to HOST:PORT (also a broadcast address).
    bool aim(const QHostAddress& host, quint16 port, QString* error = nullptr);

    // Sets toggles: a lower-case letter turns one on, an upper-case one off.
    // Understood: c ("$" before records), d (detail records), o (outbound
    // records), s (start records), e (end records); others are only kept.
    void toggle(const QString& letters);
    bool toggleOn(char letter) const;
    // What "V" answers.
    QByteArray versionAnswer(const QDateTime& now) const;

    // The text of records, without a line end.
    QByteArray callRecord(int line, bool inbound, bool start, int durationSeconds,
        bool goodChecksum, int rings, const QString& number, const QString& name,
        const QDateTime& when) const;
    QByteArray detailRecord(int line, Detail event, const QDateTime& when) const;
    // RECORD behind an Ethernet unit's header.
    QByteArray datagram(const QByteArray& record) const;
    // NUMBER as the unit shows it: P and O in words, dashes if set.
    QString shownNumber(const QString& number) const;

    // A record: on the terminal with CR LF, or as one datagram.
    void send(const QByteArray& record);
    // BYTES exactly: on the terminal as they are, or as one whole datagram.
    void sendRaw(const QByteArray& bytes);

    // What a unit reports as the lines are used (each as its toggles allow).
    void detail(int line, Detail event);
    void startCall(int line, const QString& number, const QString& name, bool goodChecksum = true);
    void endCall(int line);
    void endOnlyCall(int line, const QString& number, const QString& name);
    void outboundCall(int line, const QString& number);
    // COUNT inbound start records on lines 1 to 4 in turn (or on LINE), as fast as they go.
    void flood(int count, int line = 0);

    // Datagrams sent and bytes written to the terminal, since construction.
    qint64 datagramsSent() const { return m_datagrams; }

signals:
    void commandReceived(const QString& command);

private:
    struct Call
    {
        bool active = false;
        bool inbound = true;
        QString number;
        QString name;
        QDateTime started;
        int rings = 0;
    };

    void start();
    void onReadable();
    void onWritable();
    void write(const QByteArray& bytes);
    Call& call(int line);

    Settings m_settings;
    std::map<char, bool> m_toggles;
    bool m_answering = true;
    int m_master = -1;
    // While no one has the terminal open the master only reports a hang-up:
    // it is looked at again a little later instead of spinning on it.
    QTimer m_hangUpWait;
    bool m_ownsMaster = true;
    QString m_terminal;
    QString m_link;
    QSocketNotifier* m_reader = nullptr;
    QSocketNotifier* m_writer = nullptr;
    QByteArray m_output;
    QStringList m_commands;
    bool m_dash = false;
    QUdpSocket* m_udp = nullptr;
    QHostAddress m_host;
    quint16 m_port = 0;
    qint64 m_datagrams = 0;
    std::array<Call, 100> m_calls {};
};
