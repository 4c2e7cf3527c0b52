#include "PortPolicy.h"

#include <gtest/gtest.h>

using PortPolicy::Reason;

namespace {

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

PortDescription acm(const char* vendor, const char* product, int protocol = 0x01)
{
    PortDescription port;
    port.path = s("/dev/ttyACM0");
    port.name = s("ttyACM0");
    port.driver = s("cdc_acm");
    port.vendorId = s(vendor);
    port.productId = s(product);
    port.interfaceClass = 0x02;
    port.interfaceSubClass = 0x02;
    port.interfaceProtocol = protocol;
    return port;
}

PortDescription serial(const char* name, const char* driver)
{
    PortDescription port;
    port.path = QStringLiteral("/dev/") + s(name);
    port.name = s(name);
    port.driver = s(driver);
    return port;
}

PortDescription with(PortDescription port, const char* property, const char* value = "1")
{
    port.properties.insert(s(property), s(value));
    return port;
}

} // namespace

// Each rule in its place: naming wins over everything, ignoring over marking,
// marking over the port's kind, and only AT-declaring CDC-ACM of an unknown
// maker is probed unasked.
TEST(PortPolicy, DecidesByTheRulesInTheirOrder)
{
    PortDescription adapter = serial("ttyUSB0", "ftdi_sio");
    adapter.vendorId = s("0403");
    PortDescription noInterface = serial("ttyACM4", "cdc_acm"); // attributes unreadable
    PortDescription bare; // nothing known at all
    bare.path = s("/dev/rfcomm0");
    bare.name = s("rfcomm0");
    const struct
    {
        const char* what;
        PortDescription port;
        PortPolicy::Use use;
        bool probe;
        Reason reason;
        const char* detail;
    } cases[] = {
        { "voice modem", acm("0572", "1329"), PortPolicy::Use::Search, true, Reason::UsbModem, "" },
        { "every AT protocol", acm("0572", "1329", 0x06), PortPolicy::Use::Search, true,
            Reason::UsbModem, "" },
        { "protocol beyond AT", acm("0572", "1329", 0x07), PortPolicy::Use::Search, false,
            Reason::AcmWithoutAt, "" },
        { "no protocol", acm("0572", "1329", 0x00), PortPolicy::Use::Search, false,
            Reason::AcmWithoutAt, "" },
        { "unreadable interface", noInterface, PortPolicy::Use::Search, false, Reason::AcmWithoutAt,
            "" },
        { "Arduino", acm("2341", "0043"), PortPolicy::Use::Search, false, Reason::KnownBoard,
            "Arduino" },
        { "Teensy only by product", acm("16c0", "0483"), PortPolicy::Use::Search, false,
            Reason::KnownBoard, "PJRC Teensy" },
        { "another product of Teensy's vendor", acm("16c0", "0001"), PortPolicy::Use::Search, true,
            Reason::UsbModem, "" },
        { "upper-case or malformed IDs", acm("2E8A", "zz"), PortPolicy::Use::Search, false,
            Reason::KnownBoard, "Raspberry Pi" },
        { "adapter", adapter, PortPolicy::Use::Search, false, Reason::UsbSerialAdapter,
            "ftdi_sio" },
        { "ttyUSB without driver", serial("ttyUSB3", ""), PortPolicy::Use::Search, false,
            Reason::UsbSerialAdapter, "" },
        { "built-in", serial("ttyS0", "serial8250"), PortPolicy::Use::Search, false,
            Reason::BuiltIn, "" },
        { "unknown kind", bare, PortPolicy::Use::Search, false, Reason::Unknown, "" },
        { "marked adapter", with(adapter, "CALLERID_MODEM"), PortPolicy::Use::Search, true,
            Reason::Marked, "CALLERID_MODEM" },
        { "ModemManager's opt-in", with(serial("ttyS1", "serial8250"), "ID_MM_DEVICE_PROCESS"),
            PortPolicy::Use::Search, true, Reason::Marked, "ID_MM_DEVICE_PROCESS" },
        { "marked board", with(acm("2341", "0043"), "CALLERID_MODEM", "yes"),
            PortPolicy::Use::Search, true, Reason::Marked, "CALLERID_MODEM" },
        { "mark set to 0", with(adapter, "CALLERID_MODEM", "0"), PortPolicy::Use::Search, false,
            Reason::UsbSerialAdapter, "ftdi_sio" },
        { "ignored modem", with(acm("0572", "1329"), "ID_MM_DEVICE_IGNORE"),
            PortPolicy::Use::Search, false, Reason::Ignored, "ID_MM_DEVICE_IGNORE" },
        { "ignored port", with(acm("0572", "1329"), "ID_MM_PORT_IGNORE"), PortPolicy::Use::Search,
            false, Reason::Ignored, "ID_MM_PORT_IGNORE" },
        { "ignore wins over the mark", with(with(adapter, "CALLERID_MODEM"), "ID_MM_DEVICE_IGNORE"),
            PortPolicy::Use::Search, false, Reason::Ignored, "ID_MM_DEVICE_IGNORE" },
        { "our own ignore", with(acm("0572", "1329"), "CALLERID_IGNORE", "true"),
            PortPolicy::Use::Search, false, Reason::Ignored, "CALLERID_IGNORE" },
        { "named wins over ignore", with(acm("2341", "0043"), "CALLERID_IGNORE"),
            PortPolicy::Use::Named, true, Reason::Named, "" },
    };
    for (const auto& c : cases) {
        const PortPolicy::Decision decision = PortPolicy::decide(c.port, c.use);
        EXPECT_EQ(decision.probe, c.probe) << c.what;
        EXPECT_EQ(decision.reason, c.reason) << c.what;
        EXPECT_EQ(decision.detail, s(c.detail)) << c.what;
    }
}

