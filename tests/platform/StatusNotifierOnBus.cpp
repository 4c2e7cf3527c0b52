// The notification area's StatusNotifierItem tray on a private session bus,
// against an in-process watcher and host: how the icon is registered and what
// the host reads, hears and asks of it, and how the area follows the watcher.

#include "BusPeers.h"
#include "DBusMenu.h"
#include "DesktopNotifyArea.h"
#include "FakeDesktop.h"
#include "FakeMessageWindows.h"
#include "Platform.h"
#include "StatusNotifierItem.h"
#include "StatusNotifierTray.h"

#include <QAction>
#include <QDBusObjectPath>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QTest>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

constexpr UINT CallbackMessage = WM_USER + 9;

QIcon solidIcon(QRgb colour)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(colour);
    return QIcon(QPixmap::fromImage(image));
}

class StatusNotifierOnBus : public ::testing::Test
{
protected:
    void SetUp() override
    {
        desktop.doubleClickTime = 60000;
        window = windows.AllocateHWnd([this](HWND, UINT message, WPARAM, LPARAM code) {
            if (message == CallbackMessage)
                codes.append(UINT(code));
            return LRESULT(0);
        });
        // The owner of the icon adds it again whenever the tray changes, as
        // the tray component does.
        hook = desktop.HookApplication([this](UINT message, WPARAM, LPARAM) {
            if (message == windows.RegisterWindowMessageA(TaskbarCreatedName)) {
                ++broadcasts;
                if (visible)
                    Add();
            }
        });
        menu.addAction(QStringLiteral("Listeyi sil"));
        menu.addSeparator();
        menu.addAction(QStringLiteral("Çıkış"))->setEnabled(false);
    }
    void TearDown() override
    {
        area.reset();
        desktop.UnhookApplication(hook);
        windows.DeallocateHWnd(window);
    }

    void MakeArea()
    {
        area = std::make_unique<DesktopNotifyArea>(nullptr, QDBusConnection::sessionBus());
    }
    bool WaitForTray(DesktopNotifyArea::Tray tray)
    {
        return QTest::qWaitFor([&] { return area->CurrentTray() == tray; }, 10000);
    }

    NOTIFYICONDATAA Record(UINT flags)
    {
        NOTIFYICONDATAA data;
        data.cbSize = NOTIFYICONDATAA_V2_SIZE;
        data.hWnd = window;
        data.uID = 7;
        data.uFlags = flags;
        data.uCallbackMessage = CallbackMessage;
        data.hIcon = &icon;
        std::strcpy(data.szTip, "Caller ID Test");
        data.hMenu = &menu;
        return data;
    }
    bool Add()
    {
        visible = true;
        const NOTIFYICONDATAA data = Record(NIF_MESSAGE | NIF_ICON | NIF_TIP);
        return area->Shell_NotifyIconA(NIM_ADD, &data) != 0;
    }
    bool Modify(const NOTIFYICONDATAA& data) { return area->Shell_NotifyIconA(NIM_MODIFY, &data); }
    bool Delete()
    {
        visible = false;
        const NOTIFYICONDATAA data = Record(0);
        return area->Shell_NotifyIconA(NIM_DELETE, &data) != 0;
    }
    // The bus name of the icon's item, once the watcher has been told of it.
    QString Registered(TestWatcher& watcher)
    {
        if (!QTest::qWaitFor(
                [&] { return !watcher.RegisteredStatusNotifierItems().isEmpty(); }, 10000))
            return {};
        return watcher.RegisteredStatusNotifierItems().last();
    }
    QList<UINT> Delivered()
    {
        codes.clear();
        windows.DeliverPosted();
        return codes;
    }

    FakeMessageWindows windows;
    FakeDesktop desktop;
    Platform::Scope scope { &windows, &desktop, nullptr };
    HWND window = 0;
    int hook = 0;
    int broadcasts = 0;
    bool visible = false;
    QList<UINT> codes;
    QIcon icon = solidIcon(qRgb(0, 128, 0));
    QMenu menu;
    std::unique_ptr<DesktopNotifyArea> area;
};

} // namespace

