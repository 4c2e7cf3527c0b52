#include "NcidLink.h"
#include "FakeDeviceClock.h"
#include "FakeNcidServer.h"
#include "FloodSupport.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

constexpr int Patience = 10000; // ms: generous, for a busy machine

struct Call
{
    int line;
    QString number;
    QString dateTime;
    QString name;
};

// A server in the test: accepts one client at a time and says what the test wants.
class NcidLinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ncid.listen());
        port = ncid.port;
    }

    std::unique_ptr<NcidLink> makeLink()
    {
        auto made = std::make_unique<NcidLink>(
            QStringLiteral("127.0.0.1"), port, nullptr, clock.factory());
        QObject::connect(made.get(), &NcidLink::callArrived, made.get(),
            [this](int line, const QString& number, const QString& dateTime, const QString& name) {
                calls.push_back({ line, number, dateTime, name });
            });
        QObject::connect(made.get(), &NcidLink::logLine, made.get(),
            [this](const QString& text) { log.append(text); });
        return made;
    }

    bool waitFor(const std::function<bool()>& condition)
    {
        return QTest::qWaitFor(condition, Patience);
    }

    // A link that has connected, been greeted and has read the start-up.
    std::unique_ptr<NcidLink> greetedLink(const QByteArray& startup)
    {
        auto made = makeLink();
        made->start();
        if (!waitFor([this] { return ncid.client && ncid.received.contains("no_log\n"); }))
            return nullptr;
        ncid.send(startup);
        NcidLink* raw = made.get();
        if (!waitFor([raw] { return raw->present(); }))
            return nullptr;
        return made;
    }

    void send(const QByteArray& bytes)
    {
        ASSERT_TRUE(ncid.client);
        ncid.send(bytes);
    }

    // The port of a server that is gone: connections to it are refused.
    quint16 refusingPort()
    {
        QTcpServer gone;
        EXPECT_TRUE(gone.listen(QHostAddress::LocalHost, 0));
        return gone.serverPort();
    }

    FakeDeviceClock clock;
    FakeNcidServer ncid;
    quint16 port = 0;
    std::vector<Call> calls;
    QStringList log;
};

const QByteArray PlainGreeting = FakeNcidServer::Greeting;

} // namespace

TEST_F(NcidLinkTest, IntroducesItselfAtOnceAndTakesTheModelFromTheGreeting)
{
    auto link = makeLink();
    EXPECT_FALSE(link->present());
    EXPECT_EQ(link->model(), QString());
    link->start();
    // The server has said nothing yet: the client speaks first.
    ASSERT_TRUE(waitFor([this] { return ncid.received.contains("no_log\n"); }));
    EXPECT_TRUE(ncid.received.startsWith("HELLO: IDENT: client callerid-test "));
    EXPECT_TRUE(ncid.received.endsWith("\nHELLO: CMD: no_log\n"));
    EXPECT_FALSE(link->present());

    send(PlainGreeting);
    ASSERT_TRUE(waitFor([&] { return link->present(); }));
    EXPECT_EQ(link->model(), QStringLiteral("NCID 1.6"));
    EXPECT_EQ(link->address(), QStringLiteral("127.0.0.1:%1").arg(port));
    EXPECT_TRUE(log.isEmpty());
    EXPECT_EQ(ncid.accepted, 1);
}

