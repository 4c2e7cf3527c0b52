#include "NotifyAreaIcon.h"
#include "FakePlatform.h"
#include "Forms.h"

#include <QAction>
#include <QMenu>
#include <QPixmap>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

// Records the menus it would run instead of running them modally.
class TestIcon : public TNotifyAreaIcon
{
public:
    using TNotifyAreaIcon::TNotifyAreaIcon;
    QList<QPoint> menusAt;

protected:
    void ExecuteMenu(QMenu*, int x, int y) override { menusAt.append(QPoint(x, y)); }
};

QImage solid(QColor colour)
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

const QList<QColor> Colours = { Qt::red, Qt::green, Qt::blue, Qt::yellow };

// Which of the test colours the icon shows now, -1 for none.
int shownColour(const TIcon& icon)
{
    if (icon.Empty())
        return -1;
    const QColor pixel = icon.Handle().pixmap(16, 16).toImage().pixelColor(8, 8);
    for (int i = 0; i < Colours.size(); ++i)
        if (pixel == Colours.at(i))
            return i;
    return -1;
}

class NotifyAreaIconTest : public ::testing::Test
{
protected:
    NotifyAreaIconTest() { icon = std::make_unique<TestIcon>(); }

    // Delivers a notification code as the shell would.
    void notify(UINT code)
    {
        fake.windows.SendMessageA(icon->IconData().hWnd, TrayCallbackMessage, icon->IconId(), code);
    }

    void recordMouse()
    {
        icon->OnMouseDown = [this](TObject*, TMouseButton b, TShiftState s, int x, int y) {
            events << QStringLiteral("down%1:%2@%3,%4").arg(b).arg(int(s)).arg(x).arg(y);
        };
        icon->OnMouseUp = [this](TObject*, TMouseButton b, TShiftState s, int, int) {
            events << QStringLiteral("up%1:%2").arg(b).arg(int(s));
        };
        icon->OnMouseMove = [this](TObject*, TShiftState s, int x, int y) {
            events << QStringLiteral("move:%1@%2,%3").arg(int(s)).arg(x).arg(y);
        };
        icon->OnClick = [this](TObject*) { events << QStringLiteral("click"); };
        icon->OnMouseEnter = [this](TObject*) { events << QStringLiteral("enter"); };
        icon->OnMouseExit = [this](TObject*) { events << QStringLiteral("exit"); };
    }

    FakePlatform fake;
    std::unique_ptr<TestIcon> icon;
    QStringList events;
};

TEST_F(NotifyAreaIconTest, RecordStartsAsTheShellExpects)
{
    const NOTIFYICONDATAA& data = icon->IconData();
    EXPECT_EQ(data.cbSize, 488u);
    EXPECT_EQ(data.hWnd, TTrayIconHandler::Instance()->Window());
    EXPECT_EQ(data.uID, reinterpret_cast<UINT_PTR>(icon.get()));
    EXPECT_EQ(data.uFlags, 7u);
    EXPECT_EQ(data.uCallbackMessage, 0x0800u);
    EXPECT_TRUE(icon->Enabled());
    EXPECT_TRUE(icon->ShowHint());
    EXPECT_FALSE(icon->IconVisible());
    EXPECT_FALSE(icon->IconCycleTimer().Enabled());
    EXPECT_EQ(icon->ExitPollTimer().Interval(), 20u);
}

TEST_F(NotifyAreaIconTest, LeftClickWithoutDoubleClickHandlerIsReportedOnRelease)
{
    recordMouse();
    fake.desktop.cursor = { 40, 50 };
    fake.desktop.shiftDown = true;
    notify(WM_LBUTTONDOWN);
    notify(WM_LBUTTONUP);
    EXPECT_EQ(events,
        (QStringList { QStringLiteral("down0:%1@40,50").arg(int(ssShift | ssLeft)),
            QStringLiteral("click"), QStringLiteral("up0:%1").arg(int(ssShift | ssLeft)) }));
    EXPECT_FALSE(icon->ClickDelayTimer().Enabled());
}

