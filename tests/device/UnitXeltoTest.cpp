#include "UnitXelto.h"
#include "AutoXelto.h"
#include "EventSink.h"
#include "FakeDeviceClock.h"
#include "Forms.h"
#include "UnitEmulator.h"
#include "UnitLink.h"
#include "UnitUdpLink.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace {

constexpr int kWaitMs = 10000;

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

const QStringList kZeros(8, QStringLiteral("0"));

bool isCallTime(const QString& text)
{
    static const QRegularExpression format(
        QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d$"));
    const QDateTime shown = QDateTime::fromString(text, QStringLiteral("dd.MM.yyyy HH:mm"));
    return format.match(text).hasMatch() && qAbs(shown.secsTo(QDateTime::currentDateTime())) < 120;
}

// Plays the same four-line session on any unit: pairs of start and end
// records on lines 1 and 2 (interleaved), an end record alone on line 3, a
// private number on line 4, then an out-of-area number and a bad checksum.
void playFourLines(UnitEmulator& unit)
{
    unit.detail(1, UnitEmulator::Detail::Ring);
    unit.startCall(1, s("02125550101"), s("AYSE YILMAZ"));
    unit.startCall(2, s("02165550102"), {});
    unit.endCall(1);
    unit.endCall(2);
    unit.endOnlyCall(3, s("03125550103"), s("ALI"));
    unit.startCall(4, s("P"), {});
    unit.endCall(4);
    unit.startCall(1, s("O"), {});
    unit.startCall(2, s("05325550105"), {}, false);
}

const QStringList kFourLines = { s("1 0212-555-0101"), s("2 0216-555-0102"), s("3 0312-555-0103"),
    s("4 Gizli numara"), s("1 Numara yok"), s("2 0532-555-0105") };

class UnitFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Application()->OnException = [this](TObject*, const QString& m) { log.append(m); };
    }
    void TearDown() override
    {
        if (control && cookie)
            control->Unadvise(cookie);
        control.reset();
        Application()->OnException = nullptr;
    }

    void take(std::unique_ptr<UnitSource> source, bool start = true)
    {
        control = std::make_unique<UnitXelto>(std::move(source));
        ASSERT_EQ(control->Advise(DIID_IXeltoEvents, &sink, &cookie), hr::S_OK);
        if (start)
            control->Start();
    }

    bool waitPresent(bool present = true)
    {
        return QTest::qWaitFor([&] { return control->devicePresent() == present; }, kWaitMs);
    }

    bool waitCalls(int n)
    {
        const bool reached = QTest::qWaitFor([&] { return sink.calls.size() >= n; }, kWaitMs);
        QTest::qWait(50); // and no more than that
        return reached && sink.calls.size() == n;
    }

    bool waitLog(const QString& line)
    {
        return QTest::qWaitFor([&] { return log.contains(line); }, kWaitMs);
    }

    QString command(const char* keyword)
    {
        QString result;
        OleCheck(control->Command(s(keyword), &result));
        return result;
    }

    std::unique_ptr<UnitXelto> control;
    EventSink sink;
    quint32 cookie = 0;
    QStringList log;
};

// ---- A unit on a serial port (a pseudo-terminal played by the emulator) ----

class UnitSerialTest : public UnitFixture
{
protected:
    void SetUp() override
    {
        UnitFixture::SetUp();
        ASSERT_TRUE(dir.isValid());
        options.path = dir.filePath(QStringLiteral("unit"));
        options.answerTimeoutMs = 200;
        options.handshakeTries = 2;
        options.retryMs = 50;
        options.dropReportMs = 300;
    }

    void open(bool start = true) { take(std::make_unique<UnitLink>(options), start); }
    bool plug() { return unit.plug(options.path); }
    int count(const char* command) const { return int(unit.commands().count(s(command))); }

    QTemporaryDir dir;
    UnitEmulator unit;
    UnitLink::Options options;
};