TEST_F(StatusNotifierOnBus, TheIconIsRegisteredWithItsPropertiesAndPixels)
{
    TestWatcher watcher;
    MakeArea();
    ASSERT_TRUE(WaitForTray(DesktopNotifyArea::Tray::StatusNotifier));
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setPixel(0, 0, qRgb(255, 0, 0));
    image.setPixel(1, 0, qRgb(0x12, 0x34, 0x56));
    image.setPixel(15, 15, qRgb(0, 0, 255));
    icon = QIcon(QPixmap::fromImage(image));
    ASSERT_TRUE(Add());

    const QString service = Registered(watcher);
    EXPECT_EQ(service,
        QStringLiteral("org.kde.StatusNotifierItem-%1-").arg(::getpid())
            + service.section(QLatin1Char('-'), -1));
    // Registered from the item's own connection, which owns that name.
    TestHost host;
    ASSERT_TRUE(host.HasOwner(service));
    EXPECT_EQ(host.ItemProperty(service, QStringLiteral("Category")).toString(),
        QStringLiteral("ApplicationStatus"));
    EXPECT_EQ(
        host.ItemProperty(service, QStringLiteral("Status")).toString(), QStringLiteral("Active"));
    EXPECT_FALSE(host.ItemProperty(service, QStringLiteral("Id")).toString().isEmpty());
    EXPECT_EQ(host.ItemProperty(service, QStringLiteral("Title")).toString(),
        QCoreApplication::applicationName());
    EXPECT_FALSE(host.ItemProperty(service, QStringLiteral("ItemIsMenu")).toBool());
    EXPECT_EQ(host.ItemProperty(service, QStringLiteral("Menu")).value<QDBusObjectPath>().path(),
        QStringLiteral("/MenuBar"));
    const auto toolTip = Demarshalled<StatusNotifierToolTip>(
        host.ItemProperty(service, QStringLiteral("ToolTip")));
    EXPECT_EQ(toolTip.title, QStringLiteral("Caller ID Test"));

    const auto pixmaps = Demarshalled<StatusNotifierPixmaps>(
        host.ItemProperty(service, QStringLiteral("IconPixmap")));
    ASSERT_EQ(pixmaps.size(), 1);
    EXPECT_EQ(pixmaps[0].width, 16);
    EXPECT_EQ(pixmaps[0].height, 16);
    const QByteArray& bytes = pixmaps[0].pixels;
    ASSERT_EQ(bytes.size(), 16 * 16 * 4);
    // Alpha, red, green, blue, whatever the machine's byte order.
    EXPECT_EQ(bytes.mid(0, 4), QByteArray::fromHex("ffff0000"));
    EXPECT_EQ(bytes.mid(4, 4), QByteArray::fromHex("ff123456"));
    EXPECT_EQ(bytes.mid(8, 4), QByteArray::fromHex("00000000"));
    EXPECT_EQ(bytes.right(4), QByteArray::fromHex("ff0000ff"));
}

TEST_F(StatusNotifierOnBus, ChangesAreSignalledAndACyclingIconIsRateLimited)
{
    TestWatcher watcher;
    MakeArea();
    ASSERT_TRUE(WaitForTray(DesktopNotifyArea::Tray::StatusNotifier));
    area->StatusNotifier()->SetIconSignalGap(1000);
    ASSERT_TRUE(Add());
    const QString service = Registered(watcher);
    TestHost host;
    host.Watch(service);
    ASSERT_TRUE(host.HasOwner(service));

    NOTIFYICONDATAA tip = Record(NIF_TIP);
    std::strcpy(tip.szTip, "Hat 1");
    ASSERT_TRUE(Modify(tip));
    // The same again, as every balloon sends the icon and tip again: no news.
    ASSERT_TRUE(Modify(Record(NIF_ICON)));
    ASSERT_TRUE(Modify(tip));
    NOTIFYICONDATAA hidden = Record(NIF_STATE);
    hidden.dwState = NIS_HIDDEN;
    hidden.dwStateMask = NIS_HIDDEN;
    ASSERT_TRUE(Modify(hidden));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !host.newStatuses.isEmpty(); }, 5000));
    EXPECT_EQ(host.newToolTips, 1);
    EXPECT_EQ(host.newStatuses, QStringList { QStringLiteral("Passive") });
    EXPECT_EQ(
        host.ItemProperty(service, QStringLiteral("Status")).toString(), QStringLiteral("Passive"));
    EXPECT_EQ(
        Demarshalled<StatusNotifierToolTip>(host.ItemProperty(service, QStringLiteral("ToolTip")))
            .title,
        QStringLiteral("Hat 1"));
    EXPECT_EQ(host.newIcons, 0);

    // Twenty images in a row, as a fast cycle gives them: the host hears of
    // the first at once and of the last one gap later, and of nothing between.
    QList<QIcon> frames;
    for (int n = 0; n < 20; ++n)
        frames.append(solidIcon(qRgb(n * 10, 0, 0)));
    for (const QIcon& frame : std::as_const(frames)) {
        NOTIFYICONDATAA change = Record(NIF_ICON);
        change.hIcon = &frame;
        ASSERT_TRUE(Modify(change));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.newIcons == 2; }, 5000));
    QTest::qWait(1500);
    EXPECT_EQ(host.newIcons, 2);
    const auto pixmaps = Demarshalled<StatusNotifierPixmaps>(
        host.ItemProperty(service, QStringLiteral("IconPixmap")));
    ASSERT_EQ(pixmaps.size(), 1);
    EXPECT_EQ(pixmaps[0].pixels.left(4), QByteArray::fromHex("ffbe0000"));
}

