#include "ModemLink.h"

#include "Forms.h"
#include "PortUsers.h"
#include "SerialPorts.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace {

// Commands that turn caller ID on, by chipset family, most common first.
const char* const kCallerIdOn[] = { "AT+VCID=1", "AT#CID=1", "AT+FCLASS=8;+VCID=1" };

// A silent port may be a modem still busy with something else; try again later.
constexpr int kNoAnswerRetryFactor = 5;

// Answer lines kept for one command: identity answers are a line or two, and
// a modem that sends more is noise or broken.
constexpr qsizetype kMaxAnswerLines = 16;
// Bytes the port holds for the link: beyond them the terminal's buffer fills
// and holds back a device that talks faster than the window shows.
constexpr qint64 kReadBufferBytes = 16 * 1024;
// What one turn of the event loop reads at most, so that the window stays
// live; bytes are taken a chunk at a time and the limits checked between chunks.
constexpr qint64 kReadChunk = 4096;
constexpr qint64 kSliceBytes = 16 * 1024;
constexpr qint64 kSliceMs = 5;

QString firstAnswer(const QStringList& lines, const QString& command)
{
    // "+GMM: text" on some modems, plain "text" on others.
    const QString prefix = command.mid(2) + QLatin1Char(':');
    for (QString line : lines) {
        if (line.startsWith(prefix, Qt::CaseInsensitive))
            line = line.mid(prefix.size()).trimmed();
        if (!line.isEmpty())
            return line;
    }
    return {};
}

bool findVolts(const QStringList& lines, double& volts)
{
    static const QRegularExpression number(QStringLiteral("[-+]?\\d+(?:[.,]\\d+)?"));
    for (const QString& line : lines) {
        const auto m = number.match(line);
        if (m.hasMatch()) {
            bool ok = false;
            volts = m.captured().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
            if (ok)
                return true;
        }
    }
    return false;
}

} // namespace

ModemLink::ModemLink(Options options, QObject* parent)
    : QObject(parent)
    , m_options(std::move(options))
{
    if (!m_options.opener)
        m_options.opener = &ModemLink::openPort;
    m_clock.start();
    m_commandTimer.setSingleShot(true);
    m_quietTimer.setSingleShot(true);
    m_retryTimer.setSingleShot(true);
    m_nextSlice.setSingleShot(true);
    m_port.setReadBufferSize(kReadBufferBytes);
    connect(&m_nextSlice, &QTimer::timeout, this, &ModemLink::readSlice);
    connect(&m_commandTimer, &QTimer::timeout, this, &ModemLink::onTimeout);
    connect(&m_quietTimer, &QTimer::timeout, this, [this] { handle(m_parser.flush()); });
    connect(&m_voltageTimer, &QTimer::timeout, this, &ModemLink::pollVoltage);
    connect(&m_retryTimer, &QTimer::timeout, this, &ModemLink::tryOpen);
    connect(&m_port, &QSerialPort::readyRead, this, &ModemLink::onReadable);
    connect(&m_port, &QSerialPort::errorOccurred, this, &ModemLink::onPortError);
}

ModemLink::~ModemLink()
{
    m_queue.clear();
    if (m_port.isOpen())
        m_port.close();
}

void ModemLink::start()
{
    if (m_options.reopen && !m_watcher) {
        // Ports come and go with their folder's entries (udev, a pty's link).
        m_watcher = new QFileSystemWatcher(this);
        m_watcher->addPath(QFileInfo(m_options.path).absolutePath());
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
            if (!m_port.isOpen())
                m_retryTimer.start(0);
        });
    }
    QTimer::singleShot(0, this, &ModemLink::tryOpen);
}

ModemLink::OpenResult ModemLink::openPort(QSerialPort& port, const QString& path, QString& detail)
{
    const QByteArray local = QFile::encodeName(path);
    if (::access(local.constData(), F_OK) != 0)
        return OpenResult::Missing;
    if (::access(local.constData(), R_OK | W_OK) != 0) {
        const int error = errno;
        detail = QString::fromLocal8Bit(std::strerror(error));
        return error == EACCES ? OpenResult::PermissionDenied : OpenResult::Failed;
    }
    // Qt Serial Port honours only its own lock files and an exclusive open;
    // other programs lock in the UUCP way or not at all.
    if (const auto holder = PortUsers::holder(path)) {
        detail = holder->text();
        return OpenResult::Locked;
    }
    port.setPortName(path);
    if (port.open(QIODevice::ReadWrite))
        return OpenResult::Opened;
    detail = port.errorString();
    switch (port.error()) {
    case QSerialPort::PermissionError:
        // Access is granted, so this is another program's lock or exclusive open.
        return OpenResult::Locked;
    case QSerialPort::DeviceNotFoundError:
        return OpenResult::Missing;
    default:
        return OpenResult::Failed;
    }
}