TEST_F(NcidLinkTest, HistoryIsNeverACallAndLiveCallsOnLabelledLinesGetNumbers)
{
    auto link = greetedLink(
        "200 Server: ncidd (NCID) 1.6\n"
        "210 API 1.5 Feature Set 1 2 3 4 5\n"
        "CIDLOG: *DATE*12082026*TIME*0915*LINE*ESKI*NMBR*03124440001*MESG*NONE*NAME*ESKI ARAMA*\n"
        "HUPLOG: *DATE*12082026*TIME*0916*LINE*ESKI*NMBR*03124440002*MESG*NONE*NAME*-*\n"
        "250 End of call log\n"
        "OPT: hangup-1\n"
        "300 End of connection startup\n");
    ASSERT_TRUE(link);
    send("CIDINFO: *LINE*HOME*RING*1*TIME*14:30:01*\n"
         "CID: *DATE*12092026*TIME*1430*LINE*HOME*NMBR*02125550123*MESG*NONE*NAME*AYSE YILMAZ*\n"
         "CID: *NAME*-*NMBR*P*LINE*POTS*TIME*1431*DATE*12092026*\n"
         "+CID: *DATE*12092026*TIME*1431*LINE*UZAK*NMBR*1*MESG*NONE*NAME*X*\n"
         "HUP: *DATE*12092026*TIME*1432*LINE*HOME*NMBR*08505550000*MESG*NONE*NAME*REKLAM*\n"
         "CID: *DATE*12092026*TIME*1432*LINE*CELL*NMBR*NO-NUMBER*MESG*NONE*NAME*NO NAME*\n"
         "CID: *DATE*12092026*TIME*1433*LINE*HOME*NMBR*02165550124*MESG*NONE*NAME*-*\n");
    ASSERT_TRUE(waitFor([this] { return calls.size() == 4; }));
    QTest::qWait(50); // nothing more may come from those lines
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].line, 1);
    EXPECT_EQ(calls[0].number, QStringLiteral("02125550123"));
    EXPECT_EQ(calls[0].dateTime, QStringLiteral("12092026 1430"));
    EXPECT_EQ(calls[0].name, QStringLiteral("AYSE YILMAZ"));
    EXPECT_EQ(calls[1].line, 2);
    EXPECT_EQ(calls[1].number, QStringLiteral("Gizli numara"));
    EXPECT_EQ(calls[1].name, QString());
    EXPECT_EQ(calls[2].line, 3);
    EXPECT_EQ(calls[2].number, QStringLiteral("Numara yok"));
    EXPECT_EQ(calls[3].line, 1);
    // Each label's number is written once, when it is first seen; history labels are not.
    EXPECT_EQ(log,
        QStringList({ QStringLiteral("NCID hattı \"HOME\": Hat no. 1"),
            QStringLiteral("NCID hattı \"POTS\": Hat no. 2"),
            QStringLiteral("NCID hattı \"CELL\": Hat no. 3") }));
}

TEST_F(NcidLinkTest, AServerClosingMidLineRaisesNoCallAndTheLinkWaitsToRetry)
{
    auto link = greetedLink(PlainGreeting);
    ASSERT_TRUE(link);
    QSignalSpy presence(link.get(), &NcidLink::presenceChanged);
    send("CID: *DATE*12092026*TIME*1430*LINE*1*NMBR*0212555");
    QTest::qWait(20);
    ncid.client->disconnectFromHost();
    ASSERT_TRUE(waitFor([&] { return !link->present(); }));
    EXPECT_EQ(presence.count(), 1);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(clock.running(), QList<int>({ NcidLink::FirstRetryMs }));
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].startsWith(QStringLiteral("NCID sunucusu bağlantıyı kesti (127.0.0.1:")))
        << qPrintable(log[0]);

    // The next connection starts clean: the torn line is not finished by its bytes.
    clock.advance(NcidLink::FirstRetryMs);
    ASSERT_TRUE(waitFor([this] {
        return ncid.accepted == 2 && ncid.client && ncid.received.count("no_log") == 2;
    }));
    send("1*MESG*NONE*NAME*-*\n" + PlainGreeting
        + "CID: *DATE*12092026*TIME*1431*LINE*1*NMBR*02125550199*MESG*NONE*NAME*-*\n");
    ASSERT_TRUE(waitFor([this] { return !calls.empty(); }));
    EXPECT_TRUE(link->present());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].number, QStringLiteral("02125550199"));
}

TEST_F(NcidLinkTest, RetriesWaitLongerEachTimeUpToHalfAMinuteAndStartOverAfterAStableConnection)
{
    const quint16 listening = port;
    ncid.server.close();
    port = listening;
    auto link = makeLink();
    link->start();
    const QList<int> waits = { 1000, 2000, 4000, 8000, 16000, 30000, 30000, 30000 };
    for (int wait : waits) {
        ASSERT_TRUE(waitFor([&] { return clock.running() == QList<int>({ wait }); }))
            << "waiting " << wait << " ms; running " << clock.running().size();
        EXPECT_FALSE(link->present());
        // Not a moment early.
        clock.advance(wait - 1);
        EXPECT_EQ(clock.running(), QList<int>({ wait }));
        clock.advance(1);
    }
    // A refused connection is written to the log once, not at every try.
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(log[0],
        QStringLiteral("NCID sunucusuna bağlanılamadı (127.0.0.1:%1): bağlantı reddedildi")
            .arg(listening));

    // The server comes back.
    ASSERT_TRUE(waitFor([&] { return clock.running() == QList<int>({ 30000 }); }));
    ASSERT_TRUE(ncid.server.listen(QHostAddress::LocalHost, listening));
    clock.advance(30000);
    ASSERT_TRUE(waitFor([this] { return ncid.client && ncid.received.contains("no_log\n"); }));
    send(PlainGreeting);
    ASSERT_TRUE(waitFor([&] { return link->present(); }));
    // A greeting alone proves little; a connection that stays up a minute starts over.
    EXPECT_EQ(link->retryDelay(), 30000);
    clock.advance(NcidLink::StableMs);
    EXPECT_EQ(link->retryDelay(), NcidLink::FirstRetryMs);
    ncid.client->abort();
    ASSERT_TRUE(waitFor([&] { return clock.running() == QList<int>({ 1000 }); }));
    EXPECT_EQ(log.size(), 2);
}