TEST_F(NotifyAreaIconTest, SingleClickWaitsForTheDoubleClickTime)
{
    recordMouse();
    int doubles = 0;
    icon->OnDblClick = [&](TObject*) { ++doubles; };
    fake.desktop.doubleClickTime = 333;
    const UINT_PTR delay = icon->ClickDelayTimer().Id();

    notify(WM_LBUTTONDOWN);
    EXPECT_EQ(fake.windows.TimerInterval(delay), 333u);
    notify(WM_LBUTTONUP);
    EXPECT_FALSE(events.contains(QStringLiteral("click")));
    EXPECT_TRUE(fake.windows.FireTimer(delay));
    EXPECT_EQ(events.count(QStringLiteral("click")), 1);
    EXPECT_FALSE(icon->ClickDelayTimer().Enabled());

    // Down, up, double click, up: one DblClick and no Click.
    events.clear();
    notify(WM_LBUTTONDOWN);
    notify(WM_LBUTTONUP);
    notify(WM_LBUTTONDBLCLK);
    notify(WM_LBUTTONUP);
    EXPECT_TRUE(fake.windows.FireTimer(delay));
    EXPECT_EQ(doubles, 1);
    EXPECT_FALSE(events.contains(QStringLiteral("click")));
    EXPECT_EQ(events.count(QStringLiteral("up0:%1").arg(int(ssLeft))), 2);

    // The next single click is a click again.
    events.clear();
    notify(WM_LBUTTONDOWN);
    notify(WM_LBUTTONUP);
    EXPECT_TRUE(fake.windows.FireTimer(delay));
    EXPECT_EQ(events.count(QStringLiteral("click")), 1);
}

TEST_F(NotifyAreaIconTest, RightAndMiddleButtonsFollowTheProtocolVersion)
{
    recordMouse();
    fake.desktop.controlDown = true;
    fake.desktop.altDown = true;
    const int keys = int(ssCtrl | ssAlt);
    notify(WM_RBUTTONDOWN);
    notify(WM_RBUTTONUP);
    notify(WM_CONTEXTMENU);
    notify(WM_MBUTTONDOWN);
    notify(WM_MBUTTONUP);
    notify(WM_RBUTTONDBLCLK);
    notify(WM_MBUTTONDBLCLK);
    EXPECT_EQ(events,
        (QStringList { QStringLiteral("down1:%1@100,200").arg(keys | ssRight),
            QStringLiteral("up1:%1").arg(keys | ssRight),
            QStringLiteral("down2:%1@100,200").arg(keys | ssMiddle),
            QStringLiteral("up2:%1").arg(keys | ssMiddle) }));

    events.clear();
    icon->SetNotifyBehavior(nbShell5);
    EXPECT_EQ(icon->IconData().u.uVersion, 3u);
    EXPECT_EQ(fake.notifyArea.LastCall()->message, NIM_SETVERSION);
    notify(WM_RBUTTONUP);
    EXPECT_TRUE(events.isEmpty());
    for (UINT code : { WM_CONTEXTMENU, NIN_SELECT, NIN_KEYSELECT })
        notify(code);
    EXPECT_EQ(events.count(QStringLiteral("up1:%1").arg(keys | ssRight)), 3);
    icon->SetNotifyBehavior(nbClassic);
    EXPECT_EQ(icon->IconData().u.uVersion, 0u);
}

TEST_F(NotifyAreaIconTest, DisabledIconIgnoresTheMouseButNotBalloons)
{
    recordMouse();
    QStringList balloons;
    icon->OnBalloonHintShow = [&](TObject* s) {
        balloons << QStringLiteral("show");
        EXPECT_EQ(s, icon.get());
    };
    icon->OnBalloonHintHide = [&](TObject*) { balloons << QStringLiteral("hide"); };
    icon->OnBalloonHintTimeout = [&](TObject*) { balloons << QStringLiteral("timeout"); };
    icon->OnBalloonHintClick = [&](TObject*) { balloons << QStringLiteral("click"); };
    icon->SetEnabled(false);
    for (UINT code : { WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN,
             WM_RBUTTONUP, WM_MBUTTONDOWN, WM_MBUTTONUP, WM_CONTEXTMENU })
        notify(code);
    for (UINT code : { NIN_BALLOONSHOW, NIN_BALLOONHIDE, NIN_BALLOONTIMEOUT, NIN_BALLOONUSERCLICK })
        notify(code);
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(balloons,
        (QStringList { QStringLiteral("show"), QStringLiteral("hide"), QStringLiteral("timeout"),
            QStringLiteral("click") }));
}

