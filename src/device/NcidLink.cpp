#include "NcidLink.h"

#include "Forms.h"

#include <QTcpSocket>

#include <algorithm>

namespace {

// The server waits only a few milliseconds after its greeting for these, so
// they go out as soon as the connection stands, before anything is read.
QByteArray helloLines()
{
    return QByteArrayLiteral("HELLO: IDENT: client callerid-test " CALLERID_VERSION "\n"
                             "HELLO: CMD: no_log\n");
}

} // namespace

NcidLink::NcidLink(QString host, quint16 port, QObject* parent, DeviceTimerFactory timers)
    : QObject(parent)
    , m_host(std::move(host))
    , m_port(port)
    , m_socket(new QTcpSocket(this))
    , m_deadline(timers(this))
    , m_retry(timers(this))
    , m_keepAlive(timers(this))
{
    m_socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    connect(m_socket, &QTcpSocket::connected, this, [this] { onConnected(); });
    connect(m_socket, &QTcpSocket::readyRead, this, [this] { onReadyRead(); });
    connect(m_socket, &QTcpSocket::errorOccurred, this,
        [this](QAbstractSocket::SocketError error) { onSocketError(error); });
    // A close without an error (a server that shuts down in order) ends the connection too.
    connect(m_socket, &QTcpSocket::disconnected, this,
        [this] { onSocketError(QAbstractSocket::RemoteHostClosedError); });
    m_deadline->onTimeout = [this] { onDeadline(); };
    m_retry->onTimeout = [this] { Application()->Guard(this, [this] { connectNow(); }); };
    m_keepAlive->onTimeout = [this] {
        // A bare line end: servers ignore it, and a dead connection shows itself by failing.
        if (m_state != State::Up)
            return;
        m_socket->write("\n");
        m_keepAlive->start(KeepAliveMs);
    };
}

NcidLink::~NcidLink()
{
    m_state = State::Stopped;
    m_socket->disconnect(this);
    m_socket->abort();
}

QString NcidLink::address() const
{
    const QString host
        = m_host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(m_host) : m_host;
    return host + QLatin1Char(':') + QString::number(m_port);
}

void NcidLink::start()
{
    if (m_state == State::Stopped)
        connectNow();
}

void NcidLink::stop()
{
    m_state = State::Stopped;
    m_deadline->stop();
    m_retry->stop();
    m_keepAlive->stop();
    m_socket->abort();
    setPresent(false);
}

void NcidLink::connectNow()
{
    m_socket->abort();
    m_parser.reset();
    m_state = State::Connecting;
    m_deadline->start(ConnectTimeoutMs);
    m_socket->connectToHost(m_host, m_port);
}

void NcidLink::onConnected()
{
    if (m_state != State::Connecting)
        return;
    m_state = State::Greeting;
    m_socket->write(helloLines());
    m_deadline->start(GreetingTimeoutMs);
}

void NcidLink::onReadyRead()
{
    Application()->Guard(this, [this] {
        if (m_state != State::Greeting && m_state != State::Up) {
            m_socket->readAll();
            return;
        }
        m_keepAlive->start(KeepAliveMs);
        const QByteArray data = m_socket->readAll();
        for (const NcidEvent& event : m_parser.feed(data)) {
            handle(event);
            // A handled line may have ended the connection: the rest belongs to no one.
            if (m_state != State::Greeting && m_state != State::Up)
                break;
        }
    });
}

void NcidLink::handle(const NcidEvent& event)
{
    switch (event.kind) {
    case NcidEvent::Kind::Greeting:
        if (m_state != State::Greeting)
            return;
        m_state = State::Up;
        m_deadline->stop();
        m_retryDelay = FirstRetryMs;
        m_failureLogged = false;
        m_model = NcidParser::modelFromGreeting(event.text);
        setPresent(true);
        return;
    case NcidEvent::Kind::Call:
        if (m_state == State::Up)
            raiseCall(event.call);
        return;
    case NcidEvent::Kind::Message:
        if (m_state == State::Up && !event.text.isEmpty())
            emit logLine(QStringLiteral("NCID: ") + event.text);
        return;
    case NcidEvent::Kind::LineTooLong:
        fail(QStringLiteral("NCID sunucusu %1 bayttan uzun bir satır gönderdi, bağlantı kesildi "
                            "(%2)")
                 .arg(NcidParser::MaxLineLength)
                 .arg(address()));
        return;
    default:
        // The call log, its end, options, the end of start-up and information
        // about calls change nothing on the screen.
        return;
    }
}

void NcidLink::raiseCall(const NcidCall& call)
{
    bool isNew = false;
    const int line = m_lines.numberFor(call.line, &isNew);
    if (isNew)
        emit logLine(
            QStringLiteral("NCID hattı \"%1\": Hat no. %2")
                .arg(call.line.trimmed().isEmpty() ? QStringLiteral("-") : call.line.trimmed())
                .arg(line));
    const auto shown
        = [](const QString& field) { return field == QLatin1String("-") ? QString() : field; };
    const QString dateTime
        = QStringList({ shown(call.date), shown(call.time) }).join(QLatin1Char(' ')).trimmed();
    emit callArrived(
        line, NcidParser::shownNumber(call.number), dateTime, NcidParser::shownName(call.name));
}

void NcidLink::onSocketError(QAbstractSocket::SocketError error)
{
    Application()->Guard(this, [this, error] {
        switch (m_state) {
        case State::Connecting:
            if (m_quietWhenUnreachable)
                fail({});
            else
                fail(QStringLiteral("NCID sunucusuna bağlanılamadı (%1): %2")
                         .arg(address(), errorText(error)));
            return;
        case State::Greeting:
        case State::Up:
            fail(QStringLiteral("NCID sunucusu bağlantıyı kesti (%1): %2")
                     .arg(address(), errorText(error)));
            return;
        default:
            return;
        }
    });
}

void NcidLink::onDeadline()
{
    Application()->Guard(this, [this] {
        if (m_state == State::Connecting && m_quietWhenUnreachable)
            fail({});
        else if (m_state == State::Connecting)
            fail(QStringLiteral("NCID sunucusuna bağlanılamadı (%1): zaman aşımı").arg(address()));
        else if (m_state == State::Greeting)
            fail(QStringLiteral("NCID sunucusu selamlamadı (%1): zaman aşımı").arg(address()));
    });
}

void NcidLink::fail(const QString& why)
{
    m_state = State::Waiting;
    m_deadline->stop();
    m_keepAlive->stop();
    m_socket->abort();
    m_parser.reset();
    setPresent(false);
    m_retry->start(m_retryDelay);
    m_retryDelay = std::min(m_retryDelay * 2, LastRetryMs);
    if (!why.isEmpty() && !m_failureLogged) {
        m_failureLogged = true;
        emit logLine(why);
    }
}

void NcidLink::setPresent(bool present)
{
    if (present == m_present)
        return;
    m_present = present;
    if (!present)
        m_model.clear();
    emit presenceChanged(present);
}

QString NcidLink::errorText(QAbstractSocket::SocketError error) const
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("bağlantı reddedildi");
    case QAbstractSocket::RemoteHostClosedError:
        return QStringLiteral("sunucu bağlantıyı kapattı");
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("sunucu adı bulunamadı");
    case QAbstractSocket::NetworkError:
        return QStringLiteral("ağ hatası");
    default:
        return m_socket->errorString();
    }
}