TEST_F(NcidLinkTest, AServerThatGreetsAndClosesIsRetriedOnTheSameBackOffAsOneThatRefuses)
{
    auto link = makeLink();
    link->start();
    const QList<int> waits = { 1000, 2000, 4000, 8000, 16000, 30000, 30000 };
    for (int i = 0; i < waits.size(); ++i) {
        ASSERT_TRUE(waitFor([&] { return ncid.accepted == i + 1 && ncid.introduced(); })) << i;
        send(PlainGreeting);
        ASSERT_TRUE(waitFor([&] { return link->present(); }));
        ncid.client->abort();
        ASSERT_TRUE(waitFor([&] { return !link->present(); }));
        EXPECT_EQ(clock.running(), QList<int>({ waits[i] })) << "after greeting " << i + 1;
        clock.advance(waits[i]);
    }
    // One line for the whole outage: each greeting ends it for a moment only.
    EXPECT_EQ(log.size(), 1) << qPrintable(log.join(QLatin1Char('\n')));

    // A connection that stays up a minute ends the outage.
    ASSERT_TRUE(waitFor([&] { return ncid.accepted == waits.size() + 1 && ncid.introduced(); }));
    send(PlainGreeting);
    ASSERT_TRUE(waitFor([&] { return link->present(); }));
    clock.advance(NcidLink::StableMs);
    ncid.client->abort();
    ASSERT_TRUE(waitFor([&] { return !link->present(); }));
    EXPECT_EQ(clock.running(), QList<int>({ NcidLink::FirstRetryMs }));
    EXPECT_EQ(log.size(), 2);
}

TEST_F(NcidLinkTest, QuietLinksLogNothingWhenTheServerIsAbsent)
{
    port = refusingPort();
    auto link = makeLink();
    link->setQuietWhenUnreachable(true);
    link->start();
    for (int wait : { 1000, 2000, 4000 }) {
        ASSERT_TRUE(waitFor([&] { return clock.running() == QList<int>({ wait }); }));
        clock.advance(wait);
    }
    EXPECT_TRUE(log.isEmpty()) << qPrintable(log.join(QLatin1Char('\n')));
}

TEST_F(NcidLinkTest, AnOverlongLineDropsTheConnectionWithOneLogLine)
{
    auto link = greetedLink(PlainGreeting);
    ASSERT_TRUE(link);
    bool clientGone = false;
    QObject::connect(ncid.client, &QTcpSocket::disconnected, &ncid, [&] { clientGone = true; });
    const QByteArray piece(8192, 'x');
    send("CID: *NMBR*");
    for (int i = 0; i < 12 && !clientGone; ++i) {
        send(piece);
        QTest::qWait(5);
    }
    ASSERT_TRUE(waitFor([&] { return clientGone; }));
    EXPECT_FALSE(link->present());
    EXPECT_TRUE(calls.empty());
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].contains(QStringLiteral("65536 bayttan uzun"))) << qPrintable(log[0]);
    EXPECT_EQ(clock.running(), QList<int>({ NcidLink::FirstRetryMs }));
}