TEST_F(NotifyAreaIconTest, EnterBeforeFirstMoveAndExitWhenTheCursorLeaves)
{
    recordMouse();
    icon->SetWantEnterExitEvents(true);
    const UINT_PTR poll = icon->ExitPollTimer().Id();
    EXPECT_FALSE(fake.windows.HasTimer(poll)) << "no poll while the cursor is elsewhere";
    fake.desktop.cursor = { 5, 6 };
    notify(WM_MOUSEMOVE);
    EXPECT_EQ(fake.windows.TimerInterval(poll), 20u) << "the poll runs while the cursor is over it";
    notify(WM_MOUSEMOVE);
    EXPECT_EQ(events,
        (QStringList {
            QStringLiteral("enter"), QStringLiteral("move:0@5,6"), QStringLiteral("move:0@5,6") }));
    // Holding still over the icon is no exit.
    EXPECT_TRUE(fake.windows.FireTimer(poll));
    EXPECT_EQ(events.count(QStringLiteral("exit")), 0);
    fake.desktop.cursor = { 5, 60 };
    EXPECT_TRUE(fake.windows.FireTimer(poll));
    EXPECT_FALSE(fake.windows.FireTimer(poll)) << "and stops once it has left";
    EXPECT_EQ(events.count(QStringLiteral("exit")), 1);
    notify(WM_MOUSEMOVE);
    EXPECT_EQ(events.count(QStringLiteral("enter")), 2);
    EXPECT_TRUE(fake.windows.HasTimer(poll));

    icon->SetWantEnterExitEvents(false);
    EXPECT_FALSE(fake.windows.HasTimer(poll));
}

TEST_F(NotifyAreaIconTest, PopupMenuRules)
{
    QMenu menu;
    fake.desktop.cursor = { 300, 400 };
    notify(WM_RBUTTONDOWN);
    EXPECT_TRUE(icon->menusAt.isEmpty());

    icon->SetPopupMenu(&menu);
    notify(WM_LBUTTONDOWN);
    EXPECT_TRUE(icon->menusAt.isEmpty());
    notify(WM_RBUTTONDOWN);
    ASSERT_EQ(icon->menusAt.size(), 1);
    EXPECT_EQ(icon->menusAt.first(), QPoint(300, 400));
    EXPECT_EQ(menu.property("PopupComponent").value<QObject*>(), icon.get());
    EXPECT_TRUE(fake.desktop.foreground.contains(icon->IconData().hWnd));

    icon->SetLeftPopup(true);
    notify(WM_LBUTTONDOWN);
    notify(WM_RBUTTONDOWN);
    EXPECT_EQ(icon->menusAt.size(), 3);

    menu.setProperty("AutoPopup", false);
    notify(WM_LBUTTONDOWN);
    notify(WM_RBUTTONDOWN);
    EXPECT_EQ(icon->menusAt.size(), 3);

    // Explicit pop-ups ignore AutoPopup; without a cursor position nothing shows.
    icon->PopupAt(1, 2);
    EXPECT_EQ(icon->menusAt.last(), QPoint(1, 2));
    fake.desktop.cursorAvailable = false;
    icon->PopupAtCursor();
    EXPECT_EQ(icon->menusAt.size(), 4);
}

TEST_F(NotifyAreaIconTest, DoubleClickChoosesTheFirstDefaultItem)
{
    QMenu menu;
    QStringList clicked;
    for (const char* name : { "first", "second", "third" }) {
        QAction* action = menu.addAction(QString::fromLatin1(name));
        QObject::connect(action, &QAction::triggered, &menu,
            [&clicked, name] { clicked << QString::fromLatin1(name); });
    }
    icon->SetPopupMenu(&menu);
    notify(WM_LBUTTONDBLCLK);
    EXPECT_TRUE(clicked.isEmpty());

    menu.actions().at(2)->setProperty("Default", true);
    menu.actions().at(1)->setProperty("Default", true);
    notify(WM_LBUTTONDBLCLK);
    EXPECT_EQ(clicked, QStringList { QStringLiteral("second") });

    icon->SetLeftPopup(true);
    notify(WM_LBUTTONDBLCLK);
    EXPECT_EQ(clicked.size(), 1);
}

