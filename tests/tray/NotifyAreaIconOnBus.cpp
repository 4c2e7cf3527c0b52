// The tray icon component in a StatusNotifierItem host's tray (an in-process
// watcher and host on a private session bus): the host's requests reach the
// component as its mouse events and its menu, and the icon comes back by
// itself when the watcher restarts. Pointer motion, enter and exit do not
// exist in that protocol and are never raised there.

#include "BusPeers.h"
#include "DBusMenu.h"
#include "DesktopNotifyArea.h"
#include "FakeDesktop.h"
#include "FakeMessageWindows.h"
#include "NotifyAreaIcon.h"
#include "Platform.h"

#include <QAction>
#include <QMenu>
#include <QPixmap>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class TestIcon : public TNotifyAreaIcon
{
public:
    using TNotifyAreaIcon::TNotifyAreaIcon;
    QList<QPoint> menusAt;

protected:
    void ExecuteMenu(QMenu*, int x, int y) override { menusAt.append(QPoint(x, y)); }
};

class NotifyAreaIconOnBus : public ::testing::Test
{
protected:
    void SetUp() override
    {
        desktop.doubleClickTime = 60000;
        watcher = std::make_unique<TestWatcher>();
        area = std::make_unique<DesktopNotifyArea>(nullptr, QDBusConnection::sessionBus());
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return area->CurrentTray() == DesktopNotifyArea::Tray::StatusNotifier; }, 10000));
        areaScope = std::make_unique<Platform::Scope>(nullptr, nullptr, area.get());
        clear = menu.addAction(QStringLiteral("Listeyi sil"));
        menu.addAction(QStringLiteral("Çıkış"));
        icon = std::make_unique<TestIcon>();
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::darkGreen);
        icon->Icon()->SetHandle(QIcon(pixmap));
        icon->SetHint(QStringLiteral("Caller ID Test"));
        icon->SetPopupMenu(&menu);
        icon->OnMouseDown = [this](TObject*, TMouseButton b, TShiftState, int x, int y) {
            events << QStringLiteral("down%1@%2,%3").arg(b).arg(x).arg(y);
        };
        icon->OnMouseUp = [this](TObject*, TMouseButton b, TShiftState, int, int) {
            events << QStringLiteral("up%1").arg(b);
        };
        icon->OnClick = [this](TObject*) { events << QStringLiteral("click"); };
        icon->OnMouseMove
            = [this](TObject*, TShiftState, int, int) { events << QStringLiteral("move"); };
        icon->SetIconVisible(true);
    }
    void TearDown() override
    {
        icon.reset();
        areaScope.reset();
        area.reset();
    }

    QString Registered()
    {
        if (!QTest::qWaitFor(
                [&] { return !watcher->RegisteredStatusNotifierItems().isEmpty(); }, 10000))
            return {};
        return watcher->RegisteredStatusNotifierItems().last();
    }
    QStringList Raised()
    {
        events.clear();
        windows.DeliverPosted();
        return events;
    }

    FakeMessageWindows windows;
    FakeDesktop desktop;
    Platform::Scope scope { &windows, &desktop, nullptr };
    std::unique_ptr<TestWatcher> watcher;
    std::unique_ptr<DesktopNotifyArea> area;
    // In place for the area's whole life: the test's area stands in for the platform's.
    std::unique_ptr<Platform::Scope> areaScope;
    QMenu menu;
    QAction* clear = nullptr;
    std::unique_ptr<TestIcon> icon;
    QStringList events;
};

} // namespace

TEST_F(NotifyAreaIconOnBus, TheHostsClicksAreTheComponentsClicks)
{
    const QString service = Registered();
    ASSERT_FALSE(service.isEmpty());
    TestHost host;
    desktop.cursor = { 980, 12 };

    host.CallItem(service, QStringLiteral("Activate"), { 980, 12 });
    EXPECT_EQ(Raised(),
        (QStringList {
            QStringLiteral("down0@980,12"), QStringLiteral("click"), QStringLiteral("up0") }));

    // With a double-click handler: two activations make a double click and no click.
    int doubleClicks = 0;
    icon->OnDblClick = [&](TObject*) { ++doubleClicks; };
    host.CallItem(service, QStringLiteral("Activate"), { 980, 12 });
    host.CallItem(service, QStringLiteral("Activate"), { 980, 12 });
    Raised();
    EXPECT_EQ(doubleClicks, 1);
    windows.FireTimer(reinterpret_cast<UINT_PTR>(&icon->ClickDelayTimer()));
    EXPECT_FALSE(events.contains(QStringLiteral("click")));

    host.CallItem(service, QStringLiteral("SecondaryActivate"), { 980, 12 });
    EXPECT_EQ(Raised(), (QStringList { QStringLiteral("down2@980,12"), QStringLiteral("up2") }));

    // The host that asks for the menu gets the component's popup at the cursor.
    host.CallItem(service, QStringLiteral("ContextMenu"), { 980, 12 });
    EXPECT_EQ(Raised(), (QStringList { QStringLiteral("down1@980,12"), QStringLiteral("up1") }));
    EXPECT_EQ(icon->menusAt, (QList<QPoint> { QPoint(980, 12) }));
    EXPECT_FALSE(events.contains(QStringLiteral("move")));
}

TEST_F(NotifyAreaIconOnBus, TheHostsMenuClicksThePopupMenusItem)
{
    const QString service = Registered();
    TestHost host;
    QDBusMessage reply
        = host.CallMenu(service, QStringLiteral("GetLayout"), { 0, -1, QStringList() });
    ASSERT_EQ(reply.arguments().size(), 2);
    const auto layout = Demarshalled<DBusMenuLayoutItem>(reply.arguments().at(1));
    ASSERT_EQ(layout.children.size(), 2);
    int cleared = 0;
    QObject::connect(clear, &QAction::triggered, &menu, [&] { ++cleared; });
    host.CallMenu(service, QStringLiteral("Event"),
        { layout.children[0].id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)),
            0u });
    ASSERT_TRUE(QTest::qWaitFor([&] { return cleared == 1; }, 5000));

    // A menu that must not pop up is not the host's to show either.
    menu.setProperty("AutoPopup", false);
    icon->SetHint(QStringLiteral("Hat 1"));
    EXPECT_EQ(host.ItemProperty(service, QStringLiteral("Menu")).value<QDBusObjectPath>().path(),
        QStringLiteral("/NO_DBUSMENU"));
}

TEST_F(NotifyAreaIconOnBus, AVisibleIconComesBackWhenTheWatcherRestarts)
{
    ASSERT_FALSE(Registered().isEmpty());
    watcher.reset();
    watcher = std::make_unique<TestWatcher>();
    ASSERT_FALSE(Registered().isEmpty());

    // A hidden one stays away.
    icon->SetIconVisible(false);
    watcher.reset();
    watcher = std::make_unique<TestWatcher>();
    QTest::qWait(500);
    EXPECT_TRUE(watcher->RegisteredStatusNotifierItems().isEmpty());
    EXPECT_EQ(area->CurrentTray(), DesktopNotifyArea::Tray::StatusNotifier);
}