TEST_F(UnitSerialTest, TheHandshakeAndTheVersionMakeTheDevice)
{
    ASSERT_TRUE(plug());
    open();
    EXPECT_EQ(command("devicemodel"), QString()) << "no device before it answered";
    ASSERT_TRUE(waitPresent());
    EXPECT_EQ(unit.commands(), QStringList({ s("@"), s("V") }));
    EXPECT_EQ(command("devicemodel"), s("CID birimi V4.2"));
    // No udev data for a terminal: the port's own name is the serial number.
    EXPECT_EQ(command("serial"), options.path);
    EXPECT_EQ(sink.signals_, QList<QStringList> { kZeros }) << "the meters show 0";
    EXPECT_TRUE(log.isEmpty()) << qPrintable(log.join(QLatin1Char('\n')));
}

TEST_F(UnitSerialTest, AUnitThatDoesNotTellItsVersionIsStillAUnit)
{
    unit.settings().version.clear();
    ASSERT_TRUE(plug());
    open();
    ASSERT_TRUE(waitPresent());
    EXPECT_EQ(unit.commands(), QStringList({ s("@"), s("V"), s("-V") }));
    EXPECT_EQ(command("devicemodel"), s("CID birimi"));
}

TEST_F(UnitSerialTest, CallsOnFourLinesEachCountedOnce)
{
    ASSERT_TRUE(plug());
    open();
    ASSERT_TRUE(waitPresent());
    playFourLines(unit);
    ASSERT_TRUE(waitCalls(kFourLines.size())) << qPrintable(sink.lines().join(QLatin1Char('\n')));
    EXPECT_EQ(sink.lines(), kFourLines);
    const QStringList first = sink.calls.first();
    EXPECT_EQ(first.at(0), options.path) << "the device's serial number";
    EXPECT_TRUE(isCallTime(first.at(3))) << qPrintable(first.at(3));
    EXPECT_EQ(first.at(4), s("AYSE YILMAZ"));
    ASSERT_TRUE(waitLog(s("Hat 2: arayan numara bozuk geldi, yanlış olabilir (0532-555-0105)")))
        << qPrintable(log.join(QLatin1Char('\n')));
    EXPECT_EQ(log,
        QStringList({ s("Hat 1: çalıyor"),
            s("Hat 2: arayan numara bozuk geldi, yanlış olabilir (0532-555-0105)") }));
}

TEST_F(UnitSerialTest, DetailAndOutboundRecordsBecomeLogLines)
{
    ASSERT_TRUE(plug());
    open();
    ASSERT_TRUE(waitPresent());
    using D = UnitEmulator::Detail;
    for (D event : { D::Ring, D::OffHook, D::Flash, D::OnHook })
        unit.detail(2, event);
    unit.outboundCall(3, s("02125550199"));
    ASSERT_TRUE(waitLog(s("Hat 3: giden arama 0212-555-0199")));
    EXPECT_EQ(log,
        QStringList({ s("Hat 2: çalıyor"), s("Hat 2: açıldı"), s("Hat 2: flaş"),
            s("Hat 2: kapandı"), s("Hat 3: giden arama 0212-555-0199") }));
    EXPECT_TRUE(sink.calls.isEmpty());

    // With the detail toggle off the unit sends none, and nothing is made up.
    unit.toggle(s("D"));
    unit.detail(1, D::Ring);
    unit.startCall(1, s("02125550101"), {});
    ASSERT_TRUE(waitCalls(1));
    EXPECT_EQ(log.size(), 5);
}

TEST_F(UnitSerialTest, LineCommandsAreRefusedAndNothingReachesTheUnit)
{
    ASSERT_TRUE(plug());
    open();
    ASSERT_TRUE(waitPresent());
    for (const char* keyword : { "LineStatus1", "LineStatus0", "dial02125550123" }) {
        QString result;
        EXPECT_EQ(control->Command(s(keyword), &result), hr::E_FAIL) << keyword;
        const QString why = TakeErrorInfo();
        EXPECT_TRUE(why.contains(s("yalnız dinler")) && why.contains(s(keyword)))
            << qPrintable(why);
    }
    QString result;
    EXPECT_EQ(control->Command(s("volume"), &result), hr::E_FAIL);
    EXPECT_TRUE(TakeErrorInfo().startsWith(s("Bilinmeyen komut")));
    QTest::qWait(100);
    EXPECT_EQ(unit.commands(), QStringList({ s("@"), s("V") }));
}

