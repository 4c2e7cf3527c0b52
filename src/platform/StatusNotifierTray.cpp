#include "StatusNotifierTray.h"

#include "StatusNotifierItem.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QTimer>

#include <algorithm>

namespace {

const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString WatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString HostPrefix = QStringLiteral("org.kde.StatusNotifierHost");

// A watcher that does not answer within this counts as none.
constexpr int ProbeTimeout = 2000;
// A watcher that is there but does not answer yet is asked again this often, so many times.
constexpr int RetryDelay = 250;
constexpr int MaxRetries = 20;

} // namespace

StatusNotifierTray::StatusNotifierTray(const QDBusConnection& bus)
    : m_bus(bus)
{
    if (!m_bus.isConnected()) {
        m_known = true;
        return;
    }
    m_bus.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"), this,
        SLOT(nameOwnerChanged(QString, QString, QString)));
    // Not every watcher announces hosts that leave; their names tell too.
    for (const char* signal : { "StatusNotifierHostRegistered", "StatusNotifierHostUnregistered" })
        m_bus.connect(WatcherService, WatcherPath, WatcherService, QLatin1String(signal), this,
            SLOT(hostsChanged()));
    probe();
}

StatusNotifierTray::~StatusNotifierTray() = default;

bool StatusNotifierTray::Place(const IconKey& key, const TrayIcon& icon, Report report)
{
    if (!Available() || m_items.count(key))
        return false;
    auto item = std::make_unique<StatusNotifierItem>(
        icon, std::move(report), m_nextNumber++, m_iconSignalGap);
    if (!item->Exported())
        return false;
    item->RegisterWithWatcher();
    m_items.emplace(key, std::move(item));
    return true;
}

void StatusNotifierTray::Update(const IconKey& key, const TrayIcon& icon, UINT changed)
{
    if (const auto it = m_items.find(key); it != m_items.end())
        it->second->Update(icon, changed);
}

void StatusNotifierTray::Remove(const IconKey& key)
{
    m_items.erase(key);
}

const StatusNotifierItem* StatusNotifierTray::Item(const IconKey& key) const
{
    const auto it = m_items.find(key);
    return it == m_items.end() ? nullptr : it->second.get();
}

void StatusNotifierTray::hostsChanged()
{
    probe();
}

void StatusNotifierTray::nameOwnerChanged(
    const QString& name, const QString&, const QString& newOwner)
{
    if (name == WatcherService) {
        // A new watcher knows none of the items the old one held.
        if (!newOwner.isEmpty())
            ++m_generation;
        probe();
    } else if (name.startsWith(HostPrefix)) {
        probe();
    }
}

void StatusNotifierTray::probe()
{
    m_retries = 0;
    ask();
}

void StatusNotifierTray::ask()
{
    QDBusMessage ask = QDBusMessage::createMethodCall(WatcherService, WatcherPath,
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    ask << WatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    // Asking must not start a watcher that is not running.
    ask.setAutoStartService(false);
    const quint64 probe = ++m_probe;
    auto* call = new QDBusPendingCallWatcher(m_bus.asyncCall(ask, ProbeTimeout), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
        [this, probe](QDBusPendingCallWatcher* finished) { probed(probe, finished); });
}

void StatusNotifierTray::probed(quint64 probe, QDBusPendingCallWatcher* call)
{
    call->deleteLater();
    // Only the latest question's answer says how things stand now.
    if (probe != m_probe)
        return;
    const QDBusPendingReply<QDBusVariant> reply = *call;
    m_watcherThere = !reply.isError();
    const QString error = reply.isError() ? reply.error().name() : QString();
    const bool nobodyThere = error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
        || error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
    if (!error.isEmpty() && !nobodyThere && m_retries < MaxRetries) {
        // A watcher takes its name before it answers on it: ask again soon.
        ++m_retries;
        QTimer::singleShot(RetryDelay, this, [this, probe] {
            if (probe == m_probe)
                ask();
        });
    }
    if (m_watcherThere && !reply.value().variant().toBool()) {
        // A watcher that restarted under a running host knows of no host,
        // and not every host registers again; its bus name tells that it is there.
        const QDBusMessage names = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListNames"));
        auto* listed = new QDBusPendingCallWatcher(m_bus.asyncCall(names, ProbeTimeout), this);
        connect(listed, &QDBusPendingCallWatcher::finished, this,
            [this, probe](QDBusPendingCallWatcher* finished) { hostNamesListed(probe, finished); });
        return;
    }
    m_hostThere = m_watcherThere;
    m_known = true;
    changed();
}

void StatusNotifierTray::hostNamesListed(quint64 probe, QDBusPendingCallWatcher* call)
{
    call->deleteLater();
    if (probe != m_probe)
        return;
    const QDBusPendingReply<QStringList> reply = *call;
    const QStringList names = reply.isError() ? QStringList() : reply.value();
    m_hostThere = std::any_of(names.cbegin(), names.cend(),
        [](const QString& name) { return name.startsWith(HostPrefix); });
    m_known = true;
    changed();
}