TEST_F(NotifyAreaIconTest, BalloonTextIsCutAndTimeoutInMilliseconds)
{
    EXPECT_FALSE(icon->ShowBalloon(QStringLiteral("t"), QStringLiteral("x"), bikInfo, 10));

    icon->SetIconVisible(true);
    fake.notifyArea.ClearCalls();
    const QString text(300, QLatin1Char('a'));
    const QString title(100, QChar(0x015F)); // ş survives the trip to 8-bit text
    EXPECT_TRUE(icon->ShowBalloon(title, text, bikInfo, 10));
    ASSERT_EQ(fake.notifyArea.Calls().size(), 2);
    const NOTIFYICONDATAA& hide = fake.notifyArea.Calls().at(0).data;
    EXPECT_EQ(hide.uFlags, 7u | NIF_INFO);
    EXPECT_EQ(hide.szInfo[0], '\0');
    const NOTIFYICONDATAA& shown = fake.notifyArea.Calls().at(1).data;
    EXPECT_EQ(fake.notifyArea.Calls().at(1).message, NIM_MODIFY);
    EXPECT_EQ(shown.uFlags, 7u | NIF_INFO);
    EXPECT_EQ(std::strlen(shown.szInfo), 255u);
    EXPECT_EQ(std::strlen(shown.szInfoTitle), 63u);
    EXPECT_EQ(static_cast<unsigned char>(shown.szInfoTitle[0]), 0xFEu);
    EXPECT_EQ(shown.u.uTimeout, 10000u);
    EXPECT_EQ(shown.dwInfoFlags, 1u);
    EXPECT_EQ(icon->IconData().uFlags, 7u);

    icon->ShowBalloon(QString(), QStringLiteral("w"), bikWarning, 1);
    EXPECT_EQ(fake.notifyArea.LastCall()->data.dwInfoFlags, 2u);
    icon->ShowBalloon(QString(), QStringLiteral("e"), bikError, 255);
    EXPECT_EQ(fake.notifyArea.LastCall()->data.dwInfoFlags, 3u);
    EXPECT_EQ(fake.notifyArea.LastCall()->data.u.uTimeout, 255000u);

    // Hiding on its own leaves the info flag until the next balloon.
    EXPECT_TRUE(icon->HideBalloon());
    EXPECT_EQ(icon->IconData().uFlags, 7u | NIF_INFO);
    fake.notifyArea.refuseAll = true;
    EXPECT_FALSE(icon->ShowBalloon(QStringLiteral("t"), QStringLiteral("x"), bikNone, 10));
}

TEST_F(NotifyAreaIconTest, TipFollowsHintAndShowHint)
{
    icon->SetHint(QString(200, QLatin1Char('h')));
    EXPECT_EQ(std::strlen(icon->IconData().szTip), 127u);
    EXPECT_EQ(fake.notifyArea.LastCall()->message, NIM_MODIFY);
    EXPECT_EQ(std::strlen(fake.notifyArea.LastCall()->data.szTip), 127u);
    icon->SetShowHint(false);
    EXPECT_EQ(std::strlen(icon->IconData().szTip), 0u);
    icon->SetShowHint(true);
    icon->SetHint(QString());
    const char* tip = icon->IconData().szTip;
    EXPECT_TRUE(std::all_of(tip, tip + 128, [](char c) { return c == 0; }));
}

TEST_F(NotifyAreaIconTest, IconIndexStaysInsideTheList)
{
    TCustomImageList list(nullptr, 16, 16);
    icon->SetIconIndex(5);
    EXPECT_EQ(icon->IconIndex(), 0);
    for (const QColor& c : Colours)
        list.Add(solid(c));
    icon->SetIconList(&list);
    icon->SetIconIndex(7);
    EXPECT_EQ(icon->IconIndex(), 3);
    EXPECT_EQ(shownColour(*icon->Icon()), 3);
    EXPECT_EQ(fake.notifyArea.LastCall()->data.hIcon, &icon->Icon()->Handle());
    icon->SetIconIndex(-4);
    EXPECT_EQ(icon->IconIndex(), 0);
}

