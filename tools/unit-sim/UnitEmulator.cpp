#include "UnitEmulator.h"

#include "EmulatorTerminal.h"

#include "Win1254.h"

#include <QFile>
#include <QSocketNotifier>
#include <QUdpSocket>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

// The toggles a "V" answer lists, in its order.
constexpr char kToggles[] = "ECXUDASOBKT";
constexpr int kHangUpWaitMs = 20;

QByteArray padded(const QByteArray& text, int width)
{
    return text.left(width).leftJustified(width, ' ');
}

QByteArray twoDigits(int value, bool blankZero = false)
{
    QByteArray text = QByteArray::number(value).rightJustified(2, '0');
    if (blankZero && text.startsWith('0'))
        text[0] = ' ';
    return text;
}

void appendBigEndian48(QByteArray& bytes, quint64 value)
{
    for (int shift = 40; shift >= 0; shift -= 8)
        bytes.append(char((value >> shift) & 0xff));
}

} // namespace

UnitEmulator::UnitEmulator(QObject* parent)
    : UnitEmulator(Settings {}, parent)
{
}

UnitEmulator::UnitEmulator(Settings settings, QObject* parent)
    : QObject(parent)
    , m_settings(std::move(settings))
{
    for (const char* t = kToggles; *t; ++t)
        m_toggles[*t] = false;
    toggle(QStringLiteral("cdose"));
    m_hangUpWait.setSingleShot(true);
    connect(&m_hangUpWait, &QTimer::timeout, this, [this] {
        if (m_reader)
            m_reader->setEnabled(true);
    });
}

UnitEmulator::~UnitEmulator()
{
    unplug();
}

QString UnitEmulator::path() const
{
    return m_link.isEmpty() ? m_terminal : m_link;
}

bool UnitEmulator::plug(const QString& link, QString* error)
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

bool UnitEmulator::attach(int master, QString* error)
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

void UnitEmulator::start()
{
    m_commands.clear();
    m_dash = false;
    m_reader = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_reader, &QSocketNotifier::activated, this, &UnitEmulator::onReadable);
    m_writer = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writer->setEnabled(false);
    connect(m_writer, &QSocketNotifier::activated, this, &UnitEmulator::onWritable);
}

void UnitEmulator::unplug()
{
    delete m_reader;
    delete m_writer;
    m_reader = m_writer = nullptr;
    m_output.clear();
    if (!m_link.isEmpty())
        QFile::remove(m_link);
    m_link.clear();
    m_hangUpWait.stop();
    if (m_master >= 0 && m_ownsMaster)
        ::close(m_master);
    m_master = -1;
}

bool UnitEmulator::aim(const QHostAddress& host, quint16 port, QString* error)
{
    if (!m_udp) {
        m_udp = new QUdpSocket(this);
        if (!m_udp->bind(host.protocol() == QAbstractSocket::IPv6Protocol
                    ? QHostAddress(QHostAddress::AnyIPv6)
                    : QHostAddress(QHostAddress::AnyIPv4),
                0)) {
            if (error)
                *error = m_udp->errorString();
            delete m_udp;
            m_udp = nullptr;
            return false;
        }
    }
    m_host = host;
    m_port = port;
    return true;
}

void UnitEmulator::onReadable()
{
    char buffer[256];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n <= 0) {
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        // Nobody has the terminal open (EIO): look again a little later.
        m_reader->setEnabled(false);
        m_hangUpWait.start(kHangUpWaitMs);
        return;
    }
    for (ssize_t i = 0; i < n; ++i) {
        const char c = buffer[i];
        QString command;
        if (c == '@') {
            command = QStringLiteral("@");
            if (m_answering)
                write("#");
        } else if (c == '-') {
            m_dash = true;
            continue;
        } else if (c == 'V' || c == 'v') {
            command = m_dash ? QStringLiteral("-V") : QStringLiteral("V");
            if (m_answering && !m_settings.version.isEmpty())
                write(versionAnswer(QDateTime::currentDateTime()) + "\r\n");
        } else if (c != 0 && std::strchr(kToggles, std::toupper(static_cast<unsigned char>(c)))) {
            command = QString(QLatin1Char(c));
            toggle(command);
        }
        m_dash = false;
        if (!command.isEmpty()) {
            m_commands.append(command);
            emit commandReceived(command);
        }
    }
}

void UnitEmulator::write(const QByteArray& bytes)
{
    if (!plugged())
        return;
    m_output.append(bytes);
    onWritable();
}

