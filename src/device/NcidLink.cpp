#include "NcidLink.h"

#include "Forms.h"

#include <QElapsedTimer>
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

// Bytes taken from the socket at a time (a dozen lines); the slice's limits
// are checked between them, so that a slice ends close to them.
constexpr qint64 kReadChunk = 1024;

} // namespace

int NcidBackoff::failed()
{
    m_owed = m_delay;
    m_delay = std::min(m_delay * 2, LastMs);
    return m_owed;
}

void NcidBackoff::stable()
{
    m_delay = FirstMs;
    m_owed = 0;
    failureLogged = false;
}

NcidLink::NcidLink(QString host, quint16 port, QObject* parent, DeviceTimerFactory timers,
    std::shared_ptr<NcidBackoff> backoff)
    : QObject(parent)
    , m_host(std::move(host))
    , m_port(port)
    , m_socket(new QTcpSocket(this))
    , m_deadline(timers(this))
    , m_retry(timers(this))
    , m_keepAlive(timers(this))
    , m_stable(timers(this))
    , m_backoff(backoff ? std::move(backoff) : std::make_shared<NcidBackoff>())
{
    m_socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    m_socket->setReadBufferSize(ReadBufferBytes);
    m_nextSlice.setSingleShot(true);
    connect(&m_nextSlice, &QTimer::timeout, this, [this] { readSlice(); });
    connect(m_socket, &QTcpSocket::connected, this, [this] { onConnected(); });
    connect(m_socket, &QTcpSocket::readyRead, this, [this] {
        if (!m_nextSlice.isActive())
            readSlice();
    });
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
    m_stable->onTimeout = [this] {
        if (m_state == State::Up)
            m_backoff->stable();
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
    if (m_state != State::Stopped)
        return;
    // A link made to replace one that just failed waits as that one would have.
    if (const int wait = m_backoff->owed()) {
        m_state = State::Waiting;
        m_retry->start(wait);
        return;
    }
    connectNow();
}

void NcidLink::stop()
{
    m_state = State::Stopped;
    m_deadline->stop();
    m_retry->stop();
    m_keepAlive->stop();
    m_stable->stop();
    m_nextSlice.stop();
    m_socket->abort();
    reportSharedLineCalls();
    setPresent(false);
}

void NcidLink::connectNow()
{
    m_socket->abort();
    m_nextSlice.stop();
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

void NcidLink::readSlice()
{
    bool more = true;
    Application()->Guard(this, [this, &more] { more = drain(true); });
    // Whatever a slice left (or a handler's failure cut short) comes at the next
    // turn, which also lets a full socket read from the kernel again.
    if (more)
        m_nextSlice.start(0);
}

bool NcidLink::drain(bool paced)
{
    if (m_state != State::Greeting && m_state != State::Up) {
        m_socket->readAll();
        return false;
    }
    m_keepAlive->start(KeepAliveMs);
    QElapsedTimer clock;
    clock.start();
    int lines = 0;
    for (;;) {
        // Reading until nothing comes lets the socket fetch more from the kernel.
        const QByteArray data = m_socket->read(kReadChunk);
        if (data.isEmpty())
            return false;
        for (const NcidEvent& event : m_parser.feed(data)) {
            handle(event);
            ++lines;
            // A handled line may have ended the connection: the rest belongs to no one.
            if (m_state != State::Greeting && m_state != State::Up)
                return false;
        }
        if (paced && (lines >= SliceLines || clock.elapsed() >= SliceMs))
            return true;
    }
}

void NcidLink::handle(const NcidEvent& event)
{
    switch (event.kind) {
    case NcidEvent::Kind::Greeting:
        if (m_state != State::Greeting)
            return;
        m_state = State::Up;
        m_deadline->stop();
        m_stable->start(StableMs);
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
    NcidLineNumbers::Outcome outcome = NcidLineNumbers::Outcome::Known;
    const int line = m_lines.numberFor(call.line, &outcome);
    switch (outcome) {
    case NcidLineNumbers::Outcome::Given:
        emit logLine(QStringLiteral("NCID hattı \"%1\": Hat no. %2")
                         .arg(NcidLineNumbers::shownLabel(call.line))
                         .arg(line));
        break;
    case NcidLineNumbers::Outcome::TableFull:
        emit logLine(QStringLiteral("NCID sunucusu %1 hattan fazlasını bildiriyor; yeni hatların "
                                    "çağrıları Hat no. %2 olarak gösterilir")
                         .arg(NcidLineNumbers::MaxLabels)
                         .arg(line));
        ++m_sharedLineCalls;
        break;
    case NcidLineNumbers::Outcome::Shared:
        ++m_sharedLineCalls;
        break;
    default:
        break;
    }
    const auto shown
        = [](const QString& field) { return field == QLatin1String("-") ? QString() : field; };
    const QString dateTime
        = QStringList({ shown(call.date), shown(call.time) }).join(QLatin1Char(' ')).trimmed();
    emit callArrived(
        line, NcidParser::shownNumber(call.number), dateTime, NcidParser::shownName(call.name));
}

void NcidLink::reportSharedLineCalls()
{
    if (m_sharedLineCalls > 0)
        emit logLine(QStringLiteral("NCID: %1 çağrı, tabloya sığmayan hatlardan geldi")
                         .arg(m_sharedLineCalls));
    m_sharedLineCalls = 0;
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
            // What the server said before it went is still read: nothing it sent is lost.
            drain(false);
            if (m_state != State::Greeting && m_state != State::Up)
                return;
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
    m_stable->stop();
    m_nextSlice.stop();
    m_socket->abort();
    m_parser.reset();
    reportSharedLineCalls();
    setPresent(false);
    m_retry->start(m_backoff->failed());
    if (!why.isEmpty() && !m_backoff->failureLogged) {
        m_backoff->failureLogged = true;
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