TEST_F(NotifyAreaIconTest, CyclingStepsThroughTheListAndRestartsOnNewInterval)
{
    TCustomImageList list(nullptr, 16, 16);
    for (int i = 0; i < 3; ++i)
        list.Add(solid(Colours.at(i)));
    QList<int> next;
    icon->OnCycle = [&](TObject*, int index) { next << index; };
    icon->SetIconList(&list);
    icon->SetCycleInterval(400);
    icon->SetCycleIcons(true);
    const UINT_PTR cycle = icon->IconCycleTimer().Id();
    EXPECT_EQ(fake.windows.TimerInterval(cycle), 400u);

    QList<int> shown { shownColour(*icon->Icon()) };
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(fake.windows.FireTimer(cycle));
        shown << shownColour(*icon->Icon());
    }
    EXPECT_EQ(shown, (QList<int> { 0, 1, 2, 0, 1 }));
    EXPECT_EQ(next, (QList<int> { 1, 2, 0, 1 }));

    const int starts = fake.windows.TimerStarts(cycle);
    icon->SetCycleInterval(400);
    EXPECT_EQ(fake.windows.TimerStarts(cycle), starts);
    icon->SetCycleInterval(250);
    EXPECT_EQ(icon->IconIndex(), 0);
    EXPECT_EQ(fake.windows.TimerInterval(cycle), 250u);
    EXPECT_GT(fake.windows.TimerStarts(cycle), starts);

    icon->SetCycleIcons(false);
    EXPECT_FALSE(fake.windows.HasTimer(cycle));
}

TEST_F(NotifyAreaIconTest, RemovedImageListAndMenuAreForgotten)
{
    auto list = std::make_unique<TCustomImageList>(nullptr, 16, 16);
    list->Add(solid(Qt::red));
    list->Add(solid(Qt::green));
    auto menu = std::make_unique<QMenu>();
    icon->SetIconList(list.get());
    icon->SetIconIndex(1);
    icon->SetPopupMenu(menu.get());
    icon->SetCycleInterval(100);
    icon->SetCycleIcons(true);

    list.reset();
    menu.reset();
    EXPECT_EQ(icon->IconList(), nullptr);
    EXPECT_EQ(icon->IconIndex(), 0);
    EXPECT_EQ(icon->PopupMenu(), nullptr);
    EXPECT_TRUE(fake.windows.FireTimer(icon->IconCycleTimer().Id()));
    notify(WM_RBUTTONDOWN);
    notify(WM_LBUTTONDBLCLK);
    EXPECT_TRUE(icon->menusAt.isEmpty());
}

TEST_F(NotifyAreaIconTest, SharedWindowLivesFromFirstToLastIcon)
{
    const HWND window = TTrayIconHandler::Instance()->Window();
    auto second = std::make_unique<TNotifyAreaIcon>();
    EXPECT_EQ(second->IconData().hWnd, window);
    EXPECT_EQ(TTrayIconHandler::Instance()->UserCount(), 2u);
    icon.reset();
    EXPECT_TRUE(fake.windows.IsWindow(window));
    second.reset();
    EXPECT_EQ(TTrayIconHandler::Instance(), nullptr);
    EXPECT_FALSE(fake.windows.IsWindow(window));
    icon = std::make_unique<TestIcon>();
    EXPECT_NE(icon->IconData().hWnd, window);
    EXPECT_TRUE(fake.windows.IsWindow(icon->IconData().hWnd));
}

TEST_F(NotifyAreaIconTest, SharedWindowAnswersSessionAndCloseMessages)
{
    const HWND window = icon->IconData().hWnd;
    for (UINT message :
        { WM_QUERYENDSESSION, WM_ENDSESSION, WM_DESTROY, WM_CLOSE, WM_QUIT, WM_NCDESTROY })
        EXPECT_EQ(fake.windows.SendMessageA(window, message, 0, 0), 1);
    const int before = fake.windows.DefaultProcessed();
    fake.windows.SendMessageA(window, WM_USER + 9, 0, 0);
    EXPECT_EQ(fake.windows.DefaultProcessed(), before + 1);
}

