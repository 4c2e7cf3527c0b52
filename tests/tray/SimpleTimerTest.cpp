#include "SimpleTimer.h"
#include "FakePlatform.h"
#include "Forms.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class SimpleTimerTest : public ::testing::Test
{
protected:
    FakePlatform fake;
    int firings = 0;
    TNotifyEvent count = [this](TObject*) { ++firings; };
};

TEST_F(SimpleTimerTest, NewTimerIsStoppedUntilEnabled)
{
    TSimpleTimer timer;
    EXPECT_EQ(timer.Interval(), 1000u);
    EXPECT_FALSE(timer.Enabled());
    EXPECT_FALSE(timer.AutoDisable());
    EXPECT_EQ(timer.Id(), reinterpret_cast<UINT_PTR>(&timer));
    timer.SetOnTimer(count);
    EXPECT_FALSE(fake.windows.HasTimer(timer.Id()));
    EXPECT_FALSE(fake.windows.FireTimer(timer.Id()));

    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(fake.windows.TimerInterval(timer.Id()), 1000u);
    EXPECT_TRUE(fake.windows.FireTimer(timer.Id()));
    EXPECT_TRUE(fake.windows.FireTimer(timer.Id()));
    EXPECT_EQ(firings, 2);

    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Enabled());
    EXPECT_FALSE(fake.windows.HasTimer(timer.Id()));
}

TEST_F(SimpleTimerTest, ZeroIntervalNeverStarts)
{
    TSimpleTimer timer(0, count);
    timer.SetEnabled(true);
    EXPECT_FALSE(timer.Enabled());
    EXPECT_FALSE(timer.StartTimer());
    // A non-zero interval on a stopped timer does not start it either.
    timer.SetInterval(300);
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(fake.windows.RunningTimers(), 0u);
}

TEST_F(SimpleTimerTest, ZeroIntervalSuspendsAndNewIntervalResumes)
{
    std::unique_ptr<TSimpleTimer> timer(TSimpleTimer::CreateWith(100, count));
    timer->SetEnabled(true);
    timer->SetInterval(0);
    EXPECT_TRUE(timer->Enabled());
    EXPECT_FALSE(fake.windows.FireTimer(timer->Id()));
    timer->SetInterval(250);
    EXPECT_TRUE(timer->Enabled());
    EXPECT_EQ(fake.windows.TimerInterval(timer->Id()), 250u);
    EXPECT_TRUE(fake.windows.FireTimer(timer->Id()));
    EXPECT_EQ(firings, 1);
}

TEST_F(SimpleTimerTest, RestartsOnlyWhenAsked)
{
    TSimpleTimer timer(100, count);
    timer.SetEnabled(true);
    EXPECT_EQ(fake.windows.TimerStarts(timer.Id()), 1);
    timer.SetInterval(100);
    EXPECT_EQ(fake.windows.TimerStarts(timer.Id()), 1);
    timer.SetEnabled(true);
    EXPECT_EQ(fake.windows.TimerStarts(timer.Id()), 2);
    timer.SetInterval(200);
    EXPECT_EQ(fake.windows.TimerStarts(timer.Id()), 3);
    EXPECT_EQ(fake.windows.TimerInterval(timer.Id()), 200u);
}

TEST_F(SimpleTimerTest, EmptyHandlerSuspendsAndHandlerAloneDoesNotResume)
{
    TSimpleTimer timer(100, count);
    timer.SetEnabled(true);
    timer.SetOnTimer(nullptr);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_FALSE(fake.windows.HasTimer(timer.Id()));
    timer.SetOnTimer(count);
    EXPECT_FALSE(fake.windows.HasTimer(timer.Id()));
    timer.SetEnabled(true);
    EXPECT_TRUE(fake.windows.FireTimer(timer.Id()));
    EXPECT_EQ(firings, 1);
}

TEST_F(SimpleTimerTest, AutoDisableFiresOncePerStartAndCanRearmInsideTheHandler)
{
    TSimpleTimer timer;
    timer.SetAutoDisable(true);
    int calls = 0;
    bool enabledSeen = true;
    timer.SetOnTimer([&](TObject* sender) {
        EXPECT_EQ(sender, &timer);
        enabledSeen = timer.Enabled();
        if (++calls == 1)
            timer.SetEnabled(true);
    });
    timer.SetEnabled(true);
    EXPECT_TRUE(fake.windows.FireTimer(timer.Id()));
    EXPECT_FALSE(enabledSeen);
    // Re-armed inside the handler: exactly one more firing.
    EXPECT_TRUE(timer.Enabled());
    EXPECT_TRUE(fake.windows.FireTimer(timer.Id()));
    EXPECT_FALSE(timer.Enabled());
    EXPECT_FALSE(fake.windows.FireTimer(timer.Id()));
    EXPECT_EQ(calls, 2);
}

