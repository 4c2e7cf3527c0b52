#pragma once

#include "TrayBackend.h"

#include <QDBusConnection>
#include <QObject>

#include <map>
#include <memory>

class QDBusPendingCallWatcher;
class StatusNotifierItem;

// The tray of today's desktops: a StatusNotifierWatcher on the session bus
// with a host (registered with it, or at least on the bus under a host's
// name), which shows each icon registered with the watcher as a
// StatusNotifierItem. The watcher and its hosts are followed while the
// program runs: a watcher that starts, ends or is replaced, and hosts that
// come and go, count as changes.
class StatusNotifierTray final : public QObject, public ITrayBackend
{
    Q_OBJECT
public:
    explicit StatusNotifierTray(const QDBusConnection& bus);
    ~StatusNotifierTray() override;

    bool Available() const override { return m_watcherThere && m_hostThere; }
    bool Known() const override { return m_known; }
    quint64 Generation() const override { return m_generation; }
    bool Place(const IconKey& key, const TrayIcon& icon, Report report) override;
    void Update(const IconKey& key, const TrayIcon& icon, UINT changed) override;
    void Remove(const IconKey& key) override;

    // The least time between two NewIcon signals of an item, in milliseconds.
    void SetIconSignalGap(int milliseconds) { m_iconSignalGap = milliseconds; }
    // The item showing an icon, or null.
    const StatusNotifierItem* Item(const IconKey& key) const;

private Q_SLOTS:
    void hostsChanged();
    void nameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

private:
    void probe();
    void ask();
    void probed(quint64 probe, QDBusPendingCallWatcher* call);
    void hostNamesListed(quint64 probe, QDBusPendingCallWatcher* call);

    QDBusConnection m_bus;
    bool m_known = false;
    bool m_watcherThere = false;
    bool m_hostThere = false;
    quint64 m_generation = 0;
    quint64 m_probe = 0;
    int m_retries = 0;
    int m_nextNumber = 1;
    int m_iconSignalGap = 1000;
    std::map<IconKey, std::unique_ptr<StatusNotifierItem>> m_items;
};
