#include "BusPeers.h"

#include <QDBusPendingCall>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QTest>
#include <QTimer>

namespace {

const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString ItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString MenuInterface = QStringLiteral("com.canonical.dbusmenu");

int g_connections = 0;

QString newConnection(const char* kind)
{
    const QString name = QStringLiteral("%1-%2").arg(QLatin1String(kind)).arg(++g_connections);
    QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    return name;
}

} // namespace

TestWatcher::TestWatcher(bool withHost, int answersAfter)
    : m_connection(newConnection("test-watcher"))
    , m_host(withHost)
    , m_itemsGone(new QDBusServiceWatcher(QString(), QDBusConnection(m_connection),
          QDBusServiceWatcher::WatchForUnregistration, this))
{
    QDBusConnection bus(m_connection);
    connect(m_itemsGone, &QDBusServiceWatcher::serviceUnregistered, this,
        [this](const QString& service) {
            m_items.removeAll(service);
            m_itemsGone->removeWatchedService(service);
            Q_EMIT StatusNotifierItemUnregistered(service);
        });
    bus.registerService(WatcherService);
    const auto answer = [this] {
        QDBusConnection(m_connection)
            .registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals
                    | QDBusConnection::ExportAllProperties);
    };
    if (answersAfter > 0)
        QTimer::singleShot(answersAfter, this, answer);
    else
        answer();
}

TestWatcher::~TestWatcher()
{
    {
        QDBusConnection bus(m_connection);
        bus.unregisterService(WatcherService);
        bus.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
    }
    QDBusConnection::disconnectFromBus(m_connection);
}

void TestWatcher::SetHost(bool registered)
{
    m_host = registered;
    if (registered)
        Q_EMIT StatusNotifierHostRegistered();
    else
        Q_EMIT StatusNotifierHostUnregistered();
}

void TestWatcher::RegisterStatusNotifierItem(const QString& service)
{
    registrations.append(service);
    if (!m_items.contains(service)) {
        m_items.append(service);
        m_itemsGone->addWatchedService(service);
    }
    Q_EMIT StatusNotifierItemRegistered(service);
}

void TestWatcher::RegisterStatusNotifierHost(const QString&)
{
    SetHost(true);
}

TestHost::TestHost()
    : m_connection(newConnection("test-host"))
{
}

TestHost::~TestHost()
{
    QDBusConnection::disconnectFromBus(m_connection);
}

QDBusConnection TestHost::Bus() const
{
    return QDBusConnection(m_connection);
}

QDBusMessage TestHost::Call(const QString& service, const QString& path, const QString& interface,
    const QString& method, const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    QDBusPendingCall pending = Bus().asyncCall(call, 5000);
    // An unanswered call comes back as the time-out error of its own.
    (void)QTest::qWaitFor([&] { return pending.isFinished(); }, 10000);
    return pending.reply();
}

QVariant TestHost::ItemProperty(const QString& service, const QString& name)
{
    const QDBusMessage reply = Call(service, QStringLiteral("/StatusNotifierItem"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
        { ItemInterface, name });
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().first().value<QDBusVariant>().variant();
}

QDBusMessage TestHost::CallItem(
    const QString& service, const QString& method, const QVariantList& arguments)
{
    return Call(service, QStringLiteral("/StatusNotifierItem"), ItemInterface, method, arguments);
}

QDBusMessage TestHost::CallMenu(
    const QString& service, const QString& method, const QVariantList& arguments)
{
    return Call(service, QStringLiteral("/MenuBar"), MenuInterface, method, arguments);
}

void TestHost::TakeHostName()
{
    Bus().registerService(QStringLiteral("org.kde.StatusNotifierHost-%1").arg(m_connection));
}

bool TestHost::HasOwner(const QString& service)
{
    const QDBusMessage reply
        = Call(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"), { service });
    return !reply.arguments().isEmpty() && reply.arguments().first().toBool();
}

void TestHost::Watch(const QString& service)
{
    QDBusConnection bus = Bus();
    const QString item = QStringLiteral("/StatusNotifierItem");
    bus.connect(service, item, ItemInterface, QStringLiteral("NewIcon"), this, SLOT(newIcon()));
    bus.connect(
        service, item, ItemInterface, QStringLiteral("NewToolTip"), this, SLOT(newToolTip()));
    bus.connect(
        service, item, ItemInterface, QStringLiteral("NewStatus"), this, SLOT(newStatus(QString)));
    bus.connect(service, QStringLiteral("/MenuBar"), MenuInterface, QStringLiteral("LayoutUpdated"),
        this, SLOT(layoutUpdated(uint, int)));
}
