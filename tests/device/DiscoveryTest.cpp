// Finding modems on a machine faked by umockdev: what udev says about each
// port, which ports `auto` opens, and what it does when ports are in use,
// vanish, stay silent or refuse caller ID.

#include "AutoXelto.h"
#include "FakeDeviceClock.h"
#include "FakeMachine.h"
#include "Forms.h"
#include "ModemEmulator.h"
#include "ModemFinder.h"
#include "ModemXelto.h"
#include "SerialPorts.h"
#include "Unit1.h"
#include "UnitEmulator.h"
#include "XeltoBackends.h"
#include "xeltocallerid_TLB.h"

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

// These tests run with umockdev's library loaded before everything else, also
// when the test runner lists them with nothing of their environment set.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options()
{
    return "verify_asan_link_order=0";
}
#endif

namespace {

constexpr int kWaitMs = 15000;

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

// The ports of the machine in the issue that made `auto` careful: boards,
// adapters and one real modem.
std::vector<FakeMachine::Port> mixedMachine()
{
    return { FakeMachine::arduinoUno(), FakeMachine::voiceModem(), FakeMachine::raspberryPiPico(),
        FakeMachine::ftdiAdapter(), FakeMachine::cp210xStick(), FakeMachine::markedAdapter(),
        FakeMachine::ignoredModem(), FakeMachine::builtIn() };
}

struct DiscoveryFixture : ::testing::Test
{
    void SetUp() override
    {
        Application()->OnException = [this](TObject*, const QString& m) { log.append(m); };
        options.link.commandTimeoutMs = 500;
        options.heldRetryMs = 100;
    }
    void TearDown() override { Application()->OnException = nullptr; }

    void plug(const std::vector<FakeMachine::Port>& ports)
    {
        for (const FakeMachine::Port& port : ports) {
            ASSERT_TRUE(machine.plug(port)) << qPrintable(port.name);
            // umockdev's announcements wait in a short queue: let the finder read each.
            QCoreApplication::processEvents();
        }
    }
    // A modem emulator behind the port's terminal.
    ModemEmulator& modemOn(const QString& name)
    {
        auto modem = std::make_unique<ModemEmulator>();
        EXPECT_TRUE(modem->attach(machine.master(name)));
        modems.push_back(std::move(modem));
        return *modems.back();
    }
    // Starts a finder that keeps what it finds in `found`.
    void search()
    {
        finder = std::make_unique<ModemFinder>(options);
        QObject::connect(finder.get(), &DeviceCandidate::logLine, finder.get(),
            [this](const QString& line) { log.append(line); });
        finder->startSearch(
            [this](std::unique_ptr<XeltoControl> device) { found = std::move(device); });
    }
    QString foundModel() const
    {
        QString model;
        if (found)
            found->Command(s("devicemodel"), &model);
        return model;
    }

    FakeMachine machine;
    FakeDeviceClock clock;
    ModemFinder::Options options;
    std::vector<std::unique_ptr<ModemEmulator>> modems;
    std::unique_ptr<ModemFinder> finder;
    std::unique_ptr<XeltoControl> found;
    QStringList log;
};

} // namespace

