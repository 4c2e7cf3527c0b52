#include "ModemFinder.h"

#include "ModemXelto.h"

#include <QDir>
#include <QFileSystemWatcher>

ModemFinder::ModemFinder(Options options)
    : m_options(std::move(options))
{
    connect(&m_timer, &QTimer::timeout, this, &ModemFinder::scan);
}

ModemFinder::~ModemFinder()
{
    dropProbes();
}

QStringList ModemFinder::ports() const
{
    const QDir dev(m_options.devDirectory);
    QStringList paths;
    for (const QString& name :
        dev.entryList({ QStringLiteral("ttyACM*"), QStringLiteral("ttyUSB*") },
            QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        paths << dev.filePath(name);
    return paths;
}

void ModemFinder::startSearch(Found found)
{
    m_found = std::move(found);
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
            if (m_found)
                scan();
        });
    }
    if (m_watcher->directories().isEmpty())
        m_watcher->addPath(m_options.devDirectory);
    m_timer.start(m_options.rescanMs);
    scan();
}

void ModemFinder::stopSearch()
{
    m_found = nullptr;
    m_timer.stop();
    if (m_watcher && !m_watcher->directories().isEmpty())
        m_watcher->removePaths(m_watcher->directories());
    dropProbes();
}

void ModemFinder::dropProbes()
{
    const auto probes = m_probes;
    m_probes.clear();
    for (ModemLink* link : probes)
        delete link;
    if (!probes.isEmpty())
        emit busyChanged();
}

void ModemFinder::scan()
{
    const QStringList present = ports();
    const QSet<QString> plugged(present.begin(), present.end());
    // A port that was pulled out may do better when it is plugged in again.
    for (auto it = m_refused.begin(); it != m_refused.end();)
        it = plugged.contains(*it) ? std::next(it) : m_refused.erase(it);
    for (auto it = m_logged.begin(); it != m_logged.end();)
        it = plugged.contains(it.key()) ? std::next(it) : m_logged.erase(it);
    for (const QString& path : present)
        if (!m_refused.contains(path) && !m_probes.contains(path))
            probe(path);
}

void ModemFinder::probe(const QString& path)
{
    ModemLink::Options options = m_options.link;
    options.path = path;
    options.reopen = false;
    auto* link = new ModemLink(options, this);
    const bool wasIdle = m_probes.isEmpty();
    m_probes.insert(path, link);
    if (wasIdle)
        emit busyChanged();
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
    const QString path = link->path();
    if (m_probes.value(path) != link)
        return;
    m_probes.remove(path);
    if (link->ready() && m_found) {
        link->disconnect(this);
        Found found = std::move(m_found);
        stopSearch();
        found(std::make_unique<ModemXelto>(link));
        return;
    }
    const ModemLink::OpenResult failure = link->lastFailure();
    // Not deleted here: the link is still inside its own signal.
    link->disconnect(this);
    link->deleteLater();
    if (failure != ModemLink::OpenResult::Locked)
        m_refused.insert(path);
    // A port that is no modem is not worth a line; one the user cannot reach is.
    const bool worthALine = failure == ModemLink::OpenResult::Locked
        || failure == ModemLink::OpenResult::PermissionDenied;
    if (worthALine && m_logged.value(path, ModemLink::OpenResult::Opened) != failure) {
        m_logged.insert(path, failure);
        emit logLine(ModemLink::failureText(failure, path, {}));
    }
    if (m_probes.isEmpty())
        emit busyChanged();
}