TEST_F(SimpleTimerTest, RefusedSetTimerLeavesTheTimerStopped)
{
    TSimpleTimer timer(100, count);
    timer.SetEnabled(true);
    fake.windows.refuseSetTimer = true;
    EXPECT_FALSE(timer.StartTimer());
    EXPECT_FALSE(timer.Enabled());
    EXPECT_FALSE(fake.windows.HasTimer(timer.Id()));
    fake.windows.refuseSetTimer = false;
    EXPECT_TRUE(timer.StartTimer());
    EXPECT_TRUE(timer.Enabled());
}

TEST_F(SimpleTimerTest, SharedWindowLivesFromFirstToLastTimer)
{
    EXPECT_EQ(TSimpleTimerHandler::Instance(), nullptr);
    auto first = std::make_unique<TSimpleTimer>();
    auto second = std::make_unique<TSimpleTimer>();
    ASSERT_NE(TSimpleTimerHandler::Instance(), nullptr);
    const HWND window = TSimpleTimerHandler::Instance()->Window();
    EXPECT_EQ(TSimpleTimerHandler::Instance()->UserCount(), 2u);
    EXPECT_EQ(fake.windows.WindowCount(), 1u);
    first.reset();
    EXPECT_TRUE(fake.windows.IsWindow(window));
    second.reset();
    EXPECT_EQ(TSimpleTimerHandler::Instance(), nullptr);
    EXPECT_FALSE(fake.windows.IsWindow(window));

    TSimpleTimer again;
    EXPECT_NE(TSimpleTimerHandler::Instance()->Window(), window);
    EXPECT_EQ(fake.windows.WindowsCreated(), 2);
}

TEST_F(SimpleTimerTest, SharedWindowPassesOtherMessagesOnAndDropsUnknownTimers)
{
    TSimpleTimer timer(100, count);
    const HWND window = TSimpleTimerHandler::Instance()->Window();
    const int before = fake.windows.DefaultProcessed();
    fake.windows.SendMessageA(window, WM_USER + 7, 0, 0);
    EXPECT_EQ(fake.windows.DefaultProcessed(), before + 1);
    // An identifier that is no live timer is never followed.
    fake.windows.SendMessageA(window, WM_TIMER, 0xDEAD0, 0);
    EXPECT_EQ(firings, 0);
}

TEST_F(SimpleTimerTest, HandlerErrorReachesTheApplicationAndRunningTimerGoesOn)
{
    QStringList log;
    Application()->OnException = [&](TObject*, const QString& message) { log << message; };
    TSimpleTimer plain(100, [](TObject*) { throw EConvertError(QStringLiteral("boom")); });
    TSimpleTimer once(100, [](TObject*) { throw EConvertError(QStringLiteral("once")); });
    once.SetAutoDisable(true);
    plain.SetEnabled(true);
    once.SetEnabled(true);
    EXPECT_TRUE(fake.windows.FireTimer(plain.Id()));
    EXPECT_TRUE(fake.windows.FireTimer(once.Id()));
    Application()->OnException = nullptr;
    EXPECT_EQ(log, (QStringList { QStringLiteral("boom"), QStringLiteral("once") }));
    EXPECT_TRUE(plain.Enabled());
    EXPECT_TRUE(fake.windows.HasTimer(plain.Id()));
    EXPECT_FALSE(once.Enabled());
}

TEST_F(SimpleTimerTest, HandlerMayDestroyItsTimer)
{
    auto* timer = new TSimpleTimer(100, nullptr);
    TSimpleTimer keeper;
    timer->SetOnTimer([&](TObject* sender) {
        ++firings;
        delete static_cast<TSimpleTimer*>(sender);
    });
    timer->SetEnabled(true);
    const UINT_PTR id = timer->Id();
    EXPECT_TRUE(fake.windows.FireTimer(id));
    EXPECT_EQ(firings, 1);
    EXPECT_FALSE(fake.windows.HasTimer(id));
}

} // namespace