TEST_F(UnitSerialTest, UnplugClosesAtOnceAndReplugBringsTheUnitBack)
{
    ASSERT_TRUE(plug());
    open();
    ASSERT_TRUE(waitPresent());
    int changes = 0;
    QObject::connect(
        control.get(), &XeltoControl::deviceChanged, control.get(), [&] { ++changes; });
    unit.sendRaw("$01 I S 0000 G A1 12/09 02:3");
    QTest::qWait(20);
    unit.unplug();
    ASSERT_TRUE(waitPresent(false));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(command("devicemodel"), QString());
    EXPECT_EQ(command("serial"), QString());
    // A port left open on a vanished terminal reports errors without end; a
    // closed one costs nothing. A second of waiting shows which.
    const double before = cpuSeconds();
    QTest::qWait(1000);
    EXPECT_LT(cpuSeconds() - before, 0.3);
    EXPECT_TRUE(sink.calls.isEmpty()) << "half a record is no call";

    ASSERT_TRUE(plug());
    ASSERT_TRUE(waitPresent());
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(unit.commands().first(), s("@")) << "asked again from the start";
    EXPECT_EQ(sink.signals_.size(), 2) << "the meters are set to 0 again";
    unit.startCall(1, s("02125550101"), {});
    unit.endCall(1);
    ASSERT_TRUE(waitCalls(1));
    EXPECT_TRUE(log.isEmpty()) << qPrintable(log.join(QLatin1Char('\n')));
}

TEST_F(UnitSerialTest, ASilentPortIsNoUnitAndIsAskedAgainOnlySeldom)
{
    unit.setAnswering(false);
    options.retryMs = 300; // five times that between tries of a silent port
    ASSERT_TRUE(plug());
    open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log.isEmpty(); }, kWaitMs));
    EXPECT_EQ(
        log.first(), options.path + s(": birim yanıt vermedi (\"@\" komutuna \"#\" gelmedi)."));
    EXPECT_EQ(count("@"), 2);
    QTest::qWait(600);
    EXPECT_EQ(count("@"), 2) << "not asked again at once";
    EXPECT_FALSE(control->devicePresent());
    // Switched on later: found at the next try, and the silence is not logged twice.
    unit.setAnswering(true);
    ASSERT_TRUE(waitPresent());
    EXPECT_EQ(log.size(), 1);
}

TEST_F(UnitSerialTest, AUnitSwitchedOffBehindItsAdapterIsNoticed)
{
    options.keepAliveMs = 300;
    ASSERT_TRUE(plug());
    open();
    ASSERT_TRUE(waitPresent());
    // While it talks it is not asked; when quiet it is, and it answers.
    QTest::qWait(700);
    ASSERT_GE(count("@"), 2) << "asked again after a quiet while";
    EXPECT_TRUE(control->devicePresent());
    unit.setAnswering(false);
    ASSERT_TRUE(waitPresent(false));
    EXPECT_TRUE(log.contains(options.path + s(": birim yanıt vermiyor.")))
        << qPrintable(log.join(QLatin1Char('\n')));
    unit.setAnswering(true);
    ASSERT_TRUE(waitPresent());
}

TEST_F(UnitSerialTest, UnreadableAndOverLongLinesAreLoggedOnceThenCounted)
{
    ASSERT_TRUE(plug());
    open();
    ASSERT_TRUE(waitPresent());
    unit.sendRaw("junk one\r\n");
    for (int i = 0; i < 3; ++i)
        unit.sendRaw("junk more\r\n");
    unit.sendRaw(QByteArray(400, 'x') + "\r\n");
    unit.sendRaw(QByteArray(400, 'y') + "\r\n");
    ASSERT_TRUE(waitLog(s("Son 1 sn içinde atılanlar: 1 çok uzun veri, 3 anlaşılmayan kayıt")))
        << qPrintable(log.join(QLatin1Char('\n')));
    EXPECT_EQ(log.mid(0, 2),
        QStringList({ s("Birimden anlaşılmayan bir satır geldi, atıldı: \"junk one\""),
            s("Birim 160 bayttan uzun bir satır gönderdi, atıldı.") }));
    EXPECT_EQ(log.size(), 3);
    unit.startCall(1, s("02125550101"), {});
    ASSERT_TRUE(waitCalls(1)) << "the unit is read on";
}

