#include "ModemXelto.h"
#include "AutoXelto.h"
#include "EventSink.h"
#include "FloodSupport.h"
#include "Forms.h"
#include "ModemEmulator.h"
#include "ModemFinder.h"
#include "ModemLink.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 10000;

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

class ModemFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        Application()->OnException = [this](TObject*, const QString& m) { log.append(m); };
        options.commandTimeoutMs = 1000;
        options.retryMs = 50;
        options.voltagePollMs = 50;
        options.blockQuietMs = 50;
    }
    void TearDown() override
    {
        if (control && cookie)
            control->Unadvise(cookie);
        control.reset();
        Application()->OnException = nullptr;
    }

    QString link() const { return dir.filePath(QStringLiteral("modem")); }

    bool plug() { return modem.plug(link()); }

    // A control on the modem's link path, its events collected.
    void open()
    {
        options.path = link();
        control = std::make_unique<ModemXelto>(new ModemLink(options));
        ASSERT_EQ(control->Advise(DIID_IXeltoEvents, &sink, &cookie), hr::S_OK);
    }

    bool waitReady()
    {
        return QTest::qWaitFor([this] { return control->devicePresent(); }, kWaitMs);
    }

    QString command(const QString& keyword)
    {
        QString result;
        OleCheck(control->Command(keyword, &result));
        return result;
    }

    int count(const char* command) const { return int(modem.commands().count(s(command))); }

    QTemporaryDir dir;
    ModemEmulator modem;
    ModemLink::Options options;
    std::unique_ptr<ModemXelto> control;
    EventSink sink;
    quint32 cookie = 0;
    QStringList log;
};

} // namespace

TEST_F(ModemFixture, InitialisesWithTheFirstCallerIdCommandTheModemAccepts)
{
    modem.behaviour().refused = QStringList { s("AT+VCID=1") };
    options.extraInit = s("AT+GCI=AE");
    ASSERT_TRUE(plug());
    open();
    EXPECT_EQ(command(s("devicemodel")), QString()) << "no device before it answered";
    ASSERT_TRUE(waitReady()) << qPrintable(modem.commands().join(QLatin1Char(' ')));
    EXPECT_EQ(modem.commands().mid(0, 6),
        QStringList(
            { s("ATZ"), s("AT+GCI=AE"), s("ATE0"), s("ATV1"), s("AT+VCID=1"), s("AT#CID=1") }));
    EXPECT_EQ(count("AT+FCLASS=8;+VCID=1"), 0);
    EXPECT_TRUE(modem.callerIdOn());
    EXPECT_EQ(command(s("devicemodel")), s("CX93010"));
    EXPECT_EQ(command(s("serial")), s("EMU-0001"));
    EXPECT_TRUE(log.isEmpty()) << qPrintable(log.join(QLatin1Char('\n')));
}

TEST_F(ModemFixture, AModemThatRefusesCallerIdIsNoDevice)
{
    modem.behaviour().refused
        = QStringList { s("AT+VCID=1"), s("AT#CID=1"), s("AT+FCLASS=8;+VCID=1") };
    ASSERT_TRUE(plug());
    open();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !log.isEmpty(); }, kWaitMs));
    EXPECT_TRUE(log.first().contains(s("arayan numara"))) << qPrintable(log.first());
    QTest::qWait(300);
    EXPECT_FALSE(control->devicePresent());
    EXPECT_EQ(count("ATZ"), 1) << "not asked again while it stays plugged";
    EXPECT_EQ(log.size(), 1);
}

TEST_F(ModemFixture, ASilentPortTimesOutWithoutBlockingTheWindow)
{
    modem.behaviour().ignored = QStringList { s("*") };
    options.commandTimeoutMs = 300;
    ASSERT_TRUE(plug());
    open();
    int ticks = 0;
    QTimer window;
    QObject::connect(&window, &QTimer::timeout, &window, [&] { ++ticks; });
    window.start(10);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !log.isEmpty(); }, kWaitMs));
    EXPECT_TRUE(log.first().contains(s("yanıt vermedi"))) << qPrintable(log.first());
    EXPECT_FALSE(control->devicePresent());
    EXPECT_EQ(command(s("devicemodel")), QString());
    EXPECT_GT(ticks, 5) << "the event loop kept running while the modem was silent";
}

