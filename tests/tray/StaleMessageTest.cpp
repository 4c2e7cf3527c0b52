#include "FakeDesktop.h"
#include "FakeNotifyArea.h"
#include "NotifyAreaIcon.h"
#include "Platform.h"
#include "QtMessageWindows.h"
#include "SimpleTimer.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The real message queue: what was queued before an object went is still
// delivered afterwards, and must find nothing to touch.
class StaleMessageTest : public ::testing::Test
{
protected:
    QtMessageWindows windows;
    FakeDesktop desktop;
    FakeNotifyArea notifyArea;
    Platform::Scope scope { &windows, &desktop, &notifyArea };
};

TEST_F(StaleMessageTest, TimerMessageForADestroyedTimerIsDropped)
{
    int keeperFirings = 0;
    int goneFirings = 0;
    TSimpleTimer keeper(100000, [&](TObject*) { ++keeperFirings; });
    auto* gone = new TSimpleTimer(100000, [&](TObject*) { ++goneFirings; });
    const HWND window = TSimpleTimerHandler::Instance()->Window();
    windows.PostMessageA(window, WM_TIMER, gone->Id(), 0);
    delete gone;
    // Overwrite what the freed timer left behind, as new allocations would.
    std::vector<std::unique_ptr<TSimpleTimer>> reuse;
    for (int i = 0; i < 8; ++i)
        reuse.push_back(std::make_unique<TSimpleTimer>(1, nullptr));
    windows.PostMessageA(window, WM_TIMER, keeper.Id(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(goneFirings, 0);
    EXPECT_EQ(keeperFirings, 1);
}

TEST_F(StaleMessageTest, TrayCallbackForADestroyedIconIsDropped)
{
    TNotifyAreaIcon keeper;
    int keeperClicks = 0;
    keeper.OnClick = [&](TObject*) { ++keeperClicks; };
    auto* gone = new TNotifyAreaIcon();
    int goneClicks = 0;
    gone->OnClick = [&](TObject*) { ++goneClicks; };
    gone->SetIconVisible(true);
    const NOTIFYICONDATAA data = gone->IconData();
    ASSERT_TRUE(notifyArea.PostCallback(data.uID, WM_LBUTTONDOWN));
    ASSERT_TRUE(notifyArea.PostCallback(data.uID, WM_LBUTTONUP));
    delete gone;
    FakeNotifyArea::PostCallbackTo(data.hWnd, data.uCallbackMessage, data.uID, NIN_BALLOONSHOW);
    FakeNotifyArea::PostCallbackTo(
        data.hWnd, data.uCallbackMessage, keeper.IconId(), WM_LBUTTONDOWN);
    FakeNotifyArea::PostCallbackTo(data.hWnd, data.uCallbackMessage, keeper.IconId(), WM_LBUTTONUP);
    QCoreApplication::processEvents();
    EXPECT_EQ(goneClicks, 0);
    EXPECT_EQ(keeperClicks, 1);
}

TEST_F(StaleMessageTest, QueuedMessagesGoWithTheLastUser)
{
    auto* only = new TSimpleTimer();
    const HWND window = TSimpleTimerHandler::Instance()->Window();
    windows.PostMessageA(window, WM_TIMER, only->Id(), 0);
    delete only;
    EXPECT_FALSE(windows.IsWindow(window));
    QCoreApplication::processEvents();
}

TEST_F(StaleMessageTest, RealTimerFiresThroughTheEventLoop)
{
    int firings = 0;
    TSimpleTimer timer(5, [&](TObject*) { ++firings; });
    timer.SetAutoDisable(true);
    timer.SetEnabled(true);
    // A smoke test of the real backend: generous limit, no timing asserted.
    EXPECT_TRUE(QTest::qWaitFor([&] { return firings > 0; }, 10000));
    QTest::qWait(30);
    EXPECT_EQ(firings, 1);
}

} // namespace