void UnitEmulator::onWritable()
{
    while (!m_output.isEmpty() && plugged()) {
        const ssize_t n = ::write(m_master, m_output.constData(), size_t(m_output.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        m_output.remove(0, n);
    }
    if (m_writer)
        m_writer->setEnabled(!m_output.isEmpty());
}

void UnitEmulator::toggle(const QString& letters)
{
    for (QChar c : letters) {
        const char upper = char(c.toUpper().toLatin1());
        if (m_toggles.count(upper))
            m_toggles[upper] = c.isLower();
    }
}

bool UnitEmulator::toggleOn(char letter) const
{
    const auto it = m_toggles.find(char(std::toupper(static_cast<unsigned char>(letter))));
    return it != m_toggles.end() && it->second;
}

QByteArray UnitEmulator::versionAnswer(const QDateTime& now) const
{
    QByteArray toggles;
    for (const char* t = kToggles; *t; ++t)
        toggles.append(toggleOn(*t) ? char(std::tolower(*t)) : *t);
    return m_settings.version.toLatin1() + ' ' + toggles + " L=01 "
        + now.toString(QStringLiteral("MM/dd HH:mm:ss")).toLatin1();
}

QString UnitEmulator::shownNumber(const QString& number) const
{
    if (number == QLatin1String("P"))
        return QStringLiteral("Private");
    if (number == QLatin1String("O"))
        return QStringLiteral("Out-of-Area");
    bool digits = !number.isEmpty();
    for (QChar c : number)
        digits = digits && c.isDigit();
    if (!m_settings.dashes || !digits)
        return number;
    // 0212-555-0123, 555-555-0123, 555-0123
    if (number.size() == 11)
        return number.left(4) + QLatin1Char('-') + number.mid(4, 3) + QLatin1Char('-')
            + number.mid(7);
    if (number.size() == 10)
        return number.left(3) + QLatin1Char('-') + number.mid(3, 3) + QLatin1Char('-')
            + number.mid(6);
    if (number.size() == 7)
        return number.left(3) + QLatin1Char('-') + number.mid(3);
    return number;
}

QByteArray UnitEmulator::callRecord(int line, bool inbound, bool start, int durationSeconds,
    bool goodChecksum, int rings, const QString& number, const QString& name,
    const QDateTime& when) const
{
    const QTime t = when.time();
    const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    QByteArray record;
    if (toggleOn('c'))
        record += '$';
    record += twoDigits(line) + ' ' + (inbound ? 'I' : 'O') + ' ' + (start ? 'S' : 'E') + ' '
        + QByteArray::number(qBound(0, durationSeconds, 9999)).rightJustified(4, '0') + ' '
        + (goodChecksum ? 'G' : 'B') + ' ' + 'A' + QByteArray::number(qBound(0, rings, 9)) + ' '
        + twoDigits(when.date().month(), m_settings.blankZero) + '/' + twoDigits(when.date().day())
        + ' ' + twoDigits(hour12) + ':' + twoDigits(t.minute()) + ' '
        + (t.hour() < 12 ? "AM" : "PM") + ' ' + padded(shownNumber(number).toLatin1(), 14) + ' '
        + padded(Win1254::encode(name), 15);
    return record;
}

QByteArray UnitEmulator::detailRecord(int line, Detail event, const QDateTime& when) const
{
    QByteArray record;
    if (toggleOn('c'))
        record += '$';
    // The date starts at the same column as in call records.
    record += twoDigits(line) + ' ' + char(event) + QByteArray(13, ' ')
        + twoDigits(when.date().month(), m_settings.blankZero) + '/' + twoDigits(when.date().day())
        + ' ' + when.time().toString(QStringLiteral("HH:mm:ss")).toLatin1();
    return record;
}

QByteArray UnitEmulator::datagram(const QByteArray& record) const
{
    QByteArray bytes = "^^<U>";
    appendBigEndian48(bytes, m_settings.unitNumber);
    bytes += "<S>";
    appendBigEndian48(bytes, m_settings.serialNumber);
    // An Ethernet unit always puts "$" before the record.
    return bytes + (record.startsWith('$') ? record : '$' + record);
}

void UnitEmulator::send(const QByteArray& record)
{
    if (m_udp)
        sendRaw(datagram(record));
    else
        write(record + "\r\n");
}

void UnitEmulator::sendRaw(const QByteArray& bytes)
{
    if (m_udp) {
        if (m_udp->writeDatagram(bytes, m_host, m_port) >= 0)
            ++m_datagrams;
    } else {
        write(bytes);
    }
}

UnitEmulator::Call& UnitEmulator::call(int line)
{
    return m_calls[size_t(qBound(0, line, int(m_calls.size()) - 1))];
}

void UnitEmulator::detail(int line, Detail event)
{
    if (event == Detail::Ring)
        ++call(line).rings;
    if (toggleOn('d'))
        send(detailRecord(line, event, QDateTime::currentDateTime()));
}

void UnitEmulator::startCall(
    int line, const QString& number, const QString& name, bool goodChecksum)
{
    Call& c = call(line);
    c.active = true;
    c.inbound = true;
    c.number = number;
    c.name = name;
    c.started = QDateTime::currentDateTime();
    if (toggleOn('s'))
        send(callRecord(line, true, true, 0, goodChecksum, 0, number, name, c.started));
}

void UnitEmulator::endCall(int line)
{
    Call& c = call(line);
    if (!c.active)
        return;
    const QDateTime now = QDateTime::currentDateTime();
    if (toggleOn('e'))
        send(callRecord(line, c.inbound, false, int(c.started.secsTo(now)), true, c.rings, c.number,
            c.name, c.started));
    c = {};
}

void UnitEmulator::endOnlyCall(int line, const QString& number, const QString& name)
{
    Call& c = call(line);
    send(callRecord(
        line, true, false, 0, true, c.rings, number, name, QDateTime::currentDateTime()));
    c = {};
}

void UnitEmulator::outboundCall(int line, const QString& number)
{
    if (!toggleOn('o'))
        return;
    const QDateTime now = QDateTime::currentDateTime();
    send(callRecord(line, false, true, 0, true, 0, number, {}, now));
    send(callRecord(line, false, false, 0, true, 0, number, {}, now));
}

void UnitEmulator::flood(int count, int line)
{
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < count; ++i)
        send(callRecord(line > 0 ? line : i % 4 + 1, true, true, 0, true, 0,
            QStringLiteral("0212%1").arg(i % 10000000, 7, 10, QLatin1Char('0')), {}, now));
}