TEST_F(NotifyAreaIconTest, ShellRestartBringsBackOnlyVisibleIcons)
{
    TestIcon hidden;
    icon->SetIconVisible(true);
    ASSERT_NE(TaskbarCreatedMessage(), 0u);
    fake.notifyArea.RestartShell();
    EXPECT_TRUE(fake.notifyArea.HasIcon(icon->IconData().hWnd, icon->IconId()));
    EXPECT_FALSE(fake.notifyArea.HasIcon(hidden.IconData().hWnd, hidden.IconId()));
    EXPECT_EQ(fake.notifyArea.IconCount(), 1u);
}

TEST_F(NotifyAreaIconTest, OldCommonControlsHearNoRestart)
{
    icon.reset();
    fake.desktop.commonControlsVersion = 0x00040046; // 4.70
    icon = std::make_unique<TestIcon>();
    EXPECT_EQ(TaskbarCreatedMessage(), 0u);
    icon->SetIconVisible(true);
    fake.notifyArea.RestartShell();
    EXPECT_EQ(fake.notifyArea.IconCount(), 0u);
    EXPECT_TRUE(icon->IconVisible());
}

TEST_F(NotifyAreaIconTest, LoadingAddsAVisibleIconTwiceAndStartsWhatWasStored)
{
    QWidget form;
    auto* loaded = new TNotifyAreaIcon(&form);
    loaded->BeginLoading();
    loaded->SetCycleInterval(400);
    loaded->SetIconVisible(true);
    loaded->SetWantEnterExitEvents(true);
    bool startupAsked = false;
    loaded->OnStartup = [&](TObject*, bool& show) {
        startupAsked = true;
        EXPECT_TRUE(show);
    };
    loaded->EndLoading();
    EXPECT_TRUE(startupAsked);
    // Once while the stored value was read, once more when loading completed.
    ASSERT_EQ(fake.notifyArea.CountOf(NIM_ADD), 2);
    EXPECT_EQ(fake.notifyArea.CountOf(NIM_SETVERSION), 1);
    EXPECT_TRUE(loaded->IconVisible());
    EXPECT_FALSE(loaded->ExitPollTimer().Enabled()) << "nothing to poll before the cursor comes";
    EXPECT_FALSE(loaded->IconCycleTimer().Enabled());
    EXPECT_TRUE(fake.notifyArea.HasIcon(loaded->IconData().hWnd, loaded->IconId()));
}

TEST_F(NotifyAreaIconTest, MinimiseToTrayHidesTheMainForm)
{
    QWidget* form = nullptr;
    Application()->CreateForm(form);
    form->show();
    auto* owned = new TNotifyAreaIcon(form);
    EXPECT_TRUE(fake.desktop.IsSubclassed(form));

    // Through the application window: no event needed.
    fake.desktop.SendApplicationMessage(WM_SIZE, SIZE_MINIMIZED);
    EXPECT_TRUE(form->isVisible());
    owned->SetMinimizeToTray(true);
    fake.desktop.SendApplicationMessage(WM_SIZE, SIZE_MINIMIZED);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(owned->IconVisible());
    EXPECT_FALSE(fake.desktop.applicationWindowVisible);

    // Restoring from the taskbar shows it again.
    fake.desktop.SendApplicationMessage(WM_SYSCOMMAND, SC_RESTORE);
    EXPECT_TRUE(form->isVisible());

    // Through the owner window: finished only with an OnMinimizeToTray handler.
    bool passedOn = false;
    fake.desktop.SendWindowMessage(form, WM_SYSCOMMAND, SC_MINIMIZE, 0, &passedOn);
    EXPECT_TRUE(passedOn);
    int asked = 0;
    owned->OnMinimizeToTray = [&](TObject*) { ++asked; };
    EXPECT_EQ(fake.desktop.SendWindowMessage(form, WM_SYSCOMMAND, SC_MINIMIZE, 0, &passedOn), 1);
    EXPECT_FALSE(passedOn);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(form->isVisible());
    fake.desktop.SendWindowMessage(form, WM_SHOWWINDOW, 0, SW_PARENTCLOSING, &passedOn);
    EXPECT_FALSE(passedOn);
    EXPECT_EQ(asked, 2);
    fake.desktop.SendWindowMessage(form, WM_SHOWWINDOW, 1, 0, &passedOn);
    EXPECT_TRUE(passedOn);
    EXPECT_TRUE(fake.desktop.activated.contains(form));

    delete form;
    EXPECT_EQ(fake.desktop.ApplicationHookCount(), 1u);
}

