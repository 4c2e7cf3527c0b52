#pragma once

// The other side of the session bus for tests run under dbus-run-session: a
// StatusNotifierWatcher and a StatusNotifierItem host as a desktop has them,
// each on a connection of its own, living in the test's thread (everything
// they are asked is answered from the event loop, which the tests run while
// they wait).

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <QVariant>

class QDBusServiceWatcher;

class TestWatcher : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ IsStatusNotifierHostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ RegisteredStatusNotifierItems)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)
public:
    // Takes the watcher's name; `withHost` says whether a host is registered
    // from the start. A watcher may take its name some time before it answers on it.
    explicit TestWatcher(bool withHost = true, int answersAfter = 0);
    ~TestWatcher() override;

    bool IsStatusNotifierHostRegistered() const { return m_host; }
    QStringList RegisteredStatusNotifierItems() const { return m_items; }
    int ProtocolVersion() const { return 0; }

    // A host registers (or leaves), as a panel starting (or ending) would.
    void SetHost(bool registered);
    // Every item registration asked for, in order.
    QStringList registrations;

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service);
    void RegisterStatusNotifierHost(const QString& service);

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierItemUnregistered(const QString& service);
    void StatusNotifierHostRegistered();
    void StatusNotifierHostUnregistered();

private:
    QString m_connection;
    bool m_host;
    QStringList m_items;
    QDBusServiceWatcher* m_itemsGone;
};

// Reads an item's properties, calls its methods and counts its signals.
class TestHost : public QObject
{
    Q_OBJECT
public:
    TestHost();
    ~TestHost() override;

    QDBusConnection Bus() const;
    // Calls and waits for the answer (the event loop runs meanwhile).
    QDBusMessage Call(const QString& service, const QString& path, const QString& interface,
        const QString& method, const QVariantList& arguments = {});
    QVariant ItemProperty(const QString& service, const QString& name);
    QDBusMessage CallItem(
        const QString& service, const QString& method, const QVariantList& arguments = {});
    QDBusMessage CallMenu(
        const QString& service, const QString& method, const QVariantList& arguments = {});
    // Owns a host's bus name, as a running host does, registered or not.
    void TakeHostName();
    // Whether a name has an owner on the bus now.
    bool HasOwner(const QString& service);
    // Counts the item's and its menu's signals from now on.
    void Watch(const QString& service);

    int newIcons = 0;
    int newToolTips = 0;
    QStringList newStatuses;
    int layoutUpdates = 0;

private Q_SLOTS:
    void newIcon() { ++newIcons; }
    void newToolTip() { ++newToolTips; }
    void newStatus(const QString& status) { newStatuses.append(status); }
    void layoutUpdated(uint, int) { ++layoutUpdates; }

private:
    QString m_connection;
};

// Turns a D-Bus argument (a variant's or a reply's) into a registered type.
template <typename T> T Demarshalled(const QVariant& value)
{
    T result;
    value.value<QDBusArgument>() >> result;
    return result;
}
