#include "FakeMachine.h"

#include <QFile>
#include <QRegularExpression>

#include <umockdev.h>

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString hex2(int value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0'));
}

struct Node
{
    int major;
    int minor;
};

Node nodeOf(const QString& name)
{
    const int number
        = name.mid(name.lastIndexOf(QRegularExpression(QStringLiteral("\\D"))) + 1).toInt();
    if (name.startsWith(QLatin1String("ttyACM")))
        return { 166, number };
    if (name.startsWith(QLatin1String("ttyUSB")))
        return { 188, number };
    return { 4, 64 + number };
}

} // namespace

FakeMachine::Port FakeMachine::arduinoUno(const QString& name)
{
    // The Uno's USB chip declares AT commands, like most Arduino boards.
    return { name, QStringLiteral("cdc_acm"),
        Usb { QStringLiteral("2341"), QStringLiteral("0043"),
            QStringLiteral("Arduino (www.arduino.cc)"), QStringLiteral("Uno"),
            QStringLiteral("75830333238351A0E1F1") },
        {} };
}

FakeMachine::Port FakeMachine::voiceModem(const QString& name)
{
    return { name, QStringLiteral("cdc_acm"),
        Usb { QStringLiteral("0572"), QStringLiteral("1329"), QStringLiteral("Conexant"),
            QStringLiteral("USB Modem"), QStringLiteral("24680246") },
        {} };
}

FakeMachine::Port FakeMachine::raspberryPiPico(const QString& name)
{
    return { name, QStringLiteral("cdc_acm"),
        Usb { QStringLiteral("2e8a"), QStringLiteral("000a"), QStringLiteral("Raspberry Pi"),
            QStringLiteral("Pico"), QStringLiteral("E660583883731C2B") },
        {} };
}

FakeMachine::Port FakeMachine::ftdiAdapter(const QString& name)
{
    return { name, QStringLiteral("ftdi_sio"),
        Usb { QStringLiteral("0403"), QStringLiteral("6001"), QStringLiteral("FTDI"),
            QStringLiteral("FT232R USB UART"), QStringLiteral("A50285BI"), 0xff, 0xff, 0xff },
        {} };
}

FakeMachine::Port FakeMachine::cp210xStick(const QString& name)
{
    return { name, QStringLiteral("cp210x"),
        Usb { QStringLiteral("10c4"), QStringLiteral("ea60"), QStringLiteral("Silicon Labs"),
            QStringLiteral("CP2102 USB to UART Bridge Controller"), QStringLiteral("0001"), 0xff,
            0x00, 0x00 },
        {} };
}

FakeMachine::Port FakeMachine::markedAdapter(const QString& name)
{
    Port port = ftdiAdapter(name);
    port.usb->serial = QStringLiteral("MODEM0001");
    port.properties.insert(QStringLiteral("CALLERID_MODEM"), QStringLiteral("1"));
    return port;
}

FakeMachine::Port FakeMachine::ignoredModem(const QString& name)
{
    Port port = voiceModem(name);
    port.usb->serial = QStringLiteral("13579135");
    port.properties.insert(QStringLiteral("ID_MM_DEVICE_IGNORE"), QStringLiteral("1"));
    return port;
}

FakeMachine::Port FakeMachine::builtIn(const QString& name)
{
    return { name, QStringLiteral("serial8250"), std::nullopt, {} };
}

FakeMachine::FakeMachine()
    : m_testbed(umockdev_testbed_new())
{
}

FakeMachine::~FakeMachine()
{
    g_object_unref(m_testbed);
}