TEST_F(DiscoveryFixture, DescribesEveryPortAsUdevKnowsItAndListsWhatAutoDoes)
{
    plug(mixedMachine());
    const QList<PortDescription> ports = SerialPorts::scan();
    ASSERT_EQ(ports.size(), 8);
    const PortDescription& uno = ports.at(0);
    EXPECT_EQ(uno.path, s("/dev/ttyACM0"));
    EXPECT_EQ(uno.driver, s("cdc_acm"));
    EXPECT_EQ(uno.usbId(), s("2341:0043"));
    EXPECT_EQ(uno.manufacturer, s("Arduino (www.arduino.cc)"));
    EXPECT_EQ(uno.product, s("Uno"));
    EXPECT_EQ(uno.serial, s("75830333238351A0E1F1"));
    EXPECT_EQ(uno.interfaceClass, 2);
    EXPECT_EQ(uno.interfaceProtocol, 1);
    EXPECT_EQ(ports.at(4).path, s("/dev/ttyS0"));
    EXPECT_EQ(ports.at(4).driver, s("serial8250"));
    EXPECT_FALSE(ports.at(4).isUsb());
    EXPECT_EQ(ports.at(5).driver, s("ftdi_sio")) << "the converter's driver, not the interface's";
    EXPECT_EQ(ports.at(7).properties.value(s("CALLERID_MODEM")), s("1"));
    EXPECT_EQ(SerialPorts::describe(s("/dev/ttyACM1"))->product, s("USB Modem"));

    // The program's own listing, run as a user would on this machine.
    QProcess program;
    program.start(s(CALLERID_TEST_PROGRAM), { s("--list-ports") });
    ASSERT_TRUE(program.waitForFinished(kWaitMs));
    EXPECT_EQ(program.exitCode(), 0);
    const QStringList lines
        = QString::fromUtf8(program.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    const QStringList expected = {
        s("/dev/ttyACM0 [2341:0043 Arduino (www.arduino.cc) Uno, driver cdc_acm]: skipped: Arduino "
          "board (declares AT commands, but is no modem); use --device modem:/dev/ttyACM0 or mark "
          "it with CALLERID_MODEM=1"),
        s("/dev/ttyACM1 [0572:1329 Conexant USB Modem, driver cdc_acm]: probed: USB modem "
          "(CDC-ACM, AT commands)"),
        s("/dev/ttyACM2 [2e8a:000a Raspberry Pi Pico, driver cdc_acm]: skipped: Raspberry Pi board "
          "(declares AT commands, but is no modem); use --device modem:/dev/ttyACM2 or mark it "
          "with CALLERID_MODEM=1"),
        s("/dev/ttyACM3 [0572:1329 Conexant USB Modem, driver cdc_acm]: skipped: "
          "ID_MM_DEVICE_IGNORE"),
        s("/dev/ttyS0 [driver serial8250]: skipped: built-in serial port; use --device "
          "modem:/dev/ttyS0 or mark it with CALLERID_MODEM=1"),
        s("/dev/ttyUSB0 [0403:6001 FTDI FT232R USB UART, driver ftdi_sio]: skipped: USB serial "
          "adapter (ftdi_sio); use --device modem:/dev/ttyUSB0 or mark it with CALLERID_MODEM=1"),
        s("/dev/ttyUSB1 [10c4:ea60 Silicon Labs CP2102 USB to UART Bridge Controller, driver "
          "cp210x]: skipped: USB serial adapter (cp210x); use --device modem:/dev/ttyUSB1 or mark "
          "it with CALLERID_MODEM=1"),
        s("/dev/ttyUSB2 [0403:6001 FTDI FT232R USB UART, driver ftdi_sio]: probed: marked with "
          "CALLERID_MODEM"),
    };
    EXPECT_EQ(lines, expected);
}

// `auto` opens the modem and the port the user marked, and not one byte
// reaches a board, an adapter, the built-in port or the ignored modem.
TEST_F(DiscoveryFixture, OpensOnlyTheModemAndTheMarkedPort)
{
    search(); // before the ports come: they are announced by udev
    plug(mixedMachine());
    ModemEmulator& modem = modemOn(s("ttyACM1"));
    ModemEmulator& marked = modemOn(s("ttyUSB2"));
    marked.behaviour().ignored = QStringList { s("*") };
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(found); }, kWaitMs));
    EXPECT_EQ(foundModel(), s("Conexant USB Modem")) << "udev's names for a USB modem";
    EXPECT_TRUE(marked.commands().contains(s("ATZ"))) << "the marked port is probed too";
    for (const char* other : { "ttyACM0", "ttyACM2", "ttyACM3", "ttyUSB0", "ttyUSB1", "ttyS0" })
        EXPECT_EQ(machine.received(s(other)), QByteArray()) << other;
    EXPECT_EQ(modem.commands().first(), s("ATZ"));
}