TEST_F(UnitSerialTest, AFloodOfRecordsKeepsTheWindowResponsive)
{
    ASSERT_TRUE(plug());
    open();
    ASSERT_TRUE(waitPresent());
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    QTimer window;
    QObject::connect(&window, &QTimer::timeout, &window, [&] {
        longest = std::max(longest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    constexpr int kCalls = 5000;
    // Made up at once, written as the terminal takes them.
    unit.flood(kCalls);
    clock.start();
    window.start(2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sink.calls.size() >= kCalls; }, 60000))
        << sink.calls.size();
    EXPECT_EQ(sink.calls.size(), kCalls);
    EXPECT_EQ(sink.calls.last().at(2), s("0212-000-4999"));
    EXPECT_LT(longest, 250) << "the window waited " << longest << " ms for its turn";
}

TEST(UnitProbe, EndsInARefusalOrInAUnitThatCanBeHandedOver)
{
    QTemporaryDir dir;
    UnitEmulator silent, modem, unit;
    silent.setAnswering(false);
    ASSERT_TRUE(silent.plug(dir.filePath(QStringLiteral("ttyUSB0"))));
    ASSERT_TRUE(unit.plug(dir.filePath(QStringLiteral("ttyUSB1"))));
    QStringList log;

    auto probe = [&](const QString& path) {
        UnitLink::Options options;
        options.path = path;
        options.reopen = false;
        options.answerTimeoutMs = 200;
        auto link = std::make_unique<UnitLink>(options);
        QObject::connect(
            link.get(), &UnitSource::logLine, link.get(), [&](const QString& t) { log << t; });
        return link;
    };
    for (const QString& name : { s("ttyUSB0"), s("ttyUSB9") }) {
        auto link = probe(dir.filePath(name));
        bool refused = false;
        QObject::connect(link.get(), &UnitLink::refused, link.get(), [&] { refused = true; });
        link->start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return refused; }, kWaitMs)) << qPrintable(name);
        EXPECT_FALSE(link->present());
    }
    EXPECT_EQ(silent.commands().count(s("@")), 3);
    EXPECT_TRUE(log.isEmpty()) << "a probe is quiet: " << qPrintable(log.join(QLatin1Char('\n')));

    // A unit answers: the link goes to a control as it is, in presenceChanged,
    // and calls that come before the control is started wait for it.
    auto link = probe(dir.filePath(QStringLiteral("ttyUSB1")));
    std::unique_ptr<UnitXelto> control;
    UnitLink* raw = link.get();
    QObject::connect(raw, &UnitSource::presenceChanged, raw, [&](bool present) {
        if (present && link)
            control = std::make_unique<UnitXelto>(std::move(link));
    });
    raw->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(control); }, kWaitMs));
    EventSink sink;
    quint32 cookie = 0;
    control->Advise(DIID_IXeltoEvents, &sink, &cookie);
    unit.startCall(3, s("02125550103"), {});
    QTest::qWait(200);
    EXPECT_TRUE(sink.calls.isEmpty());
    control->Start();
    EXPECT_EQ(sink.lines(), QStringList { s("3 0212-555-0103") });
    EXPECT_EQ(sink.signals_, QList<QStringList> { kZeros });
    control->Unadvise(cookie);
}

// ---- Ethernet units (UDP on 127.0.0.1, sent by the emulator) ----

quint16 freeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::DontShareAddress);
    return probe.localPort();
}

class UnitUdpTest : public UnitFixture
{
protected:
    void SetUp() override
    {
        UnitFixture::SetUp();
        options.port = 0;
        options.dropReportMs = 300;
        options.retryMs = 100;
    }

    void open(bool start = true)
    {
        auto link = std::make_unique<UnitUdpLink>(options);
        udp = link.get();
        take(std::move(link), start);
        if (start)
            aim(unit);
    }