QString FakeMachine::description(const Port& port, int usbNumber)
{
    const Node node = nodeOf(port.name);
    QString text;
    QString parent;
    const auto block = [&text](const QString& path, const QStringList& lines) {
        text += QStringLiteral("P: %1\n").arg(path);
        for (const QString& line : lines)
            text += line + QLatin1Char('\n');
        text += QLatin1Char('\n');
    };
    const auto driverLines = [](const QString& driver, const QString& bus) {
        return QStringList { QStringLiteral("E: DRIVER=%1").arg(driver),
            QStringLiteral("L: driver=../../../../../../bus/%1/drivers/%2").arg(bus, driver) };
    };
    if (port.usb) {
        const Usb& usb = *port.usb;
        const QString device
            = QStringLiteral("/devices/pci0000:00/0000:00:14.0/usb1/1-%1").arg(usbNumber);
        block(device,
            { QStringLiteral("E: SUBSYSTEM=usb"), QStringLiteral("E: DEVTYPE=usb_device"),
                QStringLiteral("E: DRIVER=usb"), QStringLiteral("A: idVendor=%1").arg(usb.vendor),
                QStringLiteral("A: idProduct=%1").arg(usb.product),
                QStringLiteral("A: manufacturer=%1").arg(usb.manufacturer),
                QStringLiteral("A: product=%1").arg(usb.productName),
                QStringLiteral("A: serial=%1").arg(usb.serial) });
        parent = device + QStringLiteral("/1-%1:1.0").arg(usbNumber);
        block(parent,
            QStringList { QStringLiteral("E: SUBSYSTEM=usb"),
                QStringLiteral("E: DEVTYPE=usb_interface"),
                QStringLiteral("A: bInterfaceClass=%1").arg(hex2(usb.interfaceClass)),
                QStringLiteral("A: bInterfaceSubClass=%1").arg(hex2(usb.interfaceSubClass)),
                QStringLiteral("A: bInterfaceProtocol=%1").arg(hex2(usb.interfaceProtocol)) }
                + driverLines(port.driver, QStringLiteral("usb")));
        if (port.driver != QLatin1String("cdc_acm")) {
            // USB serial converters put a port device of their own between interface and tty.
            parent += QLatin1Char('/') + port.name;
            block(parent,
                QStringList { QStringLiteral("E: SUBSYSTEM=usb-serial") }
                    + driverLines(port.driver, QStringLiteral("usb-serial")));
        }
    } else {
        parent = QStringLiteral("/devices/platform/serial8250");
        block(parent,
            QStringList { QStringLiteral("E: SUBSYSTEM=platform") }
                + driverLines(port.driver, QStringLiteral("platform")));
    }
    QStringList tty { QStringLiteral("N: %1").arg(port.name), QStringLiteral("E: SUBSYSTEM=tty"),
        QStringLiteral("E: DEVNAME=/dev/%1").arg(port.name),
        QStringLiteral("E: MAJOR=%1").arg(node.major),
        QStringLiteral("E: MINOR=%1").arg(node.minor),
        QStringLiteral("A: dev=%1:%2").arg(node.major).arg(node.minor) };
    if (!port.usb)
        tty << QStringLiteral("A: type=4");
    for (auto it = port.properties.begin(); it != port.properties.end(); ++it)
        tty << QStringLiteral("E: %1=%2").arg(it.key(), it.value());
    block(parent + QStringLiteral("/tty/") + port.name, tty);
    return text;
}

bool FakeMachine::plug(const Port& port)
{
    const int usbNumber = m_nextUsb++;
    // Devices that several ports share (the 8250 driver's platform device) are there once.
    QString fresh;
    for (const QString& block : description(port, usbNumber).split(QStringLiteral("\n\n"))) {
        const QString path = block.section(QLatin1Char('\n'), 0, 0);
        if (!block.isEmpty() && m_devices.insert(path).second)
            fresh += block + QStringLiteral("\n\n");
    }
    const QByteArray text = fresh.toUtf8();
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(m_testbed, text.constData(), &error)) {
        g_error_free(error);
        return false;
    }
    // The tty is the description's last device.
    QString tty;
    for (const QString& line : QString::fromUtf8(text).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("P: ")))
            tty = line.mid(3);
    m_syspaths[port.name] = QStringLiteral("/sys") + tty;
    umockdev_testbed_uevent(m_testbed, m_syspaths[port.name].toUtf8().constData(), "add");
    return true;
}

void FakeMachine::unplug(const QString& name)
{
    const auto syspath = m_syspaths.find(name);
    if (syspath == m_syspaths.end())
        return;
    // The terminal is umockdev's: put /dev/null in its place, which hangs it up
    // for the port's users and leaves umockdev a descriptor to close.
    if (const int fd = master(name); fd >= 0) {
        const QByteArray terminal = ::ptsname(fd);
        const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        ::dup2(null, fd);
        ::close(null);
        // The kernel gives the terminal's number to the next one; umockdev's
        // note of what it stood for must go with it.
        gchar* root = umockdev_testbed_get_root_dir(m_testbed);
        QFile::remove(
            QStringLiteral("%1/dev/.ptymap/%2")
                .arg(QString::fromUtf8(root),
                    QString::fromLatin1(terminal).replace(QLatin1Char('/'), QLatin1Char('_'))));
        g_free(root);
    }
    const QByteArray path = syspath->second.toUtf8();
    umockdev_testbed_uevent(m_testbed, path.constData(), "remove");
    umockdev_testbed_remove_device(m_testbed, path.constData());
    m_devices.erase(QStringLiteral("P: ") + syspath->second.mid(4));
    m_syspaths.erase(syspath);
}

int FakeMachine::master(const QString& name) const
{
    if (!m_syspaths.count(name))
        return -1;
    const QByteArray node = QStringLiteral("/dev/%1").arg(name).toUtf8();
    const int fd = umockdev_testbed_get_dev_fd(m_testbed, node.constData());
    if (fd >= 0)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

bool FakeMachine::replay(const QString& name, const QString& scriptFile)
{
    GError* error = nullptr;
    const QByteArray node = QStringLiteral("/dev/%1").arg(name).toUtf8();
    if (umockdev_testbed_load_script(
            m_testbed, node.constData(), scriptFile.toLocal8Bit().constData(), &error))
        return true;
    g_error_free(error);
    return false;
}

QByteArray FakeMachine::received(const QString& name)
{
    const int fd = master(name);
    QByteArray& bytes = m_received[name];
    char buffer[256];
    for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, n);
    return bytes;
}
