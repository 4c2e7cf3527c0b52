#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <deque>

class QSocketNotifier;

// A caller-ID modem on a pseudo-terminal, for tests and for trying the
// program without hardware: it answers the AT commands a typical chipset
// answers, reports a line voltage, and rings and sends caller ID on request.
// Unplugging closes the terminal, as a pulled USB modem does.
class ModemEmulator : public QObject
{
    Q_OBJECT
public:
    struct Behaviour
    {
        // Commands answered ERROR, e.g. "AT+VCID=1" for a modem that wants AT#CID=1.
        QStringList refused;
        // Commands never answered at all; "*" for a modem that answers nothing.
        QStringList ignored;
        QString model = QStringLiteral("CX93010"); // AT+GMM; empty: a bare OK
        QString firmware = QStringLiteral("CX93001-EIS_V0.2013-V92"); // ATI3
        QString serial = QStringLiteral("EMU-0001"); // AT+GSN; empty: a bare OK
        // AT-TRV: volts as text, "ERROR", or empty for a bare OK.
        QString voltage = QStringLiteral("30.50");
        // Commands answered with this many lines of text before their OK (a
        // modem gone mad); the lines are made as the terminal takes them.
        QHash<QString, qint64> longAnswers;
    };

    explicit ModemEmulator(QObject* parent = nullptr);
    explicit ModemEmulator(Behaviour behaviour, QObject* parent = nullptr);
    ~ModemEmulator() override;

    // A new terminal; LINK (if given) becomes a symbolic link to it, like a
    // udev name. False, with the reason in *error, when no terminal could be had.
    bool plug(const QString& link = {}, QString* error = nullptr);
    // Plays the modem on a terminal someone else made (a faked machine's
    // device node); MASTER stays theirs.
    bool attach(int master, QString* error = nullptr);
    // Closes the terminal and removes the link.
    void unplug();
    bool plugged() const { return m_master >= 0; }
    // Where the host opens the modem: the link, or the terminal itself.
    QString path() const;
    QString terminal() const { return m_terminal; }

    Behaviour& behaviour() { return m_behaviour; }
    // Commands received since plugging in, in order.
    QStringList commands() const { return m_commands; }
    bool callerIdOn() const { return m_callerId; }

    // Sends BYTES as they are; CHUNK > 0 writes them in pieces of that size a
    // little apart, as a USB modem's reads arrive. What the terminal cannot
    // take yet waits until it can.
    void send(const QByteArray& bytes, int chunk = 0);
    // Sends COUNT lines of text, made as the terminal takes them, then TAIL.
    void sendLines(qint64 count, const QByteArray& tail = {});
    void ring(const QString& variant = {});
    // A formatted caller-ID block; NUMBER or NAME may be "P" (private) or "O" (unavailable).
    static QByteArray formattedBlock(
        const QString& number, const QString& name, const QDateTime& when);
    // A raw caller-ID packet line: MDMF with the name, or SDMF without it.
    static QByteArray rawPacket(
        const QString& number, const QString& name, const QDateTime& when, bool mdmf = true);

signals:
    void commandReceived(const QString& command);
    // Everything sent has been written to the terminal.
    void sent();

private:
    void onReadable();
    void answer(const QString& command);
    void reply(const QString& text);
    void writeNext();
    void writeNow();

    Behaviour m_behaviour;
    void start();

    int m_master = -1;
    bool m_ownsMaster = true;
    // While no one has the terminal open the master only reports a hang-up:
    // it is looked at again a little later instead of spinning on it.
    QTimer m_hangUpWait;
    QString m_terminal;
    QString m_link;
    QSocketNotifier* m_notifier = nullptr;
    QByteArray m_input;
    QStringList m_commands;
    bool m_echo = true;
    bool m_callerId = false;
    std::deque<QByteArray> m_pending;
    // Written from m_pending's front piece so far.
    qsizetype m_written = 0;
    qint64 m_linesToMake = 0;
    qint64 m_linesMade = 0;
    QByteArray m_linesTail;
    QTimer m_writer;
    QSocketNotifier* m_writable = nullptr;
};
