#include "ModemEmulator.h"

#include "EmulatorTerminal.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace {

constexpr int kChunkGapMs = 2;
constexpr int kHangUpWaitMs = 20;
// Lines of a long answer made at a time.
constexpr qint64 kLinesPerPiece = 64;

QByteArray packet(quint8 type, const QByteArray& body)
{
    QByteArray bytes;
    bytes.append(char(type));
    bytes.append(char(body.size()));
    bytes.append(body);
    quint8 sum = 0;
    for (char c : bytes)
        sum = quint8(sum + quint8(c));
    bytes.append(char(quint8(0x100 - sum)));
    return bytes;
}

QByteArray parameter(quint8 type, const QByteArray& value)
{
    return QByteArray(1, char(type)) + char(value.size()) + value;
}

bool isReason(const QString& text)
{
    return text == QLatin1String("P") || text == QLatin1String("O");
}

} // namespace

ModemEmulator::ModemEmulator(QObject* parent)
    : ModemEmulator(Behaviour {}, parent)
{
}

ModemEmulator::ModemEmulator(Behaviour behaviour, QObject* parent)
    : QObject(parent)
    , m_behaviour(std::move(behaviour))
{
    m_writer.setSingleShot(true);
    connect(&m_writer, &QTimer::timeout, this, &ModemEmulator::writeNext);
    m_hangUpWait.setSingleShot(true);
    connect(&m_hangUpWait, &QTimer::timeout, this, [this] {
        if (m_notifier)
            m_notifier->setEnabled(true);
    });
}

ModemEmulator::~ModemEmulator()
{
    unplug();
}

QString ModemEmulator::path() const
{
    return m_link.isEmpty() ? m_terminal : m_link;
}

bool ModemEmulator::plug(const QString& link, QString* error)
{
    unplug();
    m_master = EmulatorTerminal::open(link, &m_terminal, error);
    if (m_master < 0)
        return false;
    m_ownsMaster = true;
    m_link = link;
    start();
    return true;
}

bool ModemEmulator::attach(int master, QString* error)
{
    unplug();
    m_terminal = EmulatorTerminal::adopt(master, error);
    if (m_terminal.isEmpty())
        return false;
    m_master = master;
    m_ownsMaster = false;
    start();
    return true;
}

void ModemEmulator::start()
{
    m_input.clear();
    m_commands.clear();
    m_echo = true;
    m_callerId = false;
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ModemEmulator::onReadable);
    m_writable = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writable->setEnabled(false);
    connect(m_writable, &QSocketNotifier::activated, this, &ModemEmulator::writeNow);
}

void ModemEmulator::unplug()
{
    m_writer.stop();
    m_hangUpWait.stop();
    m_pending.clear();
    m_written = 0;
    m_linesToMake = m_linesMade = 0;
    m_linesTail.clear();
    delete m_notifier;
    m_notifier = nullptr;
    delete m_writable;
    m_writable = nullptr;
    if (!m_link.isEmpty())
        QFile::remove(m_link);
    m_link.clear();
    if (m_master >= 0 && m_ownsMaster)
        ::close(m_master);
    m_master = -1;
}

void ModemEmulator::onReadable()
{
    char buffer[512];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n <= 0) {
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        // Nobody has the terminal open (EIO): look again a little later.
        m_notifier->setEnabled(false);
        m_hangUpWait.start(kHangUpWaitMs);
        return;
    }
    m_input.append(buffer, n);
    for (;;) {
        const qsizetype end = m_input.indexOf('\r');
        if (end < 0)
            break;
        const QString command = QString::fromLatin1(m_input.left(end)).trimmed();
        if (m_echo)
            send(m_input.left(end + 1));
        m_input.remove(0, end + 1);
        if (m_input.startsWith('\n'))
            m_input.remove(0, 1);
        if (command.isEmpty())
            continue;
        m_commands.append(command);
        emit commandReceived(command);
        answer(command);
    }
}

void ModemEmulator::reply(const QString& text)
{
    send("\r\n" + text.toLatin1() + "\r\n");
}