// Every maker on the table keeps its boards from being probed, and says what they are.
TEST(PortPolicy, EveryKnownBoardIsSkippedAsWhatItIs)
{
    const struct
    {
        PortPolicy::BoardKind kind;
        const char* noun;
    } nouns[] = {
        { PortPolicy::BoardKind::DevelopmentBoard, "board" },
        { PortPolicy::BoardKind::DebugProbe, "debug probe" },
        { PortPolicy::BoardKind::GpsReceiver, "GPS receiver" },
        { PortPolicy::BoardKind::RadioStick, "radio stick" },
        { PortPolicy::BoardKind::Printer, "printer" },
        { PortPolicy::BoardKind::Converter, "serial converter" },
    };
    ASSERT_GE(PortPolicy::knownBoards().size(), 20u);
    for (const PortPolicy::KnownBoard& board : PortPolicy::knownBoards()) {
        PortDescription port = acm("", "");
        port.vendorId = QStringLiteral("%1").arg(board.vendor, 4, 16, QLatin1Char('0'));
        port.productId = QStringLiteral("%1").arg(
            board.product < 0 ? 0x1234 : board.product, 4, 16, QLatin1Char('0'));
        const PortPolicy::Decision decision = PortPolicy::decide(port);
        ASSERT_EQ(decision.reason, Reason::KnownBoard) << board.maker;
        EXPECT_EQ(decision.board, board.kind) << board.maker;
        const QString text = PortPolicy::explain(decision, port);
        for (const auto& n : nouns) {
            if (n.kind == board.kind) {
                EXPECT_TRUE(text.startsWith(
                    QStringLiteral("skipped: %1 %2 ").arg(s(board.maker), s(n.noun))))
                    << qPrintable(text);
            }
        }
        EXPECT_FALSE(PortPolicy::shortTurkish(decision).isEmpty());
    }
}

TEST(PortPolicy, ExplainsEachDecisionAndHowToChooseASkippedPort)
{
    PortDescription adapter = serial("ttyUSB0", "ftdi_sio");
    const struct
    {
        PortDescription port;
        const char* text;
        const char* turkish;
    } cases[] = {
        { acm("0572", "1329"), "probed: USB modem (CDC-ACM, AT commands)", "modem olabilir" },
        { adapter,
            "skipped: USB serial adapter (ftdi_sio); use --device modem:/dev/ttyUSB0 or mark it "
            "with CALLERID_MODEM=1",
            "USB seri dönüştürücü" },
        { with(adapter, "ID_MM_DEVICE_IGNORE"), "skipped: ID_MM_DEVICE_IGNORE",
            "ID_MM_DEVICE_IGNORE ile dışarıda bırakılmış" },
        { with(adapter, "CALLERID_MODEM"), "probed: marked with CALLERID_MODEM", "modem olabilir" },
        { serial("ttyS0", "serial8250"),
            "skipped: built-in serial port; use --device modem:/dev/ttyS0 or mark it with "
            "CALLERID_MODEM=1",
            "yerleşik seri port" },
        { acm("2e8a", "000a"),
            "skipped: Raspberry Pi board (declares AT commands, but is no modem); use --device "
            "modem:/dev/ttyACM0 or mark it with CALLERID_MODEM=1",
            "Raspberry Pi kartı" },
    };
    for (const auto& c : cases) {
        const PortPolicy::Decision decision = PortPolicy::decide(c.port);
        EXPECT_EQ(PortPolicy::explain(decision, c.port), s(c.text));
        EXPECT_EQ(PortPolicy::shortTurkish(decision), s(c.turkish));
    }
}