QString ModemLink::failureText(OpenResult result, const QString& path, const QString& detail)
{
    switch (result) {
    case OpenResult::PermissionDenied:
        return QStringLiteral("%1 açılamadı: izin yok. Kullanıcıyı dialout grubuna ekleyip "
                              "(sudo usermod -aG dialout $USER) yeniden oturum açın.")
            .arg(path);
    case OpenResult::Locked:
        return QStringLiteral("%1 başka bir program tarafından kullanılıyor%2; o programı "
                              "kapatın.")
            .arg(path,
                detail.startsWith(QLatin1String("PID ")) ? QStringLiteral(" (%1)").arg(detail)
                                                         : QString());
    case OpenResult::Failed:
        return QStringLiteral("%1 açılamadı: %2").arg(path, detail);
    case OpenResult::Opened:
    case OpenResult::Missing:
        break;
    }
    return {};
}

void ModemLink::tryOpen()
{
    if (m_port.isOpen())
        return;
    if (!QFileInfo::exists(m_options.path)) {
        // Unplugged: whatever it refused before, it may do better when it returns.
        m_refusedWhilePresent = false;
        m_lastFailure = OpenResult::Missing;
        if (!m_options.reopen)
            refuse(Refusal::OpenFailed);
        waitForPort();
        return;
    }
    if (m_refusedWhilePresent) {
        waitForPort();
        return;
    }
    QString detail;
    const OpenResult result = m_options.opener(m_port, m_options.path, detail);
    if (result == OpenResult::Opened) {
        m_lastFailure = result;
        m_port.setBaudRate(QSerialPort::Baud115200);
        m_port.setDataBits(QSerialPort::Data8);
        m_port.setParity(QSerialPort::NoParity);
        m_port.setStopBits(QSerialPort::OneStop);
        m_port.setFlowControl(QSerialPort::NoFlowControl);
        beginInit();
        return;
    }
    const bool news = result != m_lastFailure || detail != m_lastDetail;
    m_lastFailure = result;
    m_lastDetail = detail;
    if (!m_options.reopen) {
        refuse(Refusal::OpenFailed);
        return;
    }
    if (news) {
        const QString text = failureText(result, m_options.path, detail);
        if (!text.isEmpty())
            emit logLine(text);
    }
    if (result == OpenResult::Failed)
        m_refusedWhilePresent = true;
    waitForPort();
}

void ModemLink::waitForPort()
{
    if (m_options.reopen && !m_retryTimer.isActive())
        m_retryTimer.start(m_options.retryMs);
}

void ModemLink::beginInit()
{
    m_parser = {};
    m_episodes = {};
    m_model.clear();
    m_serial.clear();
    m_voltage = Voltage::Unknown;
    m_voltageSilences = 0;
    auto any = [](bool, const QStringList&) {};
    send({ QStringLiteral("ATZ"), any, true });
    if (!m_options.extraInit.isEmpty()) {
        const QString extra = m_options.extraInit;
        send({ extra,
            [this, extra](bool ok, const QStringList&) {
                if (!ok)
                    emit logLine(QStringLiteral("Modem başlatma komutu reddedildi: %1").arg(extra));
            },
            true });
    }
    send({ QStringLiteral("ATE0"), any, true });
    send({ QStringLiteral("ATV1"), any, true });
    enableCallerId(0);
}

// Caller ID on: the first command the chipset accepts.
void ModemLink::enableCallerId(int index)
{
    if (index >= int(std::size(kCallerIdOn))) {
        if (m_options.reopen)
            emit logLine(
                QStringLiteral("%1: modem arayan numara göstermeyi açmadı.").arg(m_options.path));
        m_refusedWhilePresent = true;
        closePort(true);
        refuse(Refusal::NoCallerId);
        return;
    }
    send({ QString::fromLatin1(kCallerIdOn[index]),
        [this, index](bool ok, const QStringList&) {
            if (ok)
                identify();
            else
                enableCallerId(index + 1);
        },
        true });
}