TEST_F(StatusNotifierOnBus, TheMenuTravelsOverDBusMenu)
{
    TestWatcher watcher;
    MakeArea();
    ASSERT_TRUE(WaitForTray(DesktopNotifyArea::Tray::StatusNotifier));
    ASSERT_TRUE(Add());
    const QString service = Registered(watcher);
    TestHost host;
    host.Watch(service);

    QDBusMessage reply
        = host.CallMenu(service, QStringLiteral("GetLayout"), { 0, -1, QStringList() });
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    ASSERT_EQ(reply.arguments().size(), 2);
    auto layout = Demarshalled<DBusMenuLayoutItem>(reply.arguments().at(1));
    EXPECT_EQ(layout.id, 0);
    ASSERT_EQ(layout.children.size(), 3);
    // A copy: the layout is read again below.
    const DBusMenuLayoutItem clear = layout.children[0];
    EXPECT_EQ(
        clear.properties.value(QStringLiteral("label")).toString(), QStringLiteral("Listeyi sil"));
    EXPECT_TRUE(clear.properties.value(QStringLiteral("enabled")).toBool());
    EXPECT_EQ(layout.children[1].properties.value(QStringLiteral("type")).toString(),
        QStringLiteral("separator"));
    EXPECT_EQ(layout.children[2].properties.value(QStringLiteral("label")).toString(),
        QStringLiteral("Çıkış"));
    EXPECT_FALSE(layout.children[2].properties.value(QStringLiteral("enabled")).toBool());

    reply = host.CallMenu(service, QStringLiteral("GetGroupProperties"),
        { QVariant::fromValue(QList<int> { clear.id, 99 }),
            QStringList { QStringLiteral("label") } });
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    const auto items = Demarshalled<DBusMenuItemList>(reply.arguments().at(0));
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0].properties,
        (QVariantMap { { QStringLiteral("label"), QStringLiteral("Listeyi sil") } }));

    // A click in the host's menu is a click on the menu's own item; a
    // disabled item stays unclicked.
    int cleared = 0, quit = 0;
    QObject::connect(menu.actions()[0], &QAction::triggered, &menu, [&] { ++cleared; });
    QObject::connect(menu.actions()[2], &QAction::triggered, &menu, [&] { ++quit; });
    for (const DBusMenuLayoutItem& item : { clear, layout.children[2] }) {
        reply = host.CallMenu(service, QStringLiteral("Event"),
            { item.id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u });
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return cleared == 1; }, 5000));
    // Hosts built on libdbusmenu send their clicks in groups.
    const DBusMenuEventList group { { clear.id, QStringLiteral("clicked"), QDBusVariant(0), 0u } };
    reply = host.CallMenu(service, QStringLiteral("EventGroup"), { QVariant::fromValue(group) });
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return cleared == 2; }, 5000));
    EXPECT_EQ(quit, 0);
    reply = host.CallMenu(service, QStringLiteral("Event"),
        { 99, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u });
    EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage);

    // A new item: the host is told to read the layout again, and finds it.
    menu.addAction(QStringLiteral("Hakkında"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.layoutUpdates == 1; }, 5000));
    reply = host.CallMenu(service, QStringLiteral("GetLayout"), { 0, -1, QStringList() });
    layout = Demarshalled<DBusMenuLayoutItem>(reply.arguments().at(1));
    ASSERT_EQ(layout.children.size(), 4);
    EXPECT_EQ(layout.children[0].id, clear.id);
}

TEST_F(StatusNotifierOnBus, TheHostsRequestsBecomeButtonCodes)
{
    TestWatcher watcher;
    MakeArea();
    ASSERT_TRUE(WaitForTray(DesktopNotifyArea::Tray::StatusNotifier));
    ASSERT_TRUE(Add());
    const QString service = Registered(watcher);
    TestHost host;
    using Codes = QList<UINT>;

    host.CallItem(service, QStringLiteral("Activate"), { 100, 5 });
    EXPECT_EQ(Delivered(), (Codes { WM_LBUTTONDOWN, WM_LBUTTONUP }));
    // Within the double-click time: the second press of a double click.
    host.CallItem(service, QStringLiteral("Activate"), { 100, 5 });
    EXPECT_EQ(Delivered(), (Codes { WM_LBUTTONDBLCLK, WM_LBUTTONUP }));
    host.CallItem(service, QStringLiteral("Activate"), { 100, 5 });
    EXPECT_EQ(Delivered(), (Codes { WM_LBUTTONDOWN, WM_LBUTTONUP }));
    desktop.doubleClickTime = 1;
    QTest::qWait(20);
    host.CallItem(service, QStringLiteral("Activate"), { 100, 5 });
    EXPECT_EQ(Delivered(), (Codes { WM_LBUTTONDOWN, WM_LBUTTONUP }));

    host.CallItem(service, QStringLiteral("SecondaryActivate"), { 100, 5 });
    EXPECT_EQ(Delivered(), (Codes { WM_MBUTTONDOWN, WM_MBUTTONUP }));
    host.CallItem(service, QStringLiteral("ContextMenu"), { 100, 5 });
    EXPECT_EQ(Delivered(), (Codes { WM_RBUTTONDOWN, WM_RBUTTONUP }));
    const QDBusMessage scrolled
        = host.CallItem(service, QStringLiteral("Scroll"), { 120, QStringLiteral("vertical") });
    EXPECT_EQ(scrolled.type(), QDBusMessage::ReplyMessage);
    // (Not compared with an empty list: Qt 6.4 hands memcmp a null pointer there.)
    EXPECT_TRUE(Delivered().isEmpty());
}