TEST_F(ModemFixture, IdentityFallsBackToOtherAnswersAndThePortName)
{
    modem.behaviour().model.clear(); // AT+GMM: a bare OK
    modem.behaviour().serial.clear();
    ASSERT_TRUE(plug());
    open();
    ASSERT_TRUE(waitReady());
    EXPECT_EQ(command(s("devicemodel")), s("CX93001-EIS_V0.2013-V92")) << "from ATI3";
    // No udev data and no serial answer: the port's own name.
    EXPECT_EQ(command(s("serial")), link());
}

TEST_F(ModemFixture, LineVoltageIsPolledWhereTheModemReportsIt)
{
    modem.behaviour().voltage = s("30.50");
    ASSERT_TRUE(plug());
    open();
    ASSERT_TRUE(QTest::qWaitFor([this] { return sink.signals_.size() >= 3; }, kWaitMs));
    EXPECT_EQ(sink.signals_.first(),
        QStringList({ s("31"), s("0"), s("0"), s("0"), s("0"), s("0"), s("0"), s("0") }));
    modem.behaviour().voltage = s("1.4");
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return sink.signals_.last().first() == s("1"); }, kWaitMs));

    for (const char* answer : { "ERROR", "" }) {
        modem.behaviour().voltage = s(answer);
        ASSERT_TRUE(plug());
        EventSink quiet;
        ModemLink::Options o = options;
        o.path = link();
        ModemXelto other(new ModemLink(o));
        quint32 c = 0;
        other.Advise(DIID_IXeltoEvents, &quiet, &c);
        ASSERT_TRUE(QTest::qWaitFor([&] { return other.devicePresent(); }, kWaitMs)) << answer;
        QTest::qWait(300); // six poll periods
        EXPECT_EQ(count("AT-TRV"), 1) << "asked once and never again: '" << answer << "'";
        EXPECT_TRUE(quiet.signals_.isEmpty());
        other.Unadvise(c);
    }
}

TEST_F(ModemFixture, LineCommandsBecomeATCommands)
{
    modem.behaviour().voltage = s("ERROR");
    ASSERT_TRUE(plug());
    open();
    ASSERT_TRUE(waitReady());
    command(s("LineStatus1"));
    command(s("LineStatus0"));
    command(s("dial0212*5#,9"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return count("ATDT0212*5#,9;") == 1; }, kWaitMs));
    const QStringList sent = modem.commands();
    EXPECT_EQ(
        sent.mid(sent.size() - 3), QStringList({ s("ATH1"), s("ATH0"), s("ATDT0212*5#,9;") }));

    // The window's untouched entry, letters and an empty number are refused.
    for (const char* bad : { "dial05..", "dial0212 555", "dial", "dialABC", "volume" }) {
        QString result;
        EXPECT_TRUE(Failed(control->Command(s(bad), &result))) << bad;
        EXPECT_FALSE(TakeErrorInfo().isEmpty());
    }
    QTest::qWait(100);
    EXPECT_EQ(modem.commands().size(), sent.size()) << "nothing refused reached the modem";

    // A command the modem refuses, and one it never answers: one line each, nothing hangs.
    modem.behaviour().refused = QStringList { s("ATH1") };
    command(s("LineStatus1"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return log.size() == 1; }, kWaitMs));
    EXPECT_TRUE(log.last().contains(s("ATH1")));
    modem.behaviour().ignored = QStringList { s("ATH0") };
    command(s("LineStatus0"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return log.size() == 2; }, kWaitMs));
    EXPECT_TRUE(log.last().contains(s("yanıt vermedi: ATH0"))) << qPrintable(log.last());
    // The modem is asked again from the start, and answers.
    modem.behaviour().ignored.clear();
    ASSERT_TRUE(waitReady());
}

