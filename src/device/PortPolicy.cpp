#include "PortPolicy.h"

#include <QStringList>

namespace PortPolicy {

namespace {

using enum BoardKind;

// CDC-ACM firmware on these declares an AT command set (often because the USB
// stack's example descriptor does), yet nothing behind it is a modem.
constexpr KnownBoard kKnownBoards[] = {
    // Arduino SA: Uno, Mega, Leonardo, Nano Every…; also behind many 3D printers.
    { 0x2341, -1, "Arduino", DevelopmentBoard },
    // Arduino.org boards of the years the two companies were apart.
    { 0x2a03, -1, "Arduino", DevelopmentBoard },
    // Adafruit: Feather, ItsyBitsy, Circuit Playground (CircuitPython's console).
    { 0x239a, -1, "Adafruit", DevelopmentBoard },
    // SparkFun: Pro Micro, RedBoard.
    { 0x1b4f, -1, "SparkFun", DevelopmentBoard },
    // PJRC Teensy in serial mode, on a vendor ID shared with other hobby devices.
    { 0x16c0, 0x0483, "PJRC Teensy", DevelopmentBoard },
    // The shared "free CDC-ACM" ID of the same vendor, used by hobby firmware.
    { 0x16c0, 0x05e1, "V-USB", DevelopmentBoard },
    // Raspberry Pi: the Pico and other RP2040 boards (MicroPython, the SDK's stdio).
    { 0x2e8a, -1, "Raspberry Pi", DevelopmentBoard },
    // Espressif: ESP32-S2/S3/C3 built-in USB serial.
    { 0x303a, -1, "Espressif", DevelopmentBoard },
    // STMicroelectronics: the STM32 virtual COM port and ST-LINK's.
    { 0x0483, -1, "STMicroelectronics", DevelopmentBoard },
    // Microchip (formerly Atmel): LUFA and ASF serial examples, Xplained boards.
    { 0x03eb, -1, "Microchip", DevelopmentBoard },
    // NXP: LPC and i.MX boards' virtual COM ports.
    { 0x1fc9, -1, "NXP", DevelopmentBoard },
    // Seeed: XIAO and Wio boards.
    { 0x2886, -1, "Seeed", DevelopmentBoard },
    // Zephyr's default ID for boards that run its USB console.
    { 0x2fe3, -1, "Zephyr", DevelopmentBoard },
    // pid.codes: a vendor ID shared by open hardware projects.
    { 0x1209, -1, "pid.codes", DevelopmentBoard },
    // Openmoko's ID, shared by open hardware such as the Black Magic Probe.
    { 0x1d50, -1, "Openmoko", DebugProbe },
    // Arm mbed DAPLink: the debug probe's serial port.
    { 0x0d28, -1, "Arm mbed", DebugProbe },
    // SEGGER J-Link's virtual COM port.
    { 0x1366, -1, "SEGGER", DebugProbe },
    // u-blox GPS receivers (and their cellular modules, which carry no caller ID here).
    { 0x1546, -1, "u-blox", GpsReceiver },
    // Texas Instruments CC2531 with Zigbee coordinator firmware.
    { 0x0451, 0x16a8, "Texas Instruments CC2531", RadioStick },
    // dresden elektronik ConBee Zigbee sticks.
    { 0x1cf1, -1, "dresden elektronik", RadioStick },
    // Sigma Designs Z-Wave controllers (Aeotec Z-Stick and others).
    { 0x0658, -1, "Sigma Designs", RadioStick },
    // Prusa Research 3D printers.
    { 0x2c99, -1, "Prusa Research", Printer },
    // WCH's CDC-ACM serial converters (CH9102, CH343).
    { 0x1a86, -1, "WCH", Converter },
    // The Linux serial gadget of boards such as the BeagleBone.
    { 0x0525, 0xa4a7, "Linux serial gadget", DevelopmentBoard },
};

// Kernel drivers of USB serial converters: behind them may be anything.
const char* const kAdapterDrivers[] = { "ftdi_sio", "pl2303", "ch341", "cp210x", "cypress_m8",
    "mos7720", "mos7840", "io_edgeport", "io_ti", "oti6858", "ark3116", "f81232", "f81534",
    "keyspan", "digi_acceleport", "usb_serial_simple", "ti_usb_3410_5052", "spcp8x5", "quatech2",
    "mxuport", "upd78f0730", "xr_serial", "ch9344" };

// CDC's communication class with the abstract control model…
constexpr int kCommunicationClass = 0x02;
constexpr int kAbstractControlModel = 0x02;
// …and the protocols that say "AT commands": V.250, PCCA-101 (with and
// without wake-up), GSM 07.07, 3GPP 27.007, TIA for CDMA.
constexpr int kFirstAtProtocol = 0x01;
constexpr int kLastAtProtocol = 0x06;

const char* const kIgnoreProperties[]
    = { "ID_MM_DEVICE_IGNORE", "ID_MM_PORT_IGNORE", "CALLERID_IGNORE" };
const char* const kMarkProperties[] = { "CALLERID_MODEM", "ID_MM_DEVICE_PROCESS" };

QString firstFlag(const PortDescription& port, std::span<const char* const> properties)
{
    for (const char* property : properties)
        if (port.flag(property))
            return QLatin1String(property);
    return {};
}

const KnownBoard* boardOf(const PortDescription& port)
{
    bool ok = false;
    const uint vendor = port.vendorId.toUInt(&ok, 16);
    if (!ok)
        return nullptr;
    const int product = int(port.productId.toUInt(&ok, 16));
    for (const KnownBoard& board : kKnownBoards)
        if (board.vendor == vendor && (board.product < 0 || (ok && board.product == product)))
            return &board;
    return nullptr;
}

bool isAdapterDriver(const QString& driver)
{
    for (const char* name : kAdapterDrivers)
        if (driver == QLatin1String(name))
            return true;
    return false;
}

bool isAcm(const PortDescription& port)
{
    return port.driver == QLatin1String("cdc_acm") || port.name.startsWith(QLatin1String("ttyACM"));
}

bool declaresAtCommands(const PortDescription& port)
{
    return port.interfaceClass == kCommunicationClass
        && port.interfaceSubClass == kAbstractControlModel
        && port.interfaceProtocol >= kFirstAtProtocol && port.interfaceProtocol <= kLastAtProtocol;
}

Decision make(bool probe, Reason reason, QString detail = {})
{
    Decision decision;
    decision.probe = probe;
    decision.reason = reason;
    decision.detail = std::move(detail);
    return decision;
}

QString boardNoun(BoardKind kind)
{
    switch (kind) {
    case DevelopmentBoard:
        return QStringLiteral("board");
    case DebugProbe:
        return QStringLiteral("debug probe");
    case GpsReceiver:
        return QStringLiteral("GPS receiver");
    case RadioStick:
        return QStringLiteral("radio stick");
    case Printer:
        return QStringLiteral("printer");
    case Converter:
        return QStringLiteral("serial converter");
    }
    return {};
}

QString boardNounTurkish(BoardKind kind)
{
    switch (kind) {
    case DevelopmentBoard:
        return QStringLiteral("kartı");
    case DebugProbe:
        return QStringLiteral("hata ayıklayıcısı");
    case GpsReceiver:
        return QStringLiteral("GPS alıcısı");
    case RadioStick:
        return QStringLiteral("kablosuz çubuğu");
    case Printer:
        return QStringLiteral("yazıcısı");
    case Converter:
        return QStringLiteral("seri dönüştürücüsü");
    }
    return {};
}

} // namespace

std::span<const KnownBoard> knownBoards()
{
    return kKnownBoards;
}

Decision decide(const PortDescription& port, Use use)
{
    if (use == Use::Named)
        return make(true, Reason::Named);
    if (QString property = firstFlag(port, kIgnoreProperties); !property.isEmpty())
        return make(false, Reason::Ignored, property);
    if (QString property = firstFlag(port, kMarkProperties); !property.isEmpty())
        return make(true, Reason::Marked, property);
    if (isAcm(port)) {
        if (!declaresAtCommands(port))
            return make(false, Reason::AcmWithoutAt);
        if (const KnownBoard* board = boardOf(port)) {
            Decision decision = make(false, Reason::KnownBoard, QString::fromUtf8(board->maker));
            decision.board = board->kind;
            return decision;
        }
        return make(true, Reason::UsbModem);
    }
    if (isAdapterDriver(port.driver) || port.name.startsWith(QLatin1String("ttyUSB")))
        return make(false, Reason::UsbSerialAdapter, port.driver);
    if (port.name.startsWith(QLatin1String("ttyS")))
        return make(false, Reason::BuiltIn);
    return make(false, Reason::Unknown);
}

QString explain(const Decision& decision, const PortDescription& port)
{
    const QString howToChoose
        = QStringLiteral("; use --device modem:%1 or mark it with CALLERID_MODEM=1").arg(port.path);
    switch (decision.reason) {
    case Reason::Named:
        return QStringLiteral("probed: named on the command line");
    case Reason::Ignored:
        return QStringLiteral("skipped: %1").arg(decision.detail);
    case Reason::Marked:
        return QStringLiteral("probed: marked with %1").arg(decision.detail);
    case Reason::UsbModem:
        return QStringLiteral("probed: USB modem (CDC-ACM, AT commands)");
    case Reason::KnownBoard:
        return QStringLiteral("skipped: %1 %2 (declares AT commands, but is no modem)%3")
            .arg(decision.detail, boardNoun(decision.board), howToChoose);
    case Reason::UsbSerialAdapter:
        return QStringLiteral("skipped: USB serial adapter%1%2")
            .arg(decision.detail.isEmpty() ? QString()
                                           : QStringLiteral(" (%1)").arg(decision.detail),
                howToChoose);
    case Reason::BuiltIn:
        return QStringLiteral("skipped: built-in serial port%1").arg(howToChoose);
    case Reason::AcmWithoutAt:
        return QStringLiteral("skipped: CDC-ACM without AT commands%1").arg(howToChoose);
    case Reason::Unknown:
        break;
    }
    return QStringLiteral("skipped: not a known kind of modem port%1").arg(howToChoose);
}

QString shortTurkish(const Decision& decision)
{
    switch (decision.reason) {
    case Reason::Named:
    case Reason::Marked:
    case Reason::UsbModem:
        return QStringLiteral("modem olabilir");
    case Reason::Ignored:
        return QStringLiteral("%1 ile dışarıda bırakılmış").arg(decision.detail);
    case Reason::KnownBoard:
        return QStringLiteral("%1 %2").arg(decision.detail, boardNounTurkish(decision.board));
    case Reason::UsbSerialAdapter:
        return QStringLiteral("USB seri dönüştürücü");
    case Reason::BuiltIn:
        return QStringLiteral("yerleşik seri port");
    case Reason::AcmWithoutAt:
        return QStringLiteral("AT komutu bildirmeyen USB aygıtı");
    case Reason::Unknown:
        break;
    }
    return QStringLiteral("tanınmayan seri port");
}

} // namespace PortPolicy