    void aim(UnitEmulator& emulator)
    {
        ASSERT_TRUE(udp->listening());
        ASSERT_TRUE(emulator.aim(QHostAddress::LocalHost, udp->port()));
    }

    UnitEmulator unit;
    UnitUdpLink::Options options;
    UnitUdpLink* udp = nullptr;
};

TEST_F(UnitUdpTest, TheFirstDatagramMakesTheDeviceAndItStaysThroughSilence)
{
    open();
    QTest::qWait(100);
    EXPECT_FALSE(control->devicePresent()) << "until a unit is heard the window waits";
    EXPECT_EQ(command("devicemodel"), QString());
    EXPECT_TRUE(sink.signals_.isEmpty());

    unit.detail(1, UnitEmulator::Detail::Ring);
    ASSERT_TRUE(waitPresent());
    EXPECT_EQ(command("devicemodel"), s("CID birimi (Ethernet)"));
    EXPECT_EQ(command("serial"), s("123456"));
    EXPECT_EQ(sink.signals_, QList<QStringList> { kZeros });
    ASSERT_TRUE(waitLog(s("Hat 1: çalıyor")));
    EXPECT_EQ(log.first(), s("Ağdaki birim duyuldu: seri no. 123456, birim no. 1 (127.0.0.1)."));

    // A unit says nothing between calls: it does not go away for that.
    QTest::qWait(1500);
    EXPECT_TRUE(control->devicePresent());
    EXPECT_EQ(command("serial"), s("123456"));
    unit.startCall(2, s("02125550102"), {});
    ASSERT_TRUE(waitCalls(1));
    EXPECT_EQ(sink.calls.first().at(0), s("123456"));
}

TEST_F(UnitUdpTest, CallsOnFourLinesEachCountedOnce)
{
    open();
    playFourLines(unit);
    ASSERT_TRUE(waitCalls(kFourLines.size())) << qPrintable(sink.lines().join(QLatin1Char('\n')));
    EXPECT_EQ(sink.lines(), kFourLines);
    for (const QStringList& call : std::as_const(sink.calls)) {
        EXPECT_EQ(call.at(0), s("123456"));
        EXPECT_TRUE(isCallTime(call.at(3))) << qPrintable(call.at(3));
    }
    EXPECT_TRUE(log.contains(s("Hat 1: çalıyor")));
    EXPECT_TRUE(
        log.contains(s("Hat 2: arayan numara bozuk geldi, yanlış olabilir (0532-555-0105)")));
}

TEST_F(UnitUdpTest, ASecondUnitIsLoggedOnceAndListedWithItsOwnSerialNumber)
{
    open();
    UnitEmulator second;
    second.settings().serialNumber = 654321;
    second.settings().unitNumber = 2;
    aim(second);
    unit.startCall(1, s("02125550101"), {});
    ASSERT_TRUE(waitCalls(1));
    second.startCall(1, s("02165550102"), {});
    second.detail(1, UnitEmulator::Detail::Ring);
    second.startCall(2, s("02165550103"), {});
    ASSERT_TRUE(waitCalls(3));
    EXPECT_EQ(sink.calls.at(1).at(0), s("654321"));
    EXPECT_EQ(sink.calls.at(2).at(0), s("654321"));
    EXPECT_EQ(command("serial"), s("123456")) << "the device is the first unit heard";
    EXPECT_EQ(log.filter(s("Başka bir birim")),
        QStringList { s("Başka bir birim de duyuldu: seri no. 654321, birim no. 2 (127.0.0.1); "
                        "çağrıları kendi seri numarasıyla listelenir.") });
    EXPECT_TRUE(log.contains(s("Birim 654321, hat 1: çalıyor")));
}

