#include "ModemFinder.h"

#include "ModemXelto.h"
#include "PortUsers.h"
#include "SerialPorts.h"
#include "UnitLink.h"
#include "UnitXelto.h"

#include <algorithm>

ModemFinder::ModemFinder(Options options)
    : m_options(std::move(options))
{
}

ModemFinder::~ModemFinder()
{
    for (auto& [path, port] : m_table) {
        delete port.link;
        delete port.unitLink;
    }
}

bool ModemFinder::busy() const
{
    // Ports waiting for a free probe will be probed at once: they count too.
    return m_found && std::any_of(m_table.begin(), m_table.end(), [](const auto& entry) {
        return entry.second.state == State::Probing || entry.second.state == State::Ready;
    });
}

void ModemFinder::updateBusy()
{
    const bool now = busy();
    if (now != m_wasBusy) {
        m_wasBusy = now;
        emit busyChanged();
    }
}

void ModemFinder::startSearch(Found found)
{
    m_found = std::move(found);
    if (!m_ports) {
        m_ports = new SerialPorts(this);
        connect(m_ports, &SerialPorts::changed, this, &ModemFinder::portsChanged);
        m_ports->watch();
    }
    // The modem that stood behind the control has gone, or stopped answering.
    for (auto& [path, port] : m_table)
        if (port.state == State::Found)
            port.state = State::Ready;
    portsChanged();
}

void ModemFinder::stopSearch()
{
    m_found = nullptr;
    for (auto& [path, port] : m_table)
        if (port.state == State::Probing) {
            dropProbe(port);
            port.state = State::Ready;
        }
    updateBusy();
}

void ModemFinder::dropProbe(Port& port)
{
    // Not deleted here: a link may be inside one of its own signals.
    if (port.link) {
        port.link->disconnect(this);
        port.link->deleteLater();
        port.link = nullptr;
    }
    if (port.unitLink) {
        port.unitLink->disconnect(this);
        port.unitLink->deleteLater();
        port.unitLink = nullptr;
    }
}

void ModemFinder::portsChanged()
{
    std::map<QString, Port> table;
    for (const PortDescription& description : m_ports->ports()) {
        auto known = m_table.find(description.path);
        if (known != m_table.end() && known->second.description == description) {
            table.insert(m_table.extract(known));
            continue;
        }
        // New, or its properties changed (a udev rule added): decided afresh.
        if (known != m_table.end())
            dropProbe(known->second);
        Port port;
        port.description = description;
        port.decision = PortPolicy::decide(description);
        port.state = port.decision.probe ? State::Ready : State::Skipped;
        table.emplace(description.path, std::move(port));
    }
    // What is left was unplugged: whatever it did, it starts afresh when it returns.
    for (auto& [path, port] : m_table)
        dropProbe(port);
    m_table = std::move(table);
    sayWhenNothingMayBeProbed();
    schedule();
}

void ModemFinder::schedule()
{
    if (m_found) {
        auto probing = std::count_if(m_table.begin(), m_table.end(),
            [](const auto& entry) { return entry.second.state == State::Probing; });
        for (auto& [path, port] : m_table) {
            if (probing >= m_options.maxProbes)
                break;
            if (port.state == State::Ready) {
                probe(port);
                ++probing;
            }
        }
    }
    updateBusy();
}

void ModemFinder::probe(Port& port)
{
    ModemLink::Options options = m_options.link;
    options.path = port.description.path;
    options.reopen = false;
    auto* link = new ModemLink(options, this);
    port.link = link;
    port.state = State::Probing;
    connect(link, &ModemLink::readyChanged, this, [this, link](bool ready) {
        if (ready)
            finished(link);
    });
    connect(link, &ModemLink::refused, this, [this, link] { finished(link); });
    connect(link, &ModemLink::logLine, this, &ModemFinder::logLine);
    link->start();
}

void ModemFinder::finished(ModemLink* link)
{
    auto entry = m_table.find(link->path());
    if (entry == m_table.end() || entry->second.link != link)
        return;
    Port& port = entry->second;
    if (link->ready() && m_found) {
        link->disconnect(this);
        port.link = nullptr;
        handOver(port, std::make_unique<ModemXelto>(link));
        return;
    }
    dropProbe(port);
    const QString& path = port.description.path;
    switch (link->refusal()) {
    case ModemLink::Refusal::OpenFailed:
        switch (link->lastFailure()) {
        case ModemLink::OpenResult::Locked:
            log(port,
                ModemLink::failureText(
                    ModemLink::OpenResult::Locked, path, link->lastFailureDetail()));
            wait(port, m_options.heldRetryMs);
            break;
        case ModemLink::OpenResult::PermissionDenied:
            log(port, ModemLink::failureText(ModemLink::OpenResult::PermissionDenied, path, {}));
            port.state = State::Unreachable;
            break;
        default:
            // Gone between the event and the open, or refused by the driver.
            wait(port, m_options.heldRetryMs);
            break;
        }
        break;
    case ModemLink::Refusal::NoAnswer:
        // A unit behind an adapter answers no AT commands, only its own handshake.
        if (port.decision.reason == PortPolicy::Reason::Marked && m_found) {
            probeUnit(port);
            return;
        }
        silent(port);
        break;
    case ModemLink::Refusal::NoCallerId:
        log(port,
            QStringLiteral("%1: modem arayan numara göstermeyi desteklemiyor; yeniden takılana "
                           "kadar denenmeyecek.")
                .arg(path));
        port.state = State::NoCallerId;
        break;
    case ModemLink::Refusal::Lost:
        // Pulled out while it was being probed: if it is back, it gets a new probe.
        wait(port, m_options.heldRetryMs);
        break;
    }
    schedule();
}