TEST_F(ModemFixture, CallerIdBecomesCalls)
{
    modem.behaviour().voltage = s("ERROR");
    ASSERT_TRUE(plug());
    open();
    ASSERT_TRUE(waitReady());
    const QDateTime when(QDate(2026, 12, 9), QTime(14, 30));
    modem.ring();
    modem.send(ModemEmulator::formattedBlock(s("02125550123"), s("AYSE YILMAZ"), when), 3);
    ASSERT_TRUE(QTest::qWaitFor([this] { return sink.calls.size() == 1; }, kWaitMs));
    EXPECT_EQ(sink.calls.at(0),
        QStringList(
            { s("EMU-0001"), s("1"), s("02125550123"), s("09.12.2026 14:30"), s("AYSE YILMAZ") }));
    modem.ring();
    modem.send(ModemEmulator::rawPacket(s("P"), s("P"), when));
    ASSERT_TRUE(QTest::qWaitFor([this] { return sink.calls.size() == 2; }, kWaitMs));
    EXPECT_EQ(sink.calls.at(1).at(2), s("Gizli numara"));
    modem.send(ModemEmulator::formattedBlock(s("O"), {}, when));
    ASSERT_TRUE(QTest::qWaitFor([this] { return sink.calls.size() == 3; }, kWaitMs));
    EXPECT_EQ(sink.calls.at(2).at(2), s("Numara yok"));

    QByteArray corrupt = ModemEmulator::rawPacket(s("05321234567"), {}, when);
    corrupt[corrupt.size() - 3] = corrupt.at(corrupt.size() - 3) == '0' ? '1' : '0';
    modem.send(corrupt);
    ASSERT_TRUE(QTest::qWaitFor([this] { return log.size() == 1; }, kWaitMs));
    EXPECT_TRUE(log.first().contains(s("Bozuk"))) << qPrintable(log.first());
    QTest::qWait(200);
    EXPECT_EQ(sink.calls.size(), 3) << "a corrupt packet is no call";
}

TEST_F(ModemFixture, TwoRingsWithoutCallerIdAreOneCallWithNoNumber)
{
    modem.behaviour().voltage = s("ERROR");
    ASSERT_TRUE(plug());
    open();
    ASSERT_TRUE(waitReady());
    modem.ring();
    QTest::qWait(1100); // rings of one call come seconds apart
    EXPECT_TRUE(sink.calls.isEmpty());
    modem.ring(s("A"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return sink.calls.size() == 1; }, kWaitMs));
    EXPECT_EQ(sink.calls.at(0).at(2), s("Numara yok"));
    QTest::qWait(1100);
    modem.ring();
    QTest::qWait(200);
    EXPECT_EQ(sink.calls.size(), 1) << "one call per ringing episode";
}

TEST_F(ModemFixture, UnplugMidBlockClosesAtOnceAndReplugBringsTheDeviceBack)
{
    ASSERT_TRUE(plug());
    open();
    ASSERT_TRUE(waitReady());
    int changes = 0;
    QObject::connect(
        control.get(), &XeltoControl::deviceChanged, control.get(), [&] { ++changes; });
    modem.send("\r\nDATE = 1209\r\nTIME = 1430\r\nNMBR = 0212");
    QTest::qWait(20);
    modem.unplug();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !control->devicePresent(); }, kWaitMs));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(command(s("devicemodel")), QString());
    // A port left open on a vanished terminal reports errors without end; a
    // closed one costs nothing. A second of waiting shows which.
    const double before = cpuSeconds();
    QTest::qWait(1000);
    EXPECT_LT(cpuSeconds() - before, 0.3);
    EXPECT_TRUE(sink.calls.isEmpty()) << "half a block is no call";

    ASSERT_TRUE(plug());
    ASSERT_TRUE(waitReady());
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(modem.commands().first(), s("ATZ")) << "initialised again";
    EXPECT_EQ(command(s("devicemodel")), s("CX93010"));
}

TEST_F(ModemFixture, PermissionDeniedAndLockedPortsAreOneLineEach)
{
    ASSERT_TRUE(plug());
    int opens = 0;
    ModemLink::OpenResult answer = ModemLink::OpenResult::PermissionDenied;
    options.opener = [&](QSerialPort&, const QString&, QString& detail) {
        ++opens;
        detail = s("Permission denied");
        return answer;
    };
    open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return opens >= 4; }, kWaitMs));
    ASSERT_EQ(log.size(), 1) << qPrintable(log.join(QLatin1Char('\n')));
    EXPECT_TRUE(log.first().contains(s("dialout"))) << qPrintable(log.first());
    answer = ModemLink::OpenResult::Locked;
    ASSERT_TRUE(QTest::qWaitFor([&] { return opens >= 8; }, kWaitMs));
    ASSERT_EQ(log.size(), 2);
    EXPECT_TRUE(log.last().contains(s("başka bir program"))) << qPrintable(log.last());
    EXPECT_TRUE(modem.commands().isEmpty()) << "the port was never opened";
    EXPECT_FALSE(control->devicePresent());
}