TEST_F(NcidLinkTest, AServerThatAcceptsAndNeverSpeaksIsNoDeviceAndBlocksNothing)
{
    auto link = makeLink();
    QElapsedTimer started;
    started.start();
    link->start();
    ASSERT_TRUE(waitFor([this] { return ncid.received.contains("no_log\n"); }));
    // The event loop keeps running while the link waits for the greeting.
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] { ++ticks; });
    ticker.start(1);
    ASSERT_TRUE(waitFor([&] { return ticks >= 20; }));
    EXPECT_FALSE(link->present());
    EXPECT_EQ(clock.running(), QList<int>({ NcidLink::GreetingTimeoutMs }));

    clock.advance(NcidLink::GreetingTimeoutMs);
    EXPECT_FALSE(link->present());
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].startsWith(QStringLiteral("NCID sunucusu selamlamadı")))
        << qPrintable(log[0]);
    EXPECT_EQ(clock.running(), QList<int>({ NcidLink::FirstRetryMs }));
    // The server sees the connection closed and a second one opened after the wait.
    ASSERT_TRUE(waitFor([this] {
        return !ncid.client || ncid.client->state() != QAbstractSocket::ConnectedState;
    }));
    clock.advance(NcidLink::FirstRetryMs);
    ASSERT_TRUE(waitFor([this] { return ncid.accepted == 2; }));
}

TEST_F(NcidLinkTest, SendsALineEndAfterAQuarterHourOfSilence)
{
    auto link = greetedLink(PlainGreeting);
    ASSERT_TRUE(link);
    const qsizetype before = ncid.received.size();
    clock.advance(NcidLink::KeepAliveMs - 1);
    QTest::qWait(20);
    EXPECT_EQ(ncid.received.size(), before);
    clock.advance(1);
    ASSERT_TRUE(waitFor([&] { return ncid.received.size() == before + 1; }));
    EXPECT_TRUE(ncid.received.endsWith("no_log\n\n"));
    // Anything from the server starts the quarter hour again.
    clock.advance(10 * 60 * 1000);
    EXPECT_EQ(clock.remaining(), QList<qint64>({ 5 * 60 * 1000 }));
    send("CIDINFO: *LINE*1*RING*1*TIME*10:00:00*\n");
    ASSERT_TRUE(
        waitFor([&] { return clock.remaining() == QList<qint64>({ NcidLink::KeepAliveMs }); }));
    clock.advance(NcidLink::KeepAliveMs - 1);
    QTest::qWait(20);
    EXPECT_EQ(ncid.received.size(), before + 1);
    clock.advance(1);
    ASSERT_TRUE(waitFor([&] { return ncid.received.size() == before + 2; }));
    EXPECT_TRUE(link->present());
}