void ModemFinder::handOver(Port& port, std::unique_ptr<XeltoControl> device)
{
    port.state = State::Found;
    port.silences = 0;
    Found found = std::move(m_found);
    stopSearch();
    found(std::move(device));
}

void ModemFinder::probeUnit(Port& port)
{
    UnitLink::Options options;
    options.path = port.description.path;
    options.reopen = false;
    options.answerTimeoutMs = m_options.unitAnswerTimeoutMs;
    options.opener = m_options.link.opener;
    auto* link = new UnitLink(options, this);
    port.unitLink = link;
    port.state = State::Probing;
    connect(link, &UnitSource::presenceChanged, this, [this, link](bool present) {
        if (present)
            unitFinished(link);
    });
    connect(link, &UnitLink::refused, this, [this, link] { unitFinished(link); });
    link->start();
}

void ModemFinder::unitFinished(UnitLink* link)
{
    auto entry = m_table.find(link->path());
    if (entry == m_table.end() || entry->second.unitLink != link)
        return;
    Port& port = entry->second;
    if (link->present() && m_found) {
        link->disconnect(this);
        port.unitLink = nullptr;
        handOver(port, std::make_unique<UnitXelto>(std::unique_ptr<UnitSource>(link)));
        return;
    }
    dropProbe(port);
    silent(port);
    schedule();
}

void ModemFinder::silent(Port& port)
{
    const auto& waits = m_options.silentRetryMs;
    const size_t step = std::min<size_t>(size_t(port.silences), waits.size() - 1);
    ++port.silences;
    wait(port, waits.empty() ? m_options.heldRetryMs : waits[step]);
}

void ModemFinder::wait(Port& port, int milliseconds)
{
    port.state = State::Waiting;
    if (!port.retry) {
        port.retry = m_options.timers(this);
        port.retry->onTimeout = [this, path = port.description.path] {
            auto entry = m_table.find(path);
            if (entry == m_table.end() || entry->second.state != State::Waiting)
                return;
            entry->second.state = State::Ready;
            schedule();
        };
    }
    port.retry->start(milliseconds);
}

void ModemFinder::log(Port& port, const QString& line)
{
    if (line.isEmpty() || line == port.lastLogged)
        return;
    port.lastLogged = line;
    emit logLine(line);
}

void ModemFinder::sayWhenNothingMayBeProbed()
{
    QStringList skipped;
    QString example;
    for (const auto& [path, port] : m_table) {
        if (port.decision.probe)
            return;
        // Built-in ports are on nearly every machine: nobody expects a modem there unasked.
        if (port.decision.reason == PortPolicy::Reason::BuiltIn)
            continue;
        skipped << QStringLiteral("%1 (%2)").arg(
            port.description.name, PortPolicy::shortTurkish(port.decision));
        if (example.isEmpty())
            example = path;
    }
    const QString said = skipped.join(QStringLiteral(", "));
    if (said.isEmpty() || said == m_nothingToProbeSaid)
        return;
    m_nothingToProbeSaid = said;
    emit logLine(QStringLiteral("Seri portlarda modem aranmadı: %1. Birini kullanmak için "
                                "--device modem:%2 verin ya da portu udev ile CALLERID_MODEM=1 "
                                "olarak işaretleyin.")
                     .arg(said, example));
}

QString ModemFinder::listing(const QList<PortDescription>& ports)
{
    if (ports.isEmpty())
        return QStringLiteral("No serial ports.\n");
    QString text;
    for (const PortDescription& port : ports) {
        QStringList about;
        if (port.isUsb()) {
            QStringList usb { port.usbId() };
            for (const QString& name : { port.manufacturer, port.product })
                if (!name.isEmpty())
                    usb << name;
            about << usb.join(QLatin1Char(' '));
        }
        if (!port.driver.isEmpty())
            about << QStringLiteral("driver %1").arg(port.driver);
        QString verdict;
        const PortPolicy::Decision decision = PortPolicy::decide(port);
        const auto holder = decision.probe
            ? PortUsers::holder(port.path, PortUsers::StaleLocks::Keep)
            : std::nullopt;
        if (holder)
            verdict = QStringLiteral("skipped: held by another program (%1)").arg(holder->text());
        else
            verdict = PortPolicy::explain(decision, port);
        text += port.path;
        if (!about.isEmpty())
            text += QStringLiteral(" [%1]").arg(about.join(QStringLiteral(", ")));
        text += QStringLiteral(": ") + verdict + QLatin1Char('\n');
    }
    return text;
}
