#include "UnitLink.h"

#include "SerialPorts.h"

#include <QFileInfo>
#include <QFileSystemWatcher>

namespace {

// A port whose device does not answer may hold a unit that is still off: ask again, seldom.
constexpr int kSilentRetryFactor = 5;
// A present unit that misses this many "@" in a row is gone.
constexpr int kKeepAliveMisses = 2;
// Records that come while the unit is being identified wait for it, up to this many.
constexpr size_t kEarlyRecords = 16;

QString unitModel(const QString& version)
{
    const QString name = QStringLiteral("CID birimi");
    const QString first = version.section(QLatin1Char(' '), 0, 0);
    return first.isEmpty() ? name : name + QLatin1Char(' ') + first;
}

} // namespace

UnitLink::UnitLink(Options options, QObject* parent)
    : UnitSource(parent)
    , m_options(std::move(options))
    , m_answer(m_options.timers(this))
    , m_keepAlive(m_options.timers(this))
    , m_retry(m_options.timers(this))
    , m_dropReport(m_options.timers(this))
{
    if (!m_options.opener)
        m_options.opener = &ModemLink::openPort;
    m_answer->onTimeout = [this] { onAnswerTimeout(); };
    m_keepAlive->onTimeout = [this] { onKeepAlive(); };
    m_retry->onTimeout = [this] { tryOpen(); };
    m_dropReport->onTimeout = [this] {
        const QString line = m_drops.summary((m_options.dropReportMs + 999) / 1000);
        if (!line.isEmpty())
            emit logLine(line);
    };
    m_drain.setSingleShot(true);
    m_drain.setInterval(0);
    connect(&m_drain, &QTimer::timeout, this, &UnitLink::onReadable);
    // Past this the port is not read until the link has caught up: the sender waits, not memory.
    m_port.setReadBufferSize(16 * ReadSlice);
    connect(&m_port, &QSerialPort::readyRead, this, &UnitLink::onReadable);
    connect(&m_port, &QSerialPort::errorOccurred, this, &UnitLink::onPortError);
}

UnitLink::~UnitLink()
{
    if (m_port.isOpen())
        m_port.close();
}

void UnitLink::start()
{
    if (m_started)
        return;
    m_started = true;
    if (m_options.reopen) {
        // Ports come and go with their folder's entries (udev, a pty's link).
        m_watcher = new QFileSystemWatcher(this);
        m_watcher->addPath(QFileInfo(m_options.path).absolutePath());
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
            if (m_state == State::Closed)
                m_retry->start(0);
        });
    }
    QTimer::singleShot(0, this, &UnitLink::tryOpen);
}

void UnitLink::tryOpen()
{
    if (m_port.isOpen())
        return;
    if (!QFileInfo::exists(m_options.path)) {
        // Unplugged: a unit that was silent may answer when it comes back.
        m_lastFailure = ModemLink::OpenResult::Missing;
        m_silenceLogged = false;
        if (!m_options.reopen)
            emit refused();
        waitForPort(m_options.retryMs);
        return;
    }
    QString detail;
    const ModemLink::OpenResult result = m_options.opener(m_port, m_options.path, detail);
    if (result == ModemLink::OpenResult::Opened) {
        m_lastFailure = result;
        m_port.setBaudRate(QSerialPort::Baud9600);
        m_port.setDataBits(QSerialPort::Data8);
        m_port.setParity(QSerialPort::NoParity);
        m_port.setStopBits(QSerialPort::OneStop);
        m_port.setFlowControl(QSerialPort::NoFlowControl);
        m_parser.reset();
        m_early.clear();
        m_model.clear();
        m_serial.clear();
        m_tries = 0;
        handshake();
        return;
    }
    const bool news = result != m_lastFailure;
    m_lastFailure = result;
    if (!m_options.reopen) {
        emit refused();
        return;
    }
    if (news) {
        const QString text = ModemLink::failureText(result, m_options.path, detail);
        if (!text.isEmpty())
            emit logLine(text);
    }
    waitForPort(m_options.retryMs);
}

void UnitLink::waitForPort(int delayMs)
{
    if (m_options.reopen && !m_retry->isActive())
        m_retry->start(delayMs);
}

void UnitLink::handshake()
{
    m_state = State::Handshake;
    ++m_tries;
    m_port.write("@");
    m_answer->start(m_options.answerTimeoutMs);
}

void UnitLink::askVersion(const char* command)
{
    m_state = State::Version;
    m_port.write(command);
    m_answer->start(m_options.answerTimeoutMs);
}

void UnitLink::identify()
{
    // A USB model is its serial adapter: udev knows the adapter's serial number.
    if (const auto port = SerialPorts::describe(m_options.path))
        m_serial = port->serial;
    if (m_serial.isEmpty())
        m_serial = SerialPorts::byIdName(m_options.path);
    if (m_serial.isEmpty())
        m_serial = m_options.path;
    if (m_model.isEmpty())
        m_model = unitModel({});
}