TEST_F(ModemFixture, AVoltageQueryThatGoesUnansweredEndsThePollNotTheModem)
{
    modem.behaviour().ignored = QStringList { s("AT-TRV") };
    options.commandTimeoutMs = 300;
    ASSERT_TRUE(plug());
    open();
    ASSERT_TRUE(waitReady()) << qPrintable(modem.commands().join(QLatin1Char(' ')));
    // Asked at the identification and once more by the poll; then never again.
    ASSERT_TRUE(QTest::qWaitFor([this] { return count("AT-TRV") == 2; }, kWaitMs));
    const QDateTime when(QDate(2026, 12, 9), QTime(14, 30));
    modem.ring();
    modem.send(ModemEmulator::formattedBlock(s("02125550123"), s("AYSE YILMAZ"), when));
    ASSERT_TRUE(QTest::qWaitFor([this] { return sink.calls.size() == 1; }, kWaitMs));
    // Each silence was followed by a plain AT, which the modem answered.
    ASSERT_TRUE(QTest::qWaitFor([this] { return count("AT") == 2; }, kWaitMs));
    EXPECT_TRUE(control->devicePresent());
    EXPECT_EQ(count("ATZ"), 1) << "never initialised again";
    EXPECT_EQ(count("AT-TRV"), 2);
    EXPECT_TRUE(sink.signals_.isEmpty()) << "no voltage was ever known";
    EXPECT_TRUE(log.isEmpty()) << qPrintable(log.join(QLatin1Char('\n')));

    // A modem that answers nothing at all is still found gone, by its AT.
    modem.behaviour().ignored = QStringList { s("*") };
    command(s("LineStatus1"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !control->devicePresent(); }, kWaitMs));
    EXPECT_EQ(count("AT"), 3);
}

TEST_F(ModemFixture, ABlockWhoseLinesComeSlowlyIsOneCall)
{
    // Real modems and serial links pace their output: lines a fifth of a second apart.
    options.blockQuietMs = ModemLink::Options {}.blockQuietMs;
    modem.behaviour().voltage = s("ERROR");
    ASSERT_TRUE(plug());
    open();
    ASSERT_TRUE(waitReady());
    const auto paced = [&](const QList<QByteArray>& lines) {
        for (const QByteArray& line : lines) {
            modem.send(line);
            QTest::qWait(200);
        }
    };
    modem.ring();
    paced({ "\r\nDATE = 1209\r\n", "TIME = 1430\r\n", "NMBR = 02125550123\r\n",
        "NAME = AYSE YILMAZ\r\n" });
    ASSERT_TRUE(QTest::qWaitFor([this] { return !sink.calls.isEmpty(); }, kWaitMs));
    EXPECT_EQ(sink.calls.at(0),
        QStringList(
            { s("EMU-0001"), s("1"), s("02125550123"), s("09.12.2026 14:30"), s("AYSE YILMAZ") }));

    // Without a name the block ends after a quiet time long enough for paced lines.
    paced({ "\r\nDATE = 1209\r\n", "TIME = 1431\r\n", "NMBR = 02125550124\r\n" });
    ASSERT_TRUE(QTest::qWaitFor([this] { return sink.calls.size() >= 2; }, kWaitMs));
    ASSERT_EQ(sink.calls.size(), 2) << qPrintable(sink.calls.last().join(QLatin1Char('|')));
    EXPECT_EQ(sink.calls.at(1).at(2), s("02125550124"));
    EXPECT_EQ(sink.calls.at(1).at(3), s("09.12.2026 14:31"));

    // The next ring ends one at once.
    paced({ "\r\nTIME = 1432\r\n", "NMBR = 02125550125\r\n" });
    modem.ring();
    ASSERT_TRUE(QTest::qWaitFor([this] { return sink.calls.size() >= 3; }, kWaitMs));
    EXPECT_EQ(sink.calls.at(2).at(2), s("02125550125"));
}

TEST_F(ModemFixture, AFloodOfAnswerLinesIsReadInBoundedMemory)
{
    // Five megabytes of lines for the model: a modem gone mad, or line noise.
    modem.behaviour().longAnswers.insert(s("AT+GMM"), 150000);
    options.commandTimeoutMs = 6 * kWaitMs;
    ASSERT_TRUE(plug());
    HeapPeak heap;
    open();
    ASSERT_TRUE(runUntil([this] { return control->devicePresent(); }, 6 * kWaitMs));
    heap.sample();
    EXPECT_EQ(command(s("devicemodel")), s("LINE 000000001 OF A LONG ANSWER"));
    EXPECT_LT(heap.growthMiB(), 2.0) << "the answer's lines were kept";
}

