#include "NcidLink.h"
#include "FakeDeviceClock.h"
#include "FakeNcidServer.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

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

TEST_F(NcidLinkTest, RetriesWaitLongerEachTimeUpToHalfAMinuteAndStartOverAfterAGreeting)
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
    EXPECT_EQ(link->retryDelay(), NcidLink::FirstRetryMs);
    ncid.client->abort();
    ASSERT_TRUE(waitFor([&] { return clock.running() == QList<int>({ 1000 }); }));
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
