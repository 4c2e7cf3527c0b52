// Balloons of the desktop notification area against an in-process
// notification service that answers only when told to: showing a balloon
// never waits for the service, a balloon replaces the icon's previous one in
// place, a flood of balloons keeps one request in flight and sends only the
// newest waiting one, and failures are logged once, then counted.

#include "DesktopNotifyArea.h"
#include "MessageWindows.h"
#include "Platform.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QMutex>
#include <QTemporaryFile>
#include <QTest>
#include <QThread>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

struct NotifyCall
{
    uint replacesId;
    QString title;
    QString body;
};

// Lives on its own thread, so that it can hold a question while the test's
// thread goes on, as a hung service would.
class HeldNotifications : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QList<NotifyCall> Calls()
    {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }
    // The Notify calls not answered yet.
    int HeldCount()
    {
        QMutexLocker lock(&m_mutex);
        return int(m_held.size());
    }
    QList<uint> Closed()
    {
        QMutexLocker lock(&m_mutex);
        return m_closed;
    }
    bool CapabilitiesAsked()
    {
        QMutexLocker lock(&m_mutex);
        return !m_heldCapabilities.isEmpty();
    }
    // Answers the oldest held Notify with the notification id.
    void Answer(uint id)
    {
        QMutexLocker lock(&m_mutex);
        QDBusConnection(m_connection).send(m_held.takeFirst().createReply(id));
    }
    void AnswerCapabilities(const QStringList& capabilities)
    {
        QMutexLocker lock(&m_mutex);
        for (const QDBusMessage& held : std::as_const(m_heldCapabilities))
            QDBusConnection(m_connection).send(held.createReply(capabilities));
        m_heldCapabilities.clear();
    }
    // From now on every Notify fails at once, or succeeds at once.
    void FailAll(bool fail)
    {
        QMutexLocker lock(&m_mutex);
        m_failAll = fail;
        m_answerAll = !fail;
    }

    void HoldCapabilities()
    {
        QMutexLocker lock(&m_mutex);
        m_holdCapabilities = true;
    }

    QString m_connection;

public Q_SLOTS:
    QStringList GetCapabilities()
    {
        QMutexLocker lock(&m_mutex);
        if (m_holdCapabilities) {
            setDelayedReply(true);
            m_heldCapabilities.append(message());
            return {};
        }
        return { QStringLiteral("body") };
    }
    uint Notify(const QString&, uint replacesId, const QString&, const QString& title,
        const QString& body, const QStringList&, const QVariantMap&, int)
    {
        QMutexLocker lock(&m_mutex);
        m_calls.append({ replacesId, title, body });
        if (m_failAll) {
            sendErrorReply(QDBusError::Failed, QStringLiteral("the service is full"));
            return 0;
        }
        if (m_answerAll)
            return replacesId ? replacesId : uint(100 + m_calls.size());
        setDelayedReply(true);
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
    QList<NotifyCall> m_calls;
    QList<QDBusMessage> m_held;
    QList<QDBusMessage> m_heldCapabilities;
    QList<uint> m_closed;
    bool m_failAll = false;
    bool m_answerAll = false;
    bool m_holdCapabilities = false;
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

// One icon in a fresh notification area, and the callback codes it receives.
class BalloonsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        service = std::make_unique<Service>();
        window = Platform::Windows().AllocateHWnd([this](HWND, UINT message, WPARAM, LPARAM code) {
            if (message == WM_USER + 7)
                codes.append(code);
            return LRESULT(0);
        });
        area = std::make_unique<DesktopNotifyArea>(nullptr, QDBusConnection::sessionBus());
        NOTIFYICONDATAA add = IconData(window, "");
        add.uFlags = NIF_MESSAGE;
        ASSERT_TRUE(area->Shell_NotifyIconA(NIM_ADD, &add));
    }
    void TearDown() override
    {
        NOTIFYICONDATAA remove = IconData(window, "");
        area->Shell_NotifyIconA(NIM_DELETE, &remove);
        area.reset();
        Platform::Windows().DeallocateHWnd(window);
        service.reset();
    }

    // What the tray component does for each balloon: hide the old one, show the new.
    bool ShowBalloon(const char* text)
    {
        NOTIFYICONDATAA hide = IconData(window, "");
        area->Shell_NotifyIconA(NIM_MODIFY, &hide);
        NOTIFYICONDATAA balloon = IconData(window, text);
        return area->Shell_NotifyIconA(NIM_MODIFY, &balloon) != 0;
    }

    // Registered before the area looks for a notification service.
    std::unique_ptr<Service> service;
    HWND window = 0;
    QList<LPARAM> codes;
    std::unique_ptr<INotifyArea> area;
};