TEST(ModemPort, APortAnotherProgramHoldsIsReportedLocked)
{
    ModemEmulator modem;
    ASSERT_TRUE(modem.plug());
    QSerialPort holder;
    holder.setPortName(modem.terminal());
    ASSERT_TRUE(holder.open(QIODevice::ReadWrite)) << qPrintable(holder.errorString());
    QSerialPort second;
    QString detail;
    EXPECT_EQ(ModemLink::openPort(second, modem.terminal(), detail), ModemLink::OpenResult::Locked)
        << qPrintable(detail);
    EXPECT_FALSE(second.isOpen());
    holder.close();
    EXPECT_EQ(ModemLink::openPort(second, modem.terminal(), detail), ModemLink::OpenResult::Opened);
    QSerialPort third;
    EXPECT_EQ(ModemLink::openPort(third, modem.terminal() + s("-gone"), detail),
        ModemLink::OpenResult::Missing);
}

// A probe ends, and says so, when its port vanishes before or while it is
// opened: otherwise whoever waits for it waits for ever.
TEST_F(ModemFixture, AProbeWhosePortVanishesEnds)
{
    modem.behaviour().ignored = QStringList { s("*") };
    for (const bool opened : { false, true }) {
        SCOPED_TRACE(opened);
        options.path = link();
        options.reopen = false;
        if (opened) {
            ASSERT_TRUE(plug());
        }
        ModemLink probe(options);
        QSignalSpy refused(&probe, &ModemLink::refused);
        probe.start();
        if (opened) {
            ASSERT_TRUE(
                QTest::qWaitFor([&] { return modem.commands().contains(s("ATZ")); }, kWaitMs));
            modem.unplug();
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return refused.count() == 1; }, kWaitMs));
        EXPECT_EQ(
            probe.refusal(), opened ? ModemLink::Refusal::Lost : ModemLink::Refusal::OpenFailed);
    }
}

// A named port locked by a live program, in the form UUCP tools write the
// lock, is not opened under it; once the program has gone, it is.
TEST_F(ModemFixture, ANamedPortLockedByAnotherProgramWaitsForIt)
{
    const QString path = dir.filePath(QStringLiteral("locked%1").arg(::getpid()));
    const QString lockFile
        = s("/var/lock/LCK..") + QString(path).replace(QLatin1Char('/'), QLatin1Char('_'));
    QFile lock(lockFile);
    if (!lock.open(QIODevice::WriteOnly | QIODevice::Truncate))
        GTEST_SKIP() << "no lock folder to write to";
    QProcess owner;
    owner.start(s("sleep"), { s("600") });
    ASSERT_TRUE(owner.waitForStarted());
    lock.write(QByteArray::number(owner.processId()).rightJustified(10, ' ') + '\n');
    lock.close();
    ASSERT_TRUE(modem.plug(path));
    options.path = path;
    control = std::make_unique<ModemXelto>(new ModemLink(options));
    const QString inUse
        = s("%1 başka bir program tarafından kullanılıyor (PID %2 sleep); o programı kapatın.")
              .arg(path)
              .arg(owner.processId());
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.contains(inUse); }, kWaitMs))
        << qPrintable(log.join(QLatin1Char('\n')));
    EXPECT_TRUE(modem.commands().isEmpty()) << "opened under the lock's owner";
    owner.kill();
    owner.waitForFinished();
    ASSERT_TRUE(waitReady());
    EXPECT_EQ(log.count(inUse), 1);
    control.reset();
    EXPECT_FALSE(QFile::exists(lockFile)) << "the stale lock made way for the program's own";
}

TEST(ModemCall, DateAndTimeOfABlock)
{
    const QDateTime now(QDate(2026, 12, 9), QTime(14, 35, 7));
    CallerIdBlock b;
    b.date = s("1209");
    b.time = s("1430");
    EXPECT_EQ(ModemXelto::dateTimeText(b, now), s("09.12.2026 14:30"));
    b.date = s("261208");
    EXPECT_EQ(ModemXelto::dateTimeText(b, now), s("08.12.2026 14:30"));
    // Read on the 1st of January, sent on the 31st of December.
    b.date = s("1231");
    EXPECT_EQ(ModemXelto::dateTimeText(b, QDateTime(QDate(2027, 1, 1), QTime(0, 0, 30))),
        s("31.12.2026 14:30"));
    for (const char* date : { "", "1332", "12x9", "0230" }) {
        b.date = s(date);
        EXPECT_EQ(ModemXelto::dateTimeText(b, now), s("09.12.2026 14:35")) << date;
    }
    b.date = s("1209");
    b.time = s("2460");
    EXPECT_EQ(ModemXelto::dateTimeText(b, now), s("09.12.2026 14:35"));
}
