#include "SerialPorts.h"

#include "PortUsers.h"

#include <QDir>
#include <QFileSystemWatcher>
#include <QSocketNotifier>

#include <libudev.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <unistd.h>

namespace {

// The properties the port policy reads.
const char* const kPolicyProperties[] = { "ID_MM_DEVICE_IGNORE", "ID_MM_PORT_IGNORE",
    "ID_MM_DEVICE_PROCESS", "CALLERID_IGNORE", "CALLERID_MODEM" };

// A port's events come in a burst (the tty, its interface, its device): one rescan after it.
constexpr int kSettleMs = 50;
// Without udev the device node appears before the kernel has finished with sysfs.
constexpr int kSettleWithoutUdevMs = 250;

struct UdevDeleter
{
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <typename T> using UdevPtr = std::unique_ptr<T, UdevDeleter>;

QString text(const char* value)
{
    return value ? QString::fromUtf8(value).trimmed() : QString();
}

QString attribute(udev_device* device, const char* name)
{
    return device ? text(udev_device_get_sysattr_value(device, name)) : QString();
}

int hexAttribute(udev_device* device, const char* name)
{
    bool ok = false;
    const int value = attribute(device, name).toInt(&ok, 16);
    return ok ? value : -1;
}

QString driverOf(udev_device* device)
{
    QString driver = text(udev_device_get_driver(device));
    if (driver.isEmpty())
        driver = text(udev_device_get_property_value(device, "DRIVER"));
    return driver;
}

// The port behind DEVICE, or nullopt for a tty that is no serial port.
std::optional<PortDescription> describeDevice(udev_device* device)
{
    const char* node = udev_device_get_devnode(device);
    udev_device* parent = udev_device_get_parent(device);
    // Virtual consoles, pseudo-terminals and the like have no device behind them.
    if (!node || !parent)
        return std::nullopt;
    PortDescription port;
    port.path = text(node);
    port.name = text(udev_device_get_sysname(device));
    // The 8250 driver registers ports that have no UART: type 0.
    if (port.name.startsWith(QLatin1String("ttyS")) && attribute(device, "type") == u"0")
        return std::nullopt;

    // One walk up the parents finds the nearest driver (the USB serial
    // converter's, cdc_acm on the interface, serial8250…) and the USB interface and device.
    udev_device* usbInterface = nullptr;
    udev_device* usbDevice = nullptr;
    for (udev_device* d = parent; d && !usbDevice; d = udev_device_get_parent(d)) {
        const char* subsystem = udev_device_get_subsystem(d);
        const bool usb = qstrcmp(subsystem, "usb") == 0;
        if (usb) {
            const char* type = udev_device_get_devtype(d);
            if (qstrcmp(type, "usb_interface") == 0)
                usbInterface = d;
            else if (qstrcmp(type, "usb_device") == 0)
                usbDevice = d;
        }
        if (port.driver.isEmpty() && !usbDevice)
            port.driver = driverOf(d);
        // Nothing above a built-in port's driver says more about it.
        if (!port.driver.isEmpty() && !usb && qstrcmp(subsystem, "usb-serial") != 0)
            break;
    }
    if (usbDevice) {
        port.vendorId = attribute(usbDevice, "idVendor").toLower();
        port.productId = attribute(usbDevice, "idProduct").toLower();
        port.manufacturer = attribute(usbDevice, "manufacturer");
        port.product = attribute(usbDevice, "product");
        port.serial = attribute(usbDevice, "serial");
    }
    if (usbInterface) {
        port.interfaceClass = hexAttribute(usbInterface, "bInterfaceClass");
        port.interfaceSubClass = hexAttribute(usbInterface, "bInterfaceSubClass");
        port.interfaceProtocol = hexAttribute(usbInterface, "bInterfaceProtocol");
    }
    for (udev_device* d : { device, usbInterface, usbDevice }) {
        if (!d)
            continue;
        for (const char* property : kPolicyProperties) {
            const QString key = QLatin1String(property);
            if (!port.properties.contains(key))
                if (const char* value = udev_device_get_property_value(d, property))
                    port.properties.insert(key, text(value));
        }
    }
    return port;
}

QList<PortDescription> scanWith(udev* context)
{
    // The class folder, read directly: libudev's enumeration reads every tty's
    // files first, and nearly all ttys are consoles and pseudo-terminals.
    QList<PortDescription> ports;
    DIR* ttys = ::opendir("/sys/class/tty");
    if (!ttys)
        return ports;
    const bool udevDatabase = SerialPorts::udevRunning();
    while (const dirent* entry = ::readdir(ttys)) {
        if (entry->d_name[0] == '.')
            continue;
        char target[PATH_MAX];
        const QByteArray link = QByteArrayLiteral("/sys/class/tty/") + entry->d_name;
        const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
        if (n > 0 && QByteArrayView(target, n).contains("/devices/virtual/"))
            continue;
        UdevPtr<udev_device> device(
            udev_device_new_from_subsystem_sysname(context, "tty", entry->d_name));
        // A port udev is still working on comes again with its event, rules applied.
        if (!device || (udevDatabase && !udev_device_get_is_initialized(device.get())))
            continue;
        if (std::optional<PortDescription> port = describeDevice(device.get()))
            ports.append(std::move(*port));
    }
    ::closedir(ttys);
    std::sort(ports.begin(), ports.end(),
        [](const PortDescription& a, const PortDescription& b) { return a.path < b.path; });
    return ports;
}

} // namespace

SerialPorts::SerialPorts(QObject* parent)
    : QObject(parent)
{
    m_settle.setSingleShot(true);
    connect(&m_settle, &QTimer::timeout, this, &SerialPorts::rescan);
}

SerialPorts::~SerialPorts()
{
    delete m_notifier;
    if (m_monitor)
        udev_monitor_unref(m_monitor);
    if (m_udev)
        udev_unref(m_udev);
}

bool SerialPorts::udevRunning()
{
    return ::access("/run/udev/control", F_OK) == 0;
}

QList<PortDescription> SerialPorts::scan()
{
    UdevPtr<udev> context(udev_new());
    return context ? scanWith(context.get()) : QList<PortDescription>();
}

std::optional<PortDescription> SerialPorts::describe(const QString& path)
{
    const QString node = PortUsers::resolvedPath(path);
    for (PortDescription& port : scan())
        if (port.path == path || PortUsers::resolvedPath(port.path) == node)
            return std::move(port);
    return std::nullopt;
}

QString SerialPorts::byIdName(const QString& path)
{
    const QString node = PortUsers::resolvedPath(path);
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link :
        byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        if (PortUsers::resolvedPath(link.filePath()) == node)
            return link.fileName();
    return {};
}

void SerialPorts::watch()
{
    if (m_watching)
        return;
    m_watching = true;
    m_udev = udev_new();
    if (m_udev) {
        // The monitor costs nothing while nothing is plugged in or out.
        m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
        if (m_monitor
            && udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "tty", nullptr) >= 0
            && udev_monitor_enable_receiving(m_monitor) >= 0) {
            m_notifier
                = new QSocketNotifier(udev_monitor_get_fd(m_monitor), QSocketNotifier::Read, this);
            connect(m_notifier, &QSocketNotifier::activated, this, &SerialPorts::onMonitorReadable);
        }
    }
    if (!udevRunning()) {
        std::fprintf(stderr,
            "callerid-test: udev is not running here; serial ports are followed by watching "
            "/dev and described from sysfs\n");
        m_devWatcher = new QFileSystemWatcher(this);
        m_devWatcher->addPath(QStringLiteral("/dev"));
        connect(m_devWatcher, &QFileSystemWatcher::directoryChanged, this,
            [this] { m_settle.start(kSettleWithoutUdevMs); });
    }
    m_ports = m_udev ? scanWith(m_udev) : QList<PortDescription>();
}

void SerialPorts::onMonitorReadable()
{
    // Every waiting event is read, or the notifier fires again at once.
    while (udev_device* device = udev_monitor_receive_device(m_monitor))
        udev_device_unref(device);
    m_settle.start(kSettleMs);
}

void SerialPorts::rescan()
{
    QList<PortDescription> ports = m_udev ? scanWith(m_udev) : QList<PortDescription>();
    if (ports == m_ports)
        return;
    m_ports = std::move(ports);
    emit changed();
}