TEST_F(UnitUdpTest, OnlyTheNamedAddressIsHeard)
{
    options.from = QHostAddress(QStringLiteral("127.0.0.1"));
    open();
    QUdpSocket stranger;
    if (!stranger.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0))
        GTEST_SKIP() << "127.0.0.2 cannot be bound here";
    const QByteArray ring = unit.datagram(
        unit.detailRecord(1, UnitEmulator::Detail::Ring, QDateTime::currentDateTime()));
    const QByteArray call = unit.datagram(unit.callRecord(
        1, true, true, 0, true, 0, s("02125550101"), {}, QDateTime::currentDateTime()));
    for (int i = 0; i < 3; ++i)
        stranger.writeDatagram(i == 1 ? call : ring, QHostAddress::LocalHost, udp->port());
    ASSERT_TRUE(waitLog(s("Son 1 sn içinde atılanlar: 2 dinlenmeyen adresten paket")))
        << qPrintable(log.join(QLatin1Char('\n')));
    EXPECT_EQ(log.first(),
        s("127.0.0.2 adresinden gelen paketler yok sayılıyor: yalnız 127.0.0.1 dinleniyor."));
    EXPECT_FALSE(control->devicePresent()) << "a unit not listened to is no device";
    EXPECT_TRUE(sink.calls.isEmpty());

    unit.startCall(1, s("02125550101"), {});
    ASSERT_TRUE(waitCalls(1));
    EXPECT_TRUE(control->devicePresent());
}

TEST_F(UnitUdpTest, MalformedAndOversizedDatagramsAreLoggedOnceThenCounted)
{
    open();
    for (int i = 0; i < 5; ++i)
        unit.sendRaw("hello");
    QByteArray big = unit.datagram("$01 R          12/09 14:30:02");
    big += QByteArray(600 - big.size(), ' ');
    for (int i = 0; i < 3; ++i)
        unit.sendRaw(big);
    for (int i = 0; i < 2; ++i)
        unit.send("boot 1.0 ok");
    ASSERT_TRUE(waitLog(s("Son 1 sn içinde atılanlar: 2 çok uzun veri, 4 tanınmayan paket, 1 "
                          "anlaşılmayan kayıt")))
        << qPrintable(log.join(QLatin1Char('\n')));
    EXPECT_TRUE(
        log.contains(s("127.0.0.1 adresinden birim paketi olmayan bir paket geldi, atıldı.")));
    EXPECT_TRUE(log.contains(s("127.0.0.1 adresinden 512 bayttan uzun bir paket geldi, atıldı.")));
    EXPECT_TRUE(
        log.contains(s("Birim 123456 anlaşılmayan bir kayıt gönderdi, atıldı: \"$boot 1.0 ok\"")));
    EXPECT_EQ(log.size(), 5) << qPrintable(log.join(QLatin1Char('\n')));
    EXPECT_TRUE(sink.calls.isEmpty());
}

TEST_F(UnitUdpTest, AFloodNeverHoldsTheWindowUp)
{
    open();
    // Each call costs the window some work: the flood comes faster than it is listed.
    sink.busyNs = 100000;
    const quint16 port = udp->port();
    const QByteArray record = unit.datagram(unit.callRecord(
        1, true, true, 0, true, 0, s("02125550101"), {}, QDateTime::currentDateTime()));
    std::atomic<bool> stop { false };
    std::atomic<qint64> sent { 0 };
    // Another thread sends as fast as it can, as a unit gone mad or a hostile host would.
    std::thread sender([&] {
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in to {};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        while (!stop) {
            if (::sendto(fd, record.constData(), size_t(record.size()), 0,
                    reinterpret_cast<const sockaddr*>(&to), sizeof to)
                > 0)
                ++sent;
        }
        ::close(fd);
    });
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    QTimer window;
    QObject::connect(&window, &QTimer::timeout, &window, [&] {
        longest = std::max(longest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    clock.start();
    window.start(2);
    QTest::qWait(1000);
    // The gap up to now counts too: a window held up to the end never ticks again.
    longest = std::max(longest, clock.elapsed() - last);
    stop = true;
    sender.join();
    window.stop();
    EXPECT_GT(sink.calls.size(), 1000) << "the calls are read while the flood goes on";
    EXPECT_GT(sent.load(), 2 * sink.calls.size()) << "the flood outran the window";
    EXPECT_LE(sink.calls.size(), sent.load());
    EXPECT_LT(longest, 250) << "the window waited " << longest << " ms for its turn";
}

TEST_F(UnitUdpTest, APortAnotherProgramHoldsIsOneLineAndTriedAgainQuietly)
{
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::DontShareAddress));
    options.port = holder.localPort();
    FakeDeviceClock clock;
    options.timers = clock.factory();
    open(false);
    control->Start();
    EXPECT_FALSE(udp->listening());
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log.first().startsWith(s("UDP %1 dinlenemiyor").arg(options.port)))
        << qPrintable(log.first());
    clock.advance(options.retryMs);
    EXPECT_FALSE(udp->listening());
    holder.close();
    clock.advance(options.retryMs);
    EXPECT_TRUE(udp->listening());
    EXPECT_EQ(log.size(), 1);
    // The link's timers run on the clock: they go before it does.
    control->Unadvise(cookie);
    control.reset();
}

