#include "EndSignals.h"
#include "Forms.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

namespace {

bool handledBy(int signal, void (*handler)(int))
{
    struct sigaction now
    {
    };
    ::sigaction(signal, nullptr, &now);
    return now.sa_handler == handler;
}

} // namespace

TEST(EndSignals, EachEndSignalReachesTheEventLoopAndThePreviousHandlersComeBack)
{
    QList<int> received;
    {
        EndSignals ends([&](int signal) { received << signal; });
        ASSERT_TRUE(ends.active());
        for (int signal : EndSignals::Signals) {
            ASSERT_EQ(::raise(signal), 0);
            // Nothing happens inside the handler: the call comes from the event loop.
            EXPECT_FALSE(received.contains(signal));
            ASSERT_TRUE(QTest::qWaitFor([&] { return received.contains(signal); }, 10000));
        }
        EXPECT_EQ(received, QList<int>({ SIGTERM, SIGHUP, SIGINT }));
        // A second watcher cannot take the signals from the first.
        EXPECT_FALSE(EndSignals([](int) {}).active());
    }
    for (int signal : EndSignals::Signals)
        EXPECT_TRUE(handledBy(signal, SIG_DFL)) << signal;
}

TEST(EndSignals, ASignalIgnoredAtStartStaysIgnored)
{
    struct sigaction ignore
    {
    };
    ignore.sa_handler = SIG_IGN;
    struct sigaction before
    {
    };
    ASSERT_EQ(::sigaction(SIGHUP, &ignore, &before), 0);
    {
        EndSignals ends([](int) {});
        ASSERT_TRUE(ends.active());
        EXPECT_TRUE(handledBy(SIGHUP, SIG_IGN)) << "as under nohup";
        EXPECT_FALSE(handledBy(SIGTERM, SIG_DFL));
    }
    EXPECT_TRUE(handledBy(SIGHUP, SIG_IGN));
    ::sigaction(SIGHUP, &before, nullptr);
}

TEST(EndSignals, TheMessageLoopEndsWithStatusZero)
{
    EndSignals ends;
    QTimer::singleShot(0, [] { ::raise(SIGTERM); });
    // Should the signal go astray, the test ends anyway, and says so.
    QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(Application()->Run(), 0);
}