TEST_F(NotifyAreaIconTest, StartupEventCanKeepTheMainFormHidden)
{
    QWidget* form = nullptr;
    Application()->CreateForm(form);
    auto* owned = new TNotifyAreaIcon(form);
    owned->OnStartup = [](TObject*, bool& show) { show = false; };
    form->show();
    owned->BeginLoading();
    owned->EndLoading();
    EXPECT_FALSE(Application()->ShowMainForm);
    EXPECT_FALSE(form->isVisible());
    Application()->ShowMainForm = true;
    delete form;
}

TEST_F(NotifyAreaIconTest, DestructionReleasesHooksEvenWhenTheShellFails)
{
    QWidget owner;
    auto* owned = new TNotifyAreaIcon(&owner);
    owned->SetIconVisible(true);
    EXPECT_EQ(fake.desktop.ApplicationHookCount(), 2u);
    QStringList log;
    Application()->OnException = [&](TObject*, const QString& message) { log << message; };
    fake.notifyArea.refuse = [](DWORD message, const NOTIFYICONDATAA&) -> bool {
        if (message == NIM_DELETE)
            throw EInvalidOperation(QStringLiteral("shell gone"));
        return false;
    };
    delete owned;
    Application()->OnException = nullptr;
    EXPECT_EQ(log, QStringList { QStringLiteral("shell gone") });
    EXPECT_FALSE(fake.desktop.IsSubclassed(&owner));
    EXPECT_EQ(fake.desktop.ApplicationHookCount(), 1u);
    EXPECT_EQ(TTrayIconHandler::Instance()->UserCount(), 1u);
    fake.notifyArea.refuse = nullptr;
}

TEST_F(NotifyAreaIconTest, DestructionTakesTheIconOutOfTheArea)
{
    icon->SetIconVisible(true);
    const HWND window = icon->IconData().hWnd;
    const UINT_PTR id = icon->IconId();
    icon.reset();
    EXPECT_FALSE(fake.notifyArea.HasIcon(window, id));
    EXPECT_EQ(fake.desktop.ApplicationHookCount(), 0u);
}

TEST_F(NotifyAreaIconTest, DesignPreviewIsStoredOutsideADesigner)
{
    fake.notifyArea.ClearCalls();
    icon->SetDesignPreview(true);
    EXPECT_TRUE(icon->DesignPreview());
    EXPECT_TRUE(fake.notifyArea.Calls().isEmpty());
    EXPECT_TRUE(fake.desktop.iconsLoaded.isEmpty());
}

TEST_F(NotifyAreaIconTest, DesignPreviewShowsADefaultIconInADesigner)
{
    TComponent form;
    form.SetDesigning(true);
    TNotifyAreaIcon designed(&form);
    EXPECT_EQ(fake.desktop.ApplicationHookCount(), 1u); // only the test's own icon hooks in
    fake.notifyArea.ClearCalls();
    designed.SetIconVisible(true);
    EXPECT_TRUE(fake.notifyArea.Calls().isEmpty());
    designed.SetDesignPreview(true);
    EXPECT_EQ(fake.desktop.iconsLoaded, QList<int> { IDI_WINLOGO });
    EXPECT_EQ(fake.notifyArea.CountOf(NIM_ADD), 1);
    EXPECT_TRUE(designed.IconVisible());
    designed.SetIconVisible(false);
    EXPECT_FALSE(designed.IconVisible());
    designed.SetDesignPreview(false);
    EXPECT_EQ(fake.notifyArea.CountOf(NIM_DELETE), 1);
    EXPECT_FALSE(designed.IconVisible());
}

TEST_F(NotifyAreaIconTest, HandlersMayFreeTheIcon)
{
    icon->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { icon.reset(); };
    const HWND window = icon->IconData().hWnd;
    const UINT_PTR id = icon->IconId();
    TNotifyAreaIcon keeper;
    fake.windows.SendMessageA(window, TrayCallbackMessage, id, WM_LBUTTONDOWN);
    EXPECT_EQ(icon, nullptr);
    fake.windows.SendMessageA(window, TrayCallbackMessage, id, WM_LBUTTONUP);
}

} // namespace