void UnitLink::becomeReady()
{
    identify();
    m_state = State::Ready;
    m_silenceLogged = false;
    m_keepAlive->start(m_options.keepAliveMs);
    emit presenceChanged(true);
    if (m_early.empty())
        return;
    // After the hand-over: whoever takes a probe's link connects to it in presenceChanged.
    QTimer::singleShot(0, this, [this] {
        const std::vector<UnitRecord> early = std::move(m_early);
        m_early.clear();
        for (const UnitRecord& r : early)
            if (present())
                emit record(m_serial, r);
    });
}

void UnitLink::onReadable()
{
    if (!m_port.isOpen())
        return;
    // A slice at a time, so that a flood of lines never holds the window up.
    const QByteArray bytes = m_port.read(ReadSlice);
    if (bytes.isEmpty())
        return;
    if (m_state == State::Ready) {
        // Whatever it says, the unit is there.
        m_answer->stop();
        m_keepAlive->start(m_options.keepAliveMs);
    }
    for (const UnitRecord& r : m_parser.feed(bytes)) {
        handle(r);
        if (!m_port.isOpen())
            return; // the rest belongs to a session that has ended
    }
    if (m_port.bytesAvailable() > 0)
        m_drain.start();
}

void UnitLink::handle(const UnitRecord& r)
{
    switch (r.kind) {
    case UnitRecord::Kind::Handshake:
        if (m_state == State::Handshake) {
            m_answer->stop();
            m_askedLongVersion = false;
            askVersion("V");
        }
        return;
    case UnitRecord::Kind::Version:
        m_model = unitModel(r.text);
        if (m_state == State::Version) {
            m_answer->stop();
            becomeReady();
        }
        return;
    case UnitRecord::Kind::Call:
    case UnitRecord::Kind::Detail:
        if (m_state == State::Ready)
            emit record(m_serial, r);
        else if (m_early.size() < kEarlyRecords)
            m_early.push_back(r);
        return;
    case UnitRecord::Kind::Unreadable:
        dropped(UnitDropLog::Kind::Unreadable,
            QStringLiteral("Birimden anlaşılmayan bir satır geldi, atıldı: \"%1\"").arg(r.text));
        return;
    case UnitRecord::Kind::TooLong:
        dropped(UnitDropLog::Kind::TooLong,
            QStringLiteral("Birim %1 bayttan uzun bir satır gönderdi, atıldı.")
                .arg(UnitParser::MaxLineLength));
        return;
    }
}

void UnitLink::dropped(UnitDropLog::Kind kind, const QString& firstLine)
{
    // Before the unit has answered, anything may come from a port: only a unit's noise is news.
    if (m_state != State::Ready)
        return;
    if (m_drops.drop(kind))
        emit logLine(firstLine);
    else if (!m_dropReport->isActive())
        m_dropReport->start(m_options.dropReportMs);
}

void UnitLink::onAnswerTimeout()
{
    switch (m_state) {
    case State::Handshake:
        if (m_tries < m_options.handshakeTries) {
            handshake();
            return;
        }
        closePort(false, 0);
        m_lastFailure = ModemLink::OpenResult::Failed;
        if (!m_options.reopen) {
            emit refused();
            return;
        }
        if (!m_silenceLogged) {
            m_silenceLogged = true;
            emit logLine(QStringLiteral("%1: birim yanıt vermedi (\"@\" komutuna \"#\" gelmedi).")
                             .arg(m_options.path));
        }
        waitForPort(m_options.retryMs * kSilentRetryFactor);
        return;
    case State::Version:
        // Full-featured units want "-V"; a unit that answers neither is still a unit.
        if (!m_askedLongVersion) {
            m_askedLongVersion = true;
            askVersion("-V");
        } else {
            becomeReady();
        }
        return;
    case State::Ready:
        if (++m_missedKeepAlives < kKeepAliveMisses) {
            m_port.write("@");
            m_answer->start(m_options.answerTimeoutMs);
            return;
        }
        emit logLine(QStringLiteral("%1: birim yanıt vermiyor.").arg(m_options.path));
        closePort(true, m_options.retryMs);
        return;
    case State::Closed:
        return;
    }
}

void UnitLink::onKeepAlive()
{
    if (m_state != State::Ready)
        return;
    m_missedKeepAlives = 0;
    m_port.write("@");
    m_answer->start(m_options.answerTimeoutMs);
}

void UnitLink::onPortError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
    case QSerialPort::UnknownError: {
        // Close before anything else: a vanished device keeps reporting read
        // errors for as long as the port stays open.
        if (!m_port.isOpen())
            return;
        const bool probing = !m_options.reopen && m_state != State::Ready;
        closePort(true, m_options.retryMs);
        if (probing)
            emit refused();
        return;
    }
    default:
        return;
    }
}

void UnitLink::closePort(bool retry, int delayMs)
{
    m_answer->stop();
    m_keepAlive->stop();
    m_drain.stop();
    if (m_port.isOpen())
        m_port.close();
    m_parser.reset();
    m_early.clear();
    const bool wasReady = m_state == State::Ready;
    m_state = State::Closed;
    if (wasReady)
        emit presenceChanged(false);
    if (retry)
        waitForPort(delayMs);
}