TEST(UnitUdpLink, TwoProgramsHearTheSamePort)
{
    UnitUdpLink::Options options;
    options.port = freeUdpPort();
    UnitUdpLink first(options), second(options);
    first.start();
    second.start();
    EXPECT_TRUE(first.listening());
    EXPECT_TRUE(second.listening());
    QUdpSocket other;
    EXPECT_TRUE(other.bind(QHostAddress::AnyIPv4, options.port,
        QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
}

TEST(UnitCandidate, HandsOverTheFirstUnitHeardWithItsFirstCall)
{
    UnitUdpLink::Options options;
    options.port = freeUdpPort();
    UnitCandidate candidate(options);
    std::unique_ptr<XeltoControl> found;
    candidate.startSearch([&](std::unique_ptr<XeltoControl> device) { found = std::move(device); });
    UnitEmulator unit;
    ASSERT_TRUE(unit.aim(QHostAddress::LocalHost, options.port));
    unit.startCall(2, s("02125550102"), s("AYSE"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(found); }, kWaitMs));
    EXPECT_TRUE(found->devicePresent());
    EventSink sink;
    quint32 cookie = 0;
    found->Advise(DIID_IXeltoEvents, &sink, &cookie);
    QTest::qWait(50);
    EXPECT_TRUE(sink.calls.isEmpty()) << "not before the control is started";
    found->Start();
    EXPECT_EQ(sink.lines(), QStringList { s("2 0212-555-0102") });
    unit.startCall(3, s("02125550103"), {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return sink.calls.size() == 2; }, kWaitMs));
    found->Unadvise(cookie);
}

TEST(UnitCandidate, APortHeldByAnotherProgramIsLoggedOnceHoweverOftenItSearches)
{
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::DontShareAddress));
    UnitUdpLink::Options options;
    options.port = holder.localPort();
    UnitCandidate candidate(options);
    QStringList log;
    QObject::connect(&candidate, &DeviceCandidate::logLine, &candidate,
        [&](const QString& line) { log << line; });
    for (int i = 0; i < 3; ++i) {
        candidate.startSearch([](std::unique_ptr<XeltoControl>) {});
        candidate.stopSearch();
    }
    EXPECT_EQ(log.size(), 1);
}

TEST(UnitCandidate, AutoTakesAnEthernetUnitAndItsCalls)
{
    UnitUdpLink::Options options;
    options.port = freeUdpPort();
    std::vector<std::unique_ptr<DeviceCandidate>> candidates;
    candidates.push_back(std::make_unique<UnitCandidate>(options));
    AutoXelto control(std::move(candidates));
    EventSink sink;
    quint32 cookie = 0;
    control.Advise(DIID_IXeltoEvents, &sink, &cookie);
    control.Start();
    QTest::qWait(100);
    EXPECT_FALSE(control.devicePresent());
    UnitEmulator unit;
    ASSERT_TRUE(unit.aim(QHostAddress::LocalHost, options.port));
    unit.startCall(4, s("02125550104"), {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return sink.calls.size() == 1; }, kWaitMs));
    EXPECT_EQ(
        sink.calls.first().mid(0, 3), QStringList({ s("123456"), s("4"), s("0212-555-0104") }));
    QString model;
    control.Command(s("devicemodel"), &model);
    EXPECT_EQ(model, s("CID birimi (Ethernet)"));
    EXPECT_EQ(sink.signals_, QList<QStringList> { kZeros });
    control.Unadvise(cookie);
}

} // namespace
