// Balloons of the X11 notification area against a notification service that
// answers only when told to: showing a balloon must not wait for the answer,
// the answer arrives as the balloon-shown message, and a balloon hidden before
// its answer is closed as soon as the answer comes.

#include "MessageWindows.h"
#include "Platform.h"
#include "X11NotifyArea.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QMutex>
#include <QTest>
#include <QThread>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <cstring>

namespace {

class HeldNotifications : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    // The Notify calls not answered yet, and the notifications closed.
    QList<QDBusMessage> Held()
    {
        QMutexLocker lock(&m_mutex);
        return m_held;
    }
    QList<uint> Closed()
    {
        QMutexLocker lock(&m_mutex);
        return m_closed;
    }
    void Answer(int index, uint id)
    {
        QMutexLocker lock(&m_mutex);
        QDBusConnection(m_connection).send(m_held.at(index).createReply(id));
    }
    QString m_connection;

public Q_SLOTS:
    QStringList GetCapabilities() { return { QStringLiteral("body") }; }
    uint Notify(const QString&, uint, const QString&, const QString&, const QString&,
        const QStringList&, const QVariantMap&, int)
    {
        setDelayedReply(true);
        QMutexLocker lock(&m_mutex);
        m_held.append(message());
        return 0;
    }
    void CloseNotification(uint id)
    {
        QMutexLocker lock(&m_mutex);
        m_closed.append(id);
    }

private:
    QMutex m_mutex;
    QList<QDBusMessage> m_held;
    QList<uint> m_closed;
};

struct Service
{
    QThread thread;
    HeldNotifications notifications;
    QDBusConnection bus = QDBusConnection::connectToBus(
        QDBusConnection::SessionBus, QStringLiteral("held-notifications"));

    Service()
    {
        notifications.m_connection = bus.name();
        notifications.moveToThread(&thread);
        thread.start();
        bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &notifications,
            QDBusConnection::ExportAllSlots);
        bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    ~Service()
    {
        bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        bus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        thread.quit();
        thread.wait();
        QDBusConnection::disconnectFromBus(QStringLiteral("held-notifications"));
    }
};

NOTIFYICONDATAA IconData(HWND window, const char* text)
{
    NOTIFYICONDATAA data;
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = 1;
    data.uFlags = NIF_MESSAGE | NIF_INFO;
    data.uCallbackMessage = WM_USER + 7;
    std::strncpy(data.szInfo, text, sizeof data.szInfo - 1);
    std::strncpy(data.szInfoTitle, "Çağrı", sizeof data.szInfoTitle - 1);
    data.u.uTimeout = 10000;
    return data;
}

} // namespace

TEST(NotifyAreaOnX11, BalloonsDoNotWaitForTheService)
{
    Service service;
    ASSERT_TRUE(QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QStringLiteral("org.freedesktop.Notifications")));
    IMessageWindows& windows = Platform::Windows();
    QList<LPARAM> codes;
    const HWND window = windows.AllocateHWnd([&](HWND, UINT message, WPARAM, LPARAM code) {
        if (message == WM_USER + 7)
            codes.append(code);
        return LRESULT(0);
    });
    X11NotifyArea area;
    NOTIFYICONDATAA add = IconData(window, "");
    add.uFlags = NIF_MESSAGE;
    ASSERT_TRUE(area.Shell_NotifyIconA(NIM_ADD, &add));

    // Asked and returned while the service still holds its answer.
    NOTIFYICONDATAA balloon = IconData(window, "05051234567");
    EXPECT_TRUE(area.Shell_NotifyIconA(NIM_MODIFY, &balloon));
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.notifications.Held().size() == 1; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(codes.contains(NIN_BALLOONSHOW));
    service.notifications.Answer(0, 41);
    ASSERT_TRUE(QTest::qWaitFor([&] { return codes.contains(NIN_BALLOONSHOW); }, 5000));

    // Hidden before its answer: closed as soon as the answer names it.
    NOTIFYICONDATAA second = IconData(window, "05059876543");
    EXPECT_TRUE(area.Shell_NotifyIconA(NIM_MODIFY, &second));
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.notifications.Held().size() == 2; }, 5000));
    NOTIFYICONDATAA hide = IconData(window, "");
    EXPECT_TRUE(area.Shell_NotifyIconA(NIM_MODIFY, &hide));
    service.notifications.Answer(1, 42);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return service.notifications.Closed().contains(42u); }, 5000));
    EXPECT_EQ(codes.count(NIN_BALLOONSHOW), 1);

    NOTIFYICONDATAA remove = IconData(window, "");
    area.Shell_NotifyIconA(NIM_DELETE, &remove);
    windows.DeallocateHWnd(window);
}

#include "NotifyAreaOnX11.moc"