TEST_F(DiscoveryFixture, SaysOnceWhenThereAreSerialPortsButNoneItMayProbe)
{
    plug({ FakeMachine::arduinoUno(), FakeMachine::ftdiAdapter(), FakeMachine::builtIn() });
    search();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log.isEmpty(); }, kWaitMs));
    EXPECT_EQ(log,
        QStringList { s("Seri portlarda modem aranmadı: ttyACM0 (Arduino kartı), ttyUSB0 (USB "
                        "seri dönüştürücü). Birini kullanmak için --device "
                        "modem:/dev/ttyACM0 verin ya da portu udev ile CALLERID_MODEM=1 "
                        "olarak işaretleyin.") });
    ASSERT_TRUE(machine.plug(FakeMachine::builtIn(s("ttyS1"))));
    finder->stopSearch();
    finder->startSearch([](std::unique_ptr<XeltoControl>) {});
    QTest::qWait(300);
    EXPECT_EQ(log.size(), 1) << "the same ports, nothing new to say";
    EXPECT_FALSE(finder->busy());
}

// A port another program has open is left alone, and probed once it is free.
TEST_F(DiscoveryFixture, LeavesAPortInUseUntilItIsFree)
{
    plug({ FakeMachine::voiceModem() });
    ModemEmulator& modem = modemOn(s("ttyACM1"));
    QProcess other;
    other.start(s("sh"), { s("-c"), s("exec 3<>/dev/ttyACM1; exec sleep 600") });
    ASSERT_TRUE(other.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            QFile comm(QStringLiteral("/proc/%1/comm").arg(other.processId()));
            return comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "sleep";
        },
        kWaitMs));
    search();
    const QString inUse
        = s("/dev/ttyACM1 başka bir program tarafından kullanılıyor (PID %1 sleep); o "
            "programı kapatın.")
              .arg(other.processId());
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.contains(inUse); }, kWaitMs))
        << qPrintable(log.join(u'\n'));
    EXPECT_TRUE(modem.commands().isEmpty());
    EXPECT_FALSE(finder->busy()) << "a held port is no probe to wait for";
    other.kill();
    other.waitForFinished();
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(found); }, kWaitMs));
    EXPECT_EQ(log.count(inUse), 1);
}

// A modem pulled out in the middle of its probe ends the probe: the search
// goes on and finds the next modem plugged in.
TEST_F(DiscoveryFixture, AModemPulledOutWhileProbedDoesNotStopTheSearch)
{
    for (const int gap : { 0, 500 }) {
        SCOPED_TRACE(gap);
        const QString first = QStringLiteral("ttyACM%1").arg(10 + gap / 100);
        const QString second = QStringLiteral("ttyACM%1").arg(11 + gap / 100);
        found.reset();
        search();
        plug({ FakeMachine::voiceModem(first) });
        ModemEmulator& silent = modemOn(first);
        silent.behaviour().ignored = QStringList { s("*") };
        ASSERT_TRUE(QTest::qWaitFor([&] { return silent.commands().contains(s("ATZ")); }, kWaitMs));
        EXPECT_TRUE(finder->busy());
        silent.unplug();
        machine.unplug(first);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !finder->busy(); }, kWaitMs))
            << "the probe of a vanished port has ended";
        QTest::qWait(gap);
        plug({ FakeMachine::voiceModem(second) });
        ModemEmulator& good = modemOn(second);
        ASSERT_TRUE(QTest::qWaitFor([&] { return bool(found); }, kWaitMs));
        good.unplug();
        machine.unplug(second);
    }
}

