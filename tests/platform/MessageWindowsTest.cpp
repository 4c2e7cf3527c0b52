#include "FakePlatform.h"
#include "QtMessageWindows.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct Received
{
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

TEST(MessageWindows, RegisteredMessagesAreStablePerName)
{
    FakeMessageWindows windows;
    const UINT taskbar = windows.RegisterWindowMessageA("TaskbarCreated");
    EXPECT_GE(taskbar, 0xC000u);
    EXPECT_LE(taskbar, 0xFFFFu);
    EXPECT_EQ(windows.RegisterWindowMessageA("taskbarcreated"), taskbar);
    EXPECT_NE(windows.RegisterWindowMessageA("Other"), taskbar);
    EXPECT_EQ(windows.RegisterWindowMessageA(""), 0u);
}

TEST(MessageWindows, QtBackendQueuesPostsAndRunsTimers)
{
    QtMessageWindows windows;
    QList<Received> got;
    const HWND window = windows.AllocateHWnd([&](HWND, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        got.append({ m, w, l });
        return 42;
    });
    EXPECT_TRUE(windows.IsWindow(window));
    EXPECT_EQ(windows.SendMessageA(window, WM_USER, 1, 2), 42);
    ASSERT_EQ(got.size(), 1);

    EXPECT_TRUE(windows.PostMessageA(window, WM_USER + 1, 3, 4));
    EXPECT_TRUE(windows.PostMessageA(window, WM_USER + 2, 5, 6));
    EXPECT_EQ(got.size(), 1);
    QCoreApplication::processEvents();
    ASSERT_EQ(got.size(), 3);
    EXPECT_EQ(got.at(1).message, WM_USER + 1);
    EXPECT_EQ(got.at(2).lParam, 6);

    EXPECT_EQ(windows.SetTimer(window, 0x1234, 0), 0u);
    EXPECT_NE(windows.SetTimer(window, 0x1234, 5), 0u);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return got.last().message == WM_TIMER && got.last().wParam == 0x1234; }, 10000));
    EXPECT_TRUE(windows.KillTimer(window, 0x1234));
    EXPECT_FALSE(windows.KillTimer(window, 0x1234));

    // Whatever is still queued for a destroyed window goes with it.
    windows.PostMessageA(window, WM_USER + 3, 0, 0);
    windows.DeallocateHWnd(window);
    const int before = int(got.size());
    QCoreApplication::processEvents();
    EXPECT_EQ(got.size(), before);
    EXPECT_FALSE(windows.PostMessageA(window, WM_USER, 0, 0));
    EXPECT_EQ(windows.SetTimer(window, 1, 10), 0u);
}

TEST(MessageWindows, DoubleFiresOnlyRunningTimersAndCanRefuse)
{
    FakeMessageWindows windows;
    int timers = 0;
    const HWND window = windows.AllocateHWnd([&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        timers += m == WM_TIMER;
        return 0;
    });
    EXPECT_FALSE(windows.FireTimer(window, 7));
    windows.refuseSetTimer = true;
    EXPECT_EQ(windows.SetTimer(window, 7, 10), 0u);
    windows.refuseSetTimer = false;
    EXPECT_NE(windows.SetTimer(window, 7, 10), 0u);
    EXPECT_TRUE(windows.FireTimer(window, 7));
    EXPECT_EQ(timers, 1);
    windows.DeallocateHWnd(window);
    EXPECT_FALSE(windows.FireTimer(window, 7));
}

TEST(NotifyAreaDouble, KeepsIconsRecordsCopiesAndAnnouncesRestarts)
{
    FakePlatform fake;
    NOTIFYICONDATAA data;
    data.hWnd = 1;
    data.uID = 2;
    data.szTip[0] = 'a';
    EXPECT_FALSE(fake.notifyArea.Shell_NotifyIconA(NIM_MODIFY, &data));
    EXPECT_TRUE(fake.notifyArea.Shell_NotifyIconA(NIM_ADD, &data));
    EXPECT_FALSE(fake.notifyArea.Shell_NotifyIconA(NIM_ADD, &data));
    data.szTip[0] = 'b';
    EXPECT_TRUE(fake.notifyArea.Shell_NotifyIconA(NIM_MODIFY, &data));
    EXPECT_EQ(fake.notifyArea.Calls().at(0).data.szTip[0], 'a');
    EXPECT_EQ(fake.notifyArea.Calls().at(3).data.szTip[0], 'b');
    fake.notifyArea.refuse
        = [](DWORD message, const NOTIFYICONDATAA&) { return message == NIM_DELETE; };
    EXPECT_FALSE(fake.notifyArea.Shell_NotifyIconA(NIM_DELETE, &data));
    EXPECT_TRUE(fake.notifyArea.HasIcon(1, 2));

    QList<UINT> heard;
    const int hook = fake.desktop.HookApplication([&](UINT m, WPARAM, LPARAM) { heard << m; });
    fake.notifyArea.RestartShell();
    EXPECT_EQ(heard, QList<UINT> { fake.windows.RegisterWindowMessageA("TaskbarCreated") });
    EXPECT_FALSE(fake.notifyArea.HasIcon(1, 2));
    fake.desktop.UnhookApplication(hook);
}

TEST(NotifyAreaDouble, QuietStandInWithoutADisplayRefusesEverything)
{
    // The tests run on the offscreen platform: no X11 tray, no balloons.
    NOTIFYICONDATAA data;
    data.hWnd = 1;
    data.uID = 3;
    for (DWORD message : { NIM_ADD, NIM_MODIFY, NIM_SETVERSION, NIM_DELETE })
        EXPECT_EQ(Platform::NotifyArea().Shell_NotifyIconA(message, &data), 0);
    // It lives as long as the program and keeps nothing of what it refused.
    auto* quiet = dynamic_cast<FakeNotifyArea*>(&Platform::NotifyArea());
    ASSERT_NE(quiet, nullptr);
    EXPECT_TRUE(quiet->Calls().isEmpty());
}

} // namespace