void ModemEmulator::answer(const QString& command)
{
    const Behaviour& b = m_behaviour;
    if (b.ignored.contains(QStringLiteral("*")) || b.ignored.contains(command))
        return;
    if (b.refused.contains(command)) {
        reply(QStringLiteral("ERROR"));
        return;
    }
    const QString upper = command.toUpper();
    if (const qint64 lines = b.longAnswers.value(command); lines > 0) {
        sendLines(lines, "\r\nOK\r\n");
        return;
    }
    auto answerWith = [this](const QString& text) {
        if (!text.isEmpty())
            reply(text);
        reply(QStringLiteral("OK"));
    };
    if (upper == QLatin1String("ATZ")) {
        m_echo = true;
        m_callerId = false;
        reply(QStringLiteral("OK"));
    } else if (upper == QLatin1String("ATE0") || upper == QLatin1String("ATE1")) {
        m_echo = upper.endsWith(QLatin1Char('1'));
        reply(QStringLiteral("OK"));
    } else if (upper == QLatin1String("AT+VCID=1") || upper == QLatin1String("AT#CID=1")
        || upper == QLatin1String("AT+FCLASS=8;+VCID=1")) {
        m_callerId = true;
        reply(QStringLiteral("OK"));
    } else if (upper == QLatin1String("AT+GMM")) {
        answerWith(b.model);
    } else if (upper == QLatin1String("ATI3")) {
        answerWith(b.firmware);
    } else if (upper == QLatin1String("AT+GSN")) {
        answerWith(b.serial);
    } else if (upper == QLatin1String("AT-TRV")) {
        if (b.voltage == QLatin1String("ERROR"))
            reply(b.voltage);
        else
            answerWith(b.voltage);
    } else if (upper == QLatin1String("AT") || upper == QLatin1String("ATV1")
        || upper == QLatin1String("ATH0") || upper == QLatin1String("ATH1")
        || upper.startsWith(QLatin1String("AT+GCI=")) || upper.startsWith(QLatin1String("ATDT"))) {
        reply(QStringLiteral("OK"));
    } else {
        reply(QStringLiteral("ERROR"));
    }
}

void ModemEmulator::send(const QByteArray& bytes, int chunk)
{
    if (!plugged())
        return;
    if (chunk <= 0 || chunk >= bytes.size())
        m_pending.push_back(bytes);
    else
        for (qsizetype at = 0; at < bytes.size(); at += chunk)
            m_pending.push_back(bytes.mid(at, chunk));
    if (!m_writer.isActive() && !m_writable->isEnabled())
        writeNext();
}

void ModemEmulator::sendLines(qint64 count, const QByteArray& tail)
{
    if (!plugged())
        return;
    m_linesToMake = count;
    m_linesMade = 0;
    m_linesTail = tail;
    if (!m_writer.isActive() && !m_writable->isEnabled())
        writeNext();
}

void ModemEmulator::writeNext()
{
    // Whole pieces at once; pieces of a split write a little apart.
    while (plugged()) {
        if (m_pending.empty() && m_linesMade < m_linesToMake) {
            QByteArray piece;
            for (qint64 i = 0; i < kLinesPerPiece && m_linesMade < m_linesToMake; ++i)
                piece += "\r\nLINE " + QByteArray::number(++m_linesMade).rightJustified(9, '0')
                    + " OF A LONG ANSWER";
            if (m_linesMade == m_linesToMake)
                piece += std::exchange(m_linesTail, {});
            m_pending.push_back(piece);
        }
        if (m_pending.empty())
            break;
        const QByteArray& piece = m_pending.front();
        const ssize_t n
            = ::write(m_master, piece.constData() + m_written, size_t(piece.size() - m_written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            // The terminal is full: the rest goes when the host has read some.
            m_writable->setEnabled(true);
            return;
        }
        if (n <= 0) {
            m_pending.clear();
            m_written = 0;
            break;
        }
        m_written += n;
        if (m_written < piece.size())
            continue;
        const bool small = piece.size() < 16;
        m_pending.pop_front();
        m_written = 0;
        if (small && !m_pending.empty()) {
            m_writer.start(kChunkGapMs);
            return;
        }
    }
    emit sent();
}

void ModemEmulator::writeNow()
{
    m_writable->setEnabled(false);
    writeNext();
}

void ModemEmulator::ring(const QString& variant)
{
    send(
        variant.isEmpty() ? QByteArray("\r\nRING\r\n") : "\r\nRING " + variant.toLatin1() + "\r\n");
}

QByteArray ModemEmulator::formattedBlock(
    const QString& number, const QString& name, const QDateTime& when)
{
    QByteArray block = "\r\nDATE = " + when.toString(QStringLiteral("MMdd")).toLatin1() + "\r\n"
        + "TIME = " + when.toString(QStringLiteral("HHmm")).toLatin1() + "\r\n"
        + "NMBR = " + number.toLatin1() + "\r\n";
    if (!name.isEmpty())
        block += "NAME = " + name.toUtf8() + "\r\n";
    return block + "\r\n";
}

QByteArray ModemEmulator::rawPacket(
    const QString& number, const QString& name, const QDateTime& when, bool mdmf)
{
    const QByteArray stamp = when.toString(QStringLiteral("MMddHHmm")).toLatin1();
    QByteArray bytes;
    if (!mdmf) {
        bytes = packet(0x04, stamp + number.toLatin1());
    } else {
        QByteArray body = parameter(0x01, stamp);
        body += parameter(isReason(number) ? 0x04 : 0x02, number.toLatin1());
        if (!name.isEmpty())
            body += parameter(isReason(name) ? 0x08 : 0x07, name.toUtf8());
        bytes = packet(0x80, body);
    }
    return "\r\n" + bytes.toHex().toUpper() + "\r\n";
}