// No answer: again after 30 s, 2 min and then every 10 min. A modem without
// caller ID: never again while it stays plugged.
TEST_F(DiscoveryFixture, ProbesSilentPortsLessAndLessOftenAndModemsWithoutCallerIdNever)
{
    options.timers = clock.factory();
    plug({ FakeMachine::voiceModem(), FakeMachine::voiceModem(s("ttyACM5")) });
    ModemEmulator& silent = modemOn(s("ttyACM1"));
    silent.behaviour().ignored = QStringList { s("*") };
    ModemEmulator& noCallerId = modemOn(s("ttyACM5"));
    noCallerId.behaviour().refused
        = QStringList { s("AT+VCID=1"), s("AT#CID=1"), s("AT+FCLASS=8;+VCID=1") };
    search();
    const auto probes = [&] { return silent.commands().count(s("ATZ")); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return probes() == 1 && !finder->busy(); }, kWaitMs));
    EXPECT_EQ(noCallerId.commands().count(s("ATZ")), 1);
    EXPECT_EQ(log,
        QStringList { s("/dev/ttyACM5: modem arayan numara göstermeyi desteklemiyor; "
                        "yeniden takılana kadar denenmeyecek.") });
    const struct
    {
        qint64 waitMs;
        int probes;
    } schedule[]
        = { { 30 * 1000, 2 }, { 2 * 60 * 1000, 3 }, { 10 * 60 * 1000, 4 }, { 10 * 60 * 1000, 5 } };
    for (const auto& step : schedule) {
        clock.advance(step.waitMs - 1);
        QTest::qWait(50);
        EXPECT_EQ(probes(), step.probes - 1) << "not before " << step.waitMs << " ms";
        clock.advance(1);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return probes() == step.probes && !finder->busy(); }, kWaitMs));
    }
    EXPECT_EQ(noCallerId.commands().count(s("ATZ")), 1);
    EXPECT_EQ(log.size(), 1);
}

// The window over `auto` on a machine without modems waits for one, and says nothing.
TEST_F(DiscoveryFixture, TheWindowWaitsForADeviceOnAMachineWithoutModems)
{
    plug({ FakeMachine::builtIn() });
    XeltoBackends::Options backend;
    backend.backend = s("auto");
    ASSERT_TRUE(XeltoBackends::Register(backend));
    auto form = std::make_unique<TForm1>();
    form->Timer2->stop();
    form->show();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return form->Label9->text() == s("Bağlantı bekleniyor"); }, kWaitMs));
    EXPECT_EQ(form->Label24->text(), QString());
    EXPECT_EQ(form->Label5->text(), s("0"));
    EXPECT_EQ(machine.received(s("ttyS0")), QByteArray());
    EXPECT_TRUE(log.isEmpty()) << qPrintable(log.join(u'\n'));
    form.reset();
    XeltoBackends::Unregister();
}

// Through the host as the window uses it, on a machine without ports.
TEST_F(DiscoveryFixture, TheAutomaticDeviceReportsNoDeviceUntilOneAnswers)
{
    XeltoBackends::Options backend; // auto
    ASSERT_TRUE(XeltoBackends::Register(backend));
    {
        TXelto host;
        ASSERT_TRUE(host.ControlCreated());
        host.Start();
        QCoreApplication::processEvents();
        EXPECT_EQ(host.Command(s("devicemodel")), QString());
        EXPECT_THROW(host.Command(s("dial123")), EOleSysError);
    }
    EXPECT_TRUE(log.isEmpty()) << qPrintable(log.join(u'\n'));
    XeltoBackends::Unregister();
}

// A modem plugged in is taken, pulled out is let go, and the next one is taken again.
TEST_F(DiscoveryFixture, AutoFollowsAModemThatComesAndGoes)
{
    std::vector<std::unique_ptr<DeviceCandidate>> candidates;
    candidates.push_back(std::make_unique<ModemFinder>(options));
    AutoXelto control(std::move(candidates));
    QString text;
    QTest::qWait(100);
    control.Command(s("devicemodel"), &text);
    EXPECT_EQ(text, QString());
    for (const char* name : { "ttyACM20", "ttyACM21" }) {
        plug({ FakeMachine::voiceModem(s(name)) });
        ModemEmulator& modem = modemOn(s(name));
        ASSERT_TRUE(QTest::qWaitFor([&] { return control.devicePresent(); }, kWaitMs)) << name;
        control.Command(s("serial"), &text);
        EXPECT_EQ(text, s("24680246")) << "the USB serial number";
        modem.unplug();
        machine.unplug(s(name));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !control.devicePresent(); }, kWaitMs)) << name;
        control.Command(s("devicemodel"), &text);
        EXPECT_EQ(text, QString());
    }
}