TEST_F(StatusNotifierOnBus, TheItemLeavesWhenHiddenAndWhenTheAreaEnds)
{
    TestWatcher watcher;
    MakeArea();
    ASSERT_TRUE(WaitForTray(DesktopNotifyArea::Tray::StatusNotifier));
    ASSERT_TRUE(Add());
    TestHost host;
    const QString first = Registered(watcher);
    ASSERT_TRUE(host.HasOwner(first));
    ASSERT_TRUE(Delete());
    EXPECT_FALSE(host.HasOwner(first));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return watcher.RegisteredStatusNotifierItems().isEmpty(); }, 5000));
    EXPECT_FALSE(Modify(Record(NIF_TIP)));

    ASSERT_TRUE(Add());
    const QString second = Registered(watcher);
    EXPECT_NE(second, first);
    ASSERT_TRUE(host.HasOwner(second));
    area.reset();
    EXPECT_FALSE(host.HasOwner(second));
}

TEST_F(StatusNotifierOnBus, TheIconFollowsTheWatcherAndItsHost)
{
    MakeArea();
    ASSERT_TRUE(WaitForTray(DesktopNotifyArea::Tray::None));
    // No tray: the icon can at most carry balloons (if a notification
    // service could be started here).
    Add();

    auto watcher = std::make_unique<TestWatcher>(false);
    // A watcher without a host shows nothing: still no tray.
    QTest::qWait(300);
    EXPECT_EQ(area->CurrentTray(), DesktopNotifyArea::Tray::None);
    watcher->SetHost(true);
    ASSERT_TRUE(WaitForTray(DesktopNotifyArea::Tray::StatusNotifier));
    EXPECT_EQ(broadcasts, 1);
    const QString first = Registered(*watcher);
    ASSERT_FALSE(first.isEmpty());

    // The watcher restarts: the icon leaves with the old one and comes back
    // to the new one by itself.
    watcher.reset();
    ASSERT_TRUE(WaitForTray(DesktopNotifyArea::Tray::None));
    watcher = std::make_unique<TestWatcher>(true);
    ASSERT_TRUE(WaitForTray(DesktopNotifyArea::Tray::StatusNotifier));
    EXPECT_EQ(broadcasts, 3);
    EXPECT_FALSE(Registered(*watcher).isEmpty());

    // The host leaves: so does the icon; a hidden icon does not come back.
    watcher->SetHost(false);
    ASSERT_TRUE(WaitForTray(DesktopNotifyArea::Tray::None));
    Delete();
    watcher->SetHost(true);
    ASSERT_TRUE(WaitForTray(DesktopNotifyArea::Tray::StatusNotifier));
    QTest::qWait(300);
    EXPECT_TRUE(watcher->RegisteredStatusNotifierItems().isEmpty());
}

TEST_F(StatusNotifierOnBus, AWatcherRestartedUnderARunningHostGetsTheIconBack)
{
    // Hosts need not register again with a new watcher; their bus name stays.
    TestHost host;
    host.TakeHostName();
    auto watcher = std::make_unique<TestWatcher>(true);
    MakeArea();
    ASSERT_TRUE(WaitForTray(DesktopNotifyArea::Tray::StatusNotifier));
    ASSERT_TRUE(Add());
    ASSERT_FALSE(Registered(*watcher).isEmpty());
    watcher.reset();
    ASSERT_TRUE(WaitForTray(DesktopNotifyArea::Tray::None));
    // This one takes its name a while before it answers on it.
    watcher = std::make_unique<TestWatcher>(false, 700);
    ASSERT_TRUE(WaitForTray(DesktopNotifyArea::Tray::StatusNotifier));
    EXPECT_FALSE(Registered(*watcher).isEmpty());
}