void ModemLink::identify()
{
    const QString canonical = PortUsers::resolvedPath(m_options.path);
    // USB modems tell udev who they are; the modem's own answers come second.
    if (const auto port = SerialPorts::describe(m_options.path)) {
        const QString maker = port->manufacturer;
        m_model = port->product;
        if (!maker.isEmpty() && !m_model.contains(maker, Qt::CaseInsensitive))
            m_model = (maker + QLatin1Char(' ') + m_model).trimmed();
        m_serial = port->serial;
    }
    const auto answerInto = [this](QString* target, const QString& command) {
        send({ command, [target, command](bool ok, const QStringList& lines) {
                  if (ok && target->isEmpty())
                      *target = firstAnswer(lines, command);
              } });
    };
    if (m_model.isEmpty()) {
        answerInto(&m_model, QStringLiteral("AT+GMM"));
        answerInto(&m_model, QStringLiteral("ATI3"));
    }
    if (m_serial.isEmpty())
        answerInto(&m_serial, QStringLiteral("AT+GSN"));
    const auto ready = [this, canonical](std::optional<double> volts) {
        const QString stable = SerialPorts::byIdName(canonical);
        if (m_model.isEmpty())
            m_model = stable.isEmpty() ? QFileInfo(m_options.path).fileName() : stable;
        if (m_serial.isEmpty())
            m_serial = stable.isEmpty() ? m_options.path : stable;
        becomeReady();
        if (volts)
            emit voltage(*volts);
    };
    send({ QStringLiteral("AT-TRV"),
        [this, ready](bool ok, const QStringList& lines) {
            double volts = 0;
            const bool reported = ok && findVolts(lines, volts);
            // A modem that refuses the query, or answers it without a number, never reports it.
            m_voltage = reported ? Voltage::Reported : Voltage::Unsupported;
            ready(reported ? std::optional<double>(volts) : std::nullopt);
        },
        false,
        [this, ready] {
            voltageSilent();
            ready(std::nullopt);
        } });
}

void ModemLink::becomeReady()
{
    m_ready = true;
    if (m_voltage != Voltage::Unsupported)
        m_voltageTimer.start(m_options.voltagePollMs);
    emit readyChanged(true);
}

void ModemLink::lineCommand(const QString& command)
{
    send({ command,
        [this, command](bool ok, const QStringList&) {
            if (!ok)
                emit logLine(QStringLiteral("Modem komutu reddetti: %1").arg(command));
        },
        false,
        [this, command] {
            emit logLine(QStringLiteral("Modem yanıt vermedi: %1").arg(command));
        } });
}

void ModemLink::send(Step step)
{
    if (!m_port.isOpen())
        return;
    m_queue.push_back(std::move(step));
    if (!m_busy)
        sendNext();
}

void ModemLink::sendNext()
{
    if (m_busy || m_queue.empty() || !m_port.isOpen())
        return;
    m_current = std::move(m_queue.front());
    m_queue.pop_front();
    m_answer.clear();
    m_busy = true;
    m_commandTimer.start(m_options.commandTimeoutMs);
    m_port.write(m_current.command.toLatin1() + '\r');
}

void ModemLink::onReadable()
{
    if (!m_nextSlice.isActive())
        readSlice();
}

void ModemLink::readSlice()
{
    bool more = true;
    Application()->Guard(this, [this, &more] { more = drainSlice(); });
    // Whatever a slice left (or a handler's failure cut short) comes at the next
    // turn, which also lets a full port read from the terminal again.
    if (more && m_port.isOpen())
        m_nextSlice.start(0);
}

bool ModemLink::drainSlice()
{
    QElapsedTimer clock;
    clock.start();
    qint64 taken = 0;
    while (m_port.isOpen()) {
        // Reading until nothing comes lets the port fetch more from the terminal.
        const QByteArray bytes = m_port.read(kReadChunk);
        if (bytes.isEmpty())
            return false;
        handle(m_parser.feed(bytes));
        taken += bytes.size();
        if (taken >= kSliceBytes || clock.elapsed() >= kSliceMs)
            return true;
    }
    return false;
}