// Standard error, caught in a file while it lives.
class CapturedStandardError
{
public:
    CapturedStandardError()
    {
        m_file.open();
        std::fflush(stderr);
        m_saved = dup(STDERR_FILENO);
        dup2(m_file.handle(), STDERR_FILENO);
    }
    ~CapturedStandardError() { restore(); }
    QStringList Lines()
    {
        restore();
        m_file.seek(0);
        return QString::fromUtf8(m_file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        dup2(m_saved, STDERR_FILENO);
        close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved = -1;
};

} // namespace

TEST_F(BalloonsTest, BalloonsDoNotWaitForTheService)
{
    // Asked and returned while the service still holds its answer.
    EXPECT_TRUE(ShowBalloon("05051234567"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return service->notifications.HeldCount() == 1; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(codes.contains(NIN_BALLOONSHOW));
    service->notifications.Answer(41);
    ASSERT_TRUE(QTest::qWaitFor([&] { return codes.contains(NIN_BALLOONSHOW); }, 5000));

    // Hidden before its answer: closed as soon as the answer names it.
    EXPECT_TRUE(ShowBalloon("05059876543"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return service->notifications.HeldCount() == 1; }, 5000));
    NOTIFYICONDATAA hide = IconData(window, "");
    EXPECT_TRUE(area->Shell_NotifyIconA(NIM_MODIFY, &hide));
    service->notifications.Answer(41);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return service->notifications.Closed().contains(41u); }, 5000));
    EXPECT_EQ(codes.count(NIN_BALLOONSHOW), 1);
}

TEST_F(BalloonsTest, ABalloonReplacesThePreviousOneInPlace)
{
    ShowBalloon("05051234567");
    ASSERT_TRUE(QTest::qWaitFor([&] { return service->notifications.HeldCount() == 1; }, 5000));
    service->notifications.Answer(41);
    ASSERT_TRUE(QTest::qWaitFor([&] { return codes.contains(NIN_BALLOONSHOW); }, 5000));

    ShowBalloon("05059876543");
    ASSERT_TRUE(QTest::qWaitFor([&] { return service->notifications.HeldCount() == 1; }, 5000));
    const QList<NotifyCall> calls = service->notifications.Calls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].replacesId, 0u);
    EXPECT_EQ(calls[1].replacesId, 41u);
    EXPECT_EQ(calls[1].body, QStringLiteral("05059876543"));
    // Replaced, not closed and shown anew.
    service->notifications.Answer(41);
    ASSERT_TRUE(QTest::qWaitFor([&] { return codes.count(NIN_BALLOONSHOW) == 2; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(service->notifications.Closed().isEmpty());
    // The first balloon is gone for its owner when the second takes its place.
    EXPECT_EQ(codes.count(NIN_BALLOONHIDE), 1);
    EXPECT_LT(codes.indexOf(NIN_BALLOONHIDE), codes.lastIndexOf(NIN_BALLOONSHOW));
}

TEST_F(BalloonsTest, AFloodKeepsOneRequestInFlightAndSendsOnlyTheNewest)
{
    EXPECT_TRUE(ShowBalloon("1"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return service->notifications.HeldCount() == 1; }, 5000));
    for (int n = 2; n <= 50; ++n)
        EXPECT_TRUE(ShowBalloon(QByteArray::number(n).constData()));
    // Time for more to arrive, if more had been sent.
    QTest::qWait(200);
    EXPECT_EQ(service->notifications.Calls().size(), 1);

    service->notifications.Answer(41);
    ASSERT_TRUE(QTest::qWaitFor([&] { return service->notifications.Calls().size() == 2; }, 5000));
    const NotifyCall newest = service->notifications.Calls().last();
    EXPECT_EQ(newest.body, QStringLiteral("50"));
    EXPECT_EQ(newest.replacesId, 41u);
    service->notifications.Answer(41);
    ASSERT_TRUE(QTest::qWaitFor([&] { return codes.count(NIN_BALLOONSHOW) == 2; }, 5000));
    QTest::qWait(200);
    EXPECT_EQ(service->notifications.Calls().size(), 2);
    EXPECT_TRUE(service->notifications.Closed().isEmpty());
}

TEST_F(BalloonsTest, FailuresAreLoggedOnceThenCounted)
{
    service->notifications.FailAll(true);
    QStringList lines;
    {
        CapturedStandardError captured;
        for (int n = 1; n <= 20; ++n) {
            EXPECT_TRUE(ShowBalloon(QByteArray::number(n).constData()));
            ASSERT_TRUE(
                QTest::qWaitFor([&] { return service->notifications.Calls().size() == n; }, 5000));
        }
        // The last failure comes back, then the service works again.
        QTest::qWait(200);
        service->notifications.FailAll(false);
        EXPECT_TRUE(ShowBalloon("21"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return codes.contains(NIN_BALLOONSHOW); }, 5000));
        lines = captured.Lines();
    }
    ASSERT_EQ(lines.size(), 2) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Balloon not shown: ")));
    EXPECT_TRUE(lines[0].contains(QStringLiteral("the service is full")));
    EXPECT_EQ(lines[1], QStringLiteral("19 more balloons not shown"));
}

TEST_F(BalloonsTest, TheCapabilitiesQueryDoesNotStopTheCaller)
{
    service->notifications.HoldCapabilities();
    // Returns at once although the service sits on the question; the balloon
    // waits for the answer, which says whether its text is markup.
    EXPECT_TRUE(ShowBalloon("<05051234567>"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return service->notifications.CapabilitiesAsked(); }, 5000));
    EXPECT_TRUE(service->notifications.Calls().isEmpty());
    service->notifications.AnswerCapabilities(
        { QStringLiteral("body"), QStringLiteral("body-markup") });
    ASSERT_TRUE(QTest::qWaitFor([&] { return service->notifications.HeldCount() == 1; }, 5000));
    EXPECT_EQ(service->notifications.Calls().first().body, QStringLiteral("&lt;05051234567&gt;"));
}

#include "BalloonsOnBus.moc"