// A modem's side of a session, recorded with umockdev-record as a user would
// for a bug report, replayed on a port of a faked machine: the program's
// commands match the recording and the recorded call arrives.
TEST_F(DiscoveryFixture, ReplaysARecordedModemSession)
{
    plug({ FakeMachine::builtIn(s("ttyS5")) });
    ASSERT_TRUE(machine.replay(s("ttyS5"), s(CALLERID_TEST_DATA "/modem-call.script")));
    ModemLink::Options link = options.link;
    link.path = s("/dev/ttyS5");
    ModemXelto control(new ModemLink(link));
    QList<QVariantList> calls;
    XeltoEventSink sink([&](DISPID id, const QVariantList& args) {
        if (id == XeltoDispId::OnCallerID)
            calls << args;
        return hr::S_OK;
    });
    quint32 cookie = 0;
    ASSERT_EQ(control.Advise(DIID_IXeltoEvents, &sink, &cookie), hr::S_OK);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !calls.isEmpty(); }, kWaitMs));
    QString text;
    control.Command(s("devicemodel"), &text);
    EXPECT_EQ(text, s("CX93010"));
    control.Command(s("serial"), &text);
    EXPECT_EQ(text, s("EMU-0001"));
    EXPECT_EQ(calls.first().value(0).toString(), s("EMU-0001"));
    EXPECT_EQ(calls.first().value(2).toString(), s("02125550123"));
    EXPECT_TRUE(calls.first().value(3).toString().startsWith(s("09.12."))) << "the recorded date";
    EXPECT_EQ(calls.first().value(4).toString(), s("AYSE YILMAZ"));
    control.Unadvise(cookie);
}

// However many modem-like ports there are, a few are probed at once: each
// probe holds a descriptor and a lock. A finished probe makes room for the next.
TEST_F(DiscoveryFixture, ProbesAFewPortsAtOnce)
{
    options.link.commandTimeoutMs = 60000; // the probes stay busy until a port goes
    std::vector<ModemEmulator*> silent;
    for (int i = 0; i < 6; ++i) {
        const QString name = QStringLiteral("ttyACM%1").arg(30 + i);
        plug({ FakeMachine::voiceModem(name) });
        silent.push_back(&modemOn(name));
        silent.back()->behaviour().ignored = QStringList { s("*") };
    }
    search();
    const auto probed = [&] {
        return std::count_if(silent.begin(), silent.end(),
            [](ModemEmulator* m) { return m->commands().contains(s("ATZ")); });
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return probed() == options.maxProbes; }, kWaitMs));
    QTest::qWait(300);
    EXPECT_EQ(probed(), options.maxProbes);
    // One of them is pulled out: its place goes to a port still waiting.
    const auto first = std::find_if(silent.begin(), silent.end(),
        [](ModemEmulator* m) { return m->commands().contains(s("ATZ")); });
    const QString gone = QStringLiteral("ttyACM%1").arg(30 + (first - silent.begin()));
    (*first)->unplug();
    machine.unplug(gone);
    ASSERT_TRUE(QTest::qWaitFor([&] { return probed() == options.maxProbes + 1; }, kWaitMs));
}

// Behind a port the user marked may be a multi-line unit instead of a modem:
// it answers no AT command, but its own handshake, and is taken as what it is.
TEST_F(DiscoveryFixture, AMarkedPortThatIsNoModemIsAskedForAUnit)
{
    options.link.commandTimeoutMs = 300;
    options.unitAnswerTimeoutMs = 300;
    plug({ FakeMachine::markedAdapter() });
    UnitEmulator unit;
    ASSERT_TRUE(unit.attach(machine.master(s("ttyUSB2"))));
    search();
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(found); }, kWaitMs));
    EXPECT_TRUE(foundModel().startsWith(s("CID birimi"))) << qPrintable(foundModel());
    EXPECT_TRUE(unit.commands().contains(s("@")));
    QString serial;
    found->Command(s("serial"), &serial);
    EXPECT_EQ(serial, s("MODEM0001")) << "the adapter's serial number";
    EXPECT_FALSE(finder->busy());
}