TEST_F(NcidLinkTest, StoppingEndsTheConnectionAndEveryTimer)
{
    auto link = greetedLink(PlainGreeting);
    ASSERT_TRUE(link);
    link->stop();
    EXPECT_FALSE(link->present());
    EXPECT_TRUE(clock.running().isEmpty());
    ASSERT_TRUE(waitFor([this] {
        return !ncid.client || ncid.client->state() != QAbstractSocket::ConnectedState;
    }));
    clock.advance(60000);
    QTest::qWait(50);
    EXPECT_EQ(ncid.accepted, 1);
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(NcidLinkTest, LabelsNeverShareALineNumberAndAFloodOfLabelsCostsAFewLogLines)
{
    auto link = greetedLink(PlainGreeting);
    ASSERT_TRUE(link);
    const auto cid = [](const QByteArray& label, int n) {
        return "CID: *DATE*12092026*TIME*1430*LINE*" + label + "*NMBR*02125550"
            + QByteArray::number(n) + "*MESG*NONE*NAME*-*\n";
    };
    const QList<QByteArray> labels = { "HOME", "1", "10000", "00002", "0", "2" };
    QByteArray bytes;
    for (int round = 0; round < 2; ++round)
        for (const QByteArray& label : labels)
            bytes += cid(label, int(calls.size() + bytes.count('\n')) + 100);
    send(bytes);
    ASSERT_TRUE(waitFor([this] { return calls.size() == 12; }));
    QList<int> numbers;
    for (const Call& c : calls)
        numbers << c.line;
    EXPECT_EQ(numbers, QList<int>({ 1, 2, 3, 4, 5, 6, 1, 2, 3, 4, 5, 6 }));
    // Each label's number is said once, whether the label is a word or a number.
    EXPECT_EQ(log,
        QStringList({ QStringLiteral("NCID hattı \"HOME\": Hat no. 1"),
            QStringLiteral("NCID hattı \"1\": Hat no. 2"),
            QStringLiteral("NCID hattı \"10000\": Hat no. 3"),
            QStringLiteral("NCID hattı \"00002\": Hat no. 4"),
            QStringLiteral("NCID hattı \"0\": Hat no. 5"),
            QStringLiteral("NCID hattı \"2\": Hat no. 6") }));

    // Two thousand long labels: a line each until the table is full, then one line.
    bytes.clear();
    for (int i = 0; i < 2000; ++i)
        bytes += cid(QByteArray::number(i) + QByteArray(1000, 'L'), i);
    send(bytes);
    ASSERT_TRUE(waitFor([this] { return calls.size() == 2012; }));
    const int shared = NcidLineNumbers::MaxLabels + 1;
    EXPECT_EQ(calls.back().line, shared);
    ASSERT_EQ(log.size(), NcidLineNumbers::MaxLabels + 1);
    EXPECT_TRUE(log[6].startsWith(QStringLiteral("NCID hattı \"0LLLL")));
    EXPECT_LE(log[6].size(), 100) << "a label is cut to what the window shows";
    EXPECT_TRUE(log.last().contains(QStringLiteral("Hat no. %1").arg(shared)))
        << qPrintable(log.last());
    EXPECT_TRUE(link->present());
}

TEST_F(NcidLinkTest, AServerFasterThanTheProgramIsReadInBoundedMemory)
{
    // A hundred thousand lines written as fast as the kernel takes them,
    // from a thread, so that whatever the link does not read piles up.
    constexpr int Lines = 100000;
    struct Kind
    {
        const char* format;
        int calls;
    };
    const Kind kinds[] = {
        { "CID: *DATE*12092026*TIME*1430*LINE*1*NMBR*0212%07d*MESG*NONE*NAME*-*\n", Lines },
        { "CIDLOG: *DATE*12082026*TIME*0915*LINE*1*NMBR*0312%07d*MESG*NONE*NAME*ESKI*\n", 0 },
    };
    for (int k = 0; k < 2; ++k) {
        const Kind& kind = kinds[k];
        auto link = makeLink();
        link->start();
        ASSERT_TRUE(waitFor([&] { return ncid.accepted == k + 1 && ncid.introduced(); }));
        send(PlainGreeting);
        ASSERT_TRUE(waitFor([&] { return link->present(); }));
        QObject::disconnect(link.get(), &NcidLink::callArrived, nullptr, nullptr);
        HeapPeak heap;
        int arrived = 0;
        // An event loop of its own: waiting with pauses between turns would
        // slow the link's slices down to a crawl.
        QEventLoop loop;
        QObject::connect(link.get(), &NcidLink::callArrived, &loop, [&] {
            if (++arrived % 4096 == 0)
                heap.sample();
            if (arrived == kind.calls + 1)
                loop.quit();
        });
        QTimer::singleShot(6 * Patience, &loop, &QEventLoop::quit);
        const int fd = ::dup(int(ncid.client->socketDescriptor()));
        ASSERT_GE(fd, 0);
        std::atomic<bool> stop { false };
        std::thread writer([&] {
            const auto writeAll = [&](const char* bytes, int size) {
                for (int at = 0; at < size && !stop;) {
                    const ssize_t n = ::write(fd, bytes + at, size_t(size - at));
                    if (n > 0) {
                        at += int(n);
                        continue;
                    }
                    pollfd out { fd, POLLOUT, 0 };
                    ::poll(&out, 1, 1000);
                }
            };
            char buffer[16384];
            int used = 0;
            for (int i = 0; i < Lines; ++i) {
                used += std::snprintf(buffer + used, 160, kind.format, i);
                if (used > int(sizeof buffer) - 160) {
                    writeAll(buffer, used);
                    used = 0;
                }
            }
            // The last line tells that everything before it has been read.
            used += std::snprintf(buffer + used, 160, "CID: *LINE*1*NMBR*END*\n");
            writeAll(buffer, used);
        });
        loop.exec();
        const bool done = arrived == kind.calls + 1;
        stop = true;
        writer.join();
        ::close(fd);
        ASSERT_TRUE(done) << kind.format << ": " << arrived << " calls";
        heap.sample();
        EXPECT_LT(heap.growthMiB(), 2.0) << kind.format;
        EXPECT_TRUE(link->present());
        EXPECT_TRUE(log.isEmpty()) << qPrintable(log.join(QLatin1Char('\n')));
        link.reset();
        ncid.client->abort();
    }
}