void ModemLink::handle(const QList<ModemEvent>& events)
{
    for (const ModemEvent& event : events) {
        const qint64 now = m_clock.elapsed();
        switch (event.kind) {
        case ModemEvent::Kind::Result: {
            if (!m_busy)
                break;
            m_commandTimer.stop();
            m_busy = false;
            const Step step = std::move(m_current);
            step.done(event.isOk(), m_answer);
            sendNext();
            break;
        }
        case ModemEvent::Kind::Line:
            // With echo still on, the command comes back first.
            if (m_busy && event.text != m_current.command && m_answer.size() < kMaxAnswerLines)
                m_answer.append(event.text);
            break;
        case ModemEvent::Kind::Ring:
            m_lastRingMs = now;
            if (m_episodes.ring(now) && m_ready)
                emit call(CallerIdBlock {});
            break;
        case ModemEvent::Kind::CallerId:
            m_episodes.callerId(now);
            if (m_ready)
                emit call(event.block);
            break;
        case ModemEvent::Kind::BadPacket:
            m_episodes.callerId(now);
            emit logLine(QStringLiteral("Bozuk arayan numara verisi geldi (%1).").arg(event.text));
            break;
        }
        if (!m_port.isOpen())
            return; // a handler closed the port: the rest belongs to a dead session
    }
    if (m_parser.blockPending())
        m_quietTimer.start(m_options.blockQuietMs);
    else
        m_quietTimer.stop();
}

void ModemLink::onTimeout()
{
    if (!m_busy)
        return;
    m_busy = false;
    if (!m_current.essential) {
        const Step step = std::move(m_current);
        if (step.silent)
            step.silent();
        else
            step.done(false, {});
        checkAlive();
        return;
    }
    const QString command = m_current.command;
    if (m_ready) {
        emit logLine(QStringLiteral("Modem yanıt vermedi: %1").arg(command));
        closePort(true);
        return;
    }
    // No answer while initialising: no modem here, or one busy elsewhere.
    closePort(false);
    if (!m_options.reopen) {
        refuse(Refusal::NoAnswer);
        return;
    }
    if (m_lastFailure != OpenResult::Failed)
        emit logLine(QStringLiteral("%1: modem yanıt vermedi.").arg(m_options.path));
    m_lastFailure = OpenResult::Failed;
    m_retryTimer.start(m_options.retryMs * kNoAnswerRetryFactor);
}

void ModemLink::onPortError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
    case QSerialPort::UnknownError:
        // Close before anything else: a vanished device keeps reporting read
        // errors for as long as the port stays open.
        if (m_port.isOpen()) {
            closePort(true);
            // A probe whose port vanished has ended: nothing more will come of it.
            if (!m_options.reopen)
                refuse(Refusal::Lost);
        }
        break;
    default:
        break;
    }
}

void ModemLink::checkAlive()
{
    if (!m_port.isOpen())
        return;
    m_queue.push_front({ QStringLiteral("AT"), [](bool, const QStringList&) {}, true });
    sendNext();
}

void ModemLink::voltageSilent()
{
    // A chipset without the query may say nothing at all rather than ERROR.
    if (++m_voltageSilences < 2)
        return;
    m_voltage = Voltage::Unsupported;
    m_voltageTimer.stop();
}

void ModemLink::closePort(bool retry)
{
    m_commandTimer.stop();
    m_quietTimer.stop();
    m_voltageTimer.stop();
    m_nextSlice.stop();
    m_queue.clear();
    m_busy = false;
    if (m_port.isOpen())
        m_port.close();
    m_parser = {};
    const bool wasReady = m_ready;
    m_ready = false;
    if (wasReady)
        emit readyChanged(false);
    if (retry)
        waitForPort();
}

void ModemLink::refuse(Refusal why)
{
    m_refusal = why;
    emit refused();
}

void ModemLink::pollVoltage()
{
    if (m_voltage == Voltage::Unsupported) {
        m_voltageTimer.stop();
        return;
    }
    // Commands sent while a call rings in can spoil its caller ID.
    const qint64 now = m_clock.elapsed();
    if (!m_ready || m_busy || !m_queue.empty() || m_parser.blockPending()
        || (m_lastRingMs >= 0 && now - m_lastRingMs < RingEpisodes::EpisodeGapMs))
        return;
    send({ QStringLiteral("AT-TRV"),
        [this](bool ok, const QStringList& lines) {
            m_voltageSilences = 0;
            double volts = 0;
            if (ok && findVolts(lines, volts)) {
                m_voltage = Voltage::Reported;
                emit voltage(volts);
            } else if (m_voltage == Voltage::Unknown) {
                m_voltage = Voltage::Unsupported;
            }
        },
        false, [this] { voltageSilent(); } });
}
