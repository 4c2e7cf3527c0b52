#include "UnitUdpLink.h"

#include <QUdpSocket>

namespace {

// Units heard besides the device's own that get a log line of their own.
constexpr qsizetype kOtherUnitsNamed = 64;

QString shown(const QHostAddress& address)
{
    bool v4 = false;
    const quint32 ip = address.toIPv4Address(&v4);
    return v4 ? QHostAddress(ip).toString() : address.toString();
}

} // namespace

UnitUdpLink::UnitUdpLink(Options options, QObject* parent)
    : UnitSource(parent)
    , m_options(std::move(options))
    , m_socket(new QUdpSocket(this))
    , m_retry(m_options.timers(this))
    , m_dropReport(m_options.timers(this))
{
    connect(m_socket, &QUdpSocket::readyRead, this, &UnitUdpLink::readSlice);
    m_drain.setSingleShot(true);
    m_drain.setInterval(0);
    connect(&m_drain, &QTimer::timeout, this, &UnitUdpLink::readSlice);
    m_retry->onTimeout = [this] { bind(); };
    m_dropReport->onTimeout = [this] {
        const QString line = m_drops.summary((m_options.dropReportMs + 999) / 1000);
        if (!line.isEmpty())
            emit logLine(line);
    };
}

UnitUdpLink::~UnitUdpLink()
{
    m_socket->disconnect(this);
    m_socket->abort();
}

void UnitUdpLink::start()
{
    if (m_started)
        return;
    m_started = true;
    bind();
}

void UnitUdpLink::stop()
{
    m_started = false;
    m_retry->stop();
    m_drain.stop();
    m_socket->abort();
}

bool UnitUdpLink::listening() const
{
    return m_socket->state() == QAbstractSocket::BoundState;
}

quint16 UnitUdpLink::port() const
{
    return listening() ? m_socket->localPort() : m_options.port;
}

QString UnitUdpLink::model() const
{
    return m_present ? QStringLiteral("CID birimi (Ethernet)") : QString();
}

void UnitUdpLink::bind()
{
    if (!m_started || listening())
        return;
    const QHostAddress any = m_options.from.protocol() == QAbstractSocket::IPv6Protocol
        ? QHostAddress(QHostAddress::AnyIPv6)
        : QHostAddress(QHostAddress::AnyIPv4);
    if (m_socket->bind(
            any, m_options.port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint))
        return;
    // Another program holds the port without sharing it: worth one line, then quiet tries.
    if (!m_bindFailureLogged) {
        m_bindFailureLogged = true;
        emit logLine(QStringLiteral("UDP %1 dinlenemiyor (%2); birimler duyulamaz, yeniden "
                                    "denenecek.")
                         .arg(m_options.port)
                         .arg(m_socket->errorString()));
    }
    m_socket->abort();
    m_retry->start(m_options.retryMs);
}

void UnitUdpLink::readSlice()
{
    // One byte more than a datagram may have: a longer one shows itself by filling it.
    char buffer[UnitParser::MaxDatagramSize + 1];
    for (int i = 0; i < ReadSlice && listening() && m_socket->hasPendingDatagrams(); ++i) {
        QHostAddress sender;
        const qint64 size = m_socket->readDatagram(buffer, sizeof buffer, &sender);
        if (size < 0)
            return;
        take(buffer, size, sender);
    }
    // The rest waits for the next turn, after whatever else the window has to do.
    if (listening() && m_socket->hasPendingDatagrams())
        m_drain.start();
}

void UnitUdpLink::take(const char* data, qint64 size, const QHostAddress& sender)
{
    if (!m_options.from.isNull()
        && !m_options.from.isEqual(sender, QHostAddress::ConvertV4MappedToIPv4)) {
        dropped(UnitDropLog::Kind::ForeignHost,
            QStringLiteral("%1 adresinden gelen paketler yok sayılıyor: yalnız %2 dinleniyor.")
                .arg(shown(sender), shown(m_options.from)));
        return;
    }
    if (size > UnitParser::MaxDatagramSize) {
        dropped(UnitDropLog::Kind::TooLong,
            QStringLiteral("%1 adresinden %2 bayttan uzun bir paket geldi, atıldı.")
                .arg(shown(sender))
                .arg(UnitParser::MaxDatagramSize));
        return;
    }
    const UnitDatagram datagram = UnitParser::parseDatagram(QByteArrayView(data, size));
    if (datagram.status != UnitDatagram::Status::Ok) {
        dropped(UnitDropLog::Kind::BadHeader,
            QStringLiteral("%1 adresinden birim paketi olmayan bir paket geldi, atıldı.")
                .arg(shown(sender)));
        return;
    }
    unitHeard(datagram.serialNumber, datagram.unitNumber, sender);
    switch (datagram.record.kind) {
    case UnitRecord::Kind::Call:
    case UnitRecord::Kind::Detail:
        emit record(QString::number(datagram.serialNumber), datagram.record);
        return;
    case UnitRecord::Kind::Unreadable:
    case UnitRecord::Kind::TooLong:
        dropped(UnitDropLog::Kind::Unreadable,
            QStringLiteral("Birim %1 anlaşılmayan bir kayıt gönderdi, atıldı: \"%2\"")
                .arg(datagram.serialNumber)
                .arg(datagram.record.text));
        return;
    case UnitRecord::Kind::Handshake:
    case UnitRecord::Kind::Version:
        return; // answers to another program's set-up commands
    }
}

void UnitUdpLink::unitHeard(quint64 serial, quint64 unitNumber, const QHostAddress& sender)
{
    if (!m_present) {
        m_present = true;
        m_serialNumber = serial;
        m_serial = QString::number(serial);
        emit logLine(QStringLiteral("Ağdaki birim duyuldu: seri no. %1, birim no. %2 (%3).")
                         .arg(serial)
                         .arg(unitNumber)
                         .arg(shown(sender)));
        emit presenceChanged(true);
        return;
    }
    if (serial == m_serialNumber || m_others.contains(serial)
        || m_others.size() >= kOtherUnitsNamed)
        return;
    m_others.insert(serial);
    emit logLine(QStringLiteral("Başka bir birim de duyuldu: seri no. %1, birim no. %2 (%3); "
                                "çağrıları kendi seri numarasıyla listelenir.")
                     .arg(serial)
                     .arg(unitNumber)
                     .arg(shown(sender)));
}

void UnitUdpLink::dropped(UnitDropLog::Kind kind, const QString& firstLine)
{
    if (m_drops.drop(kind))
        emit logLine(firstLine);
    else if (!m_dropReport->isActive())
        m_dropReport->start(m_options.dropReportMs);
}
