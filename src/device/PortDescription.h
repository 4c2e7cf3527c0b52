#pragma once

#include <QHash>
#include <QString>

// What the machine says about one serial port: its node, the driver behind
// it, the USB device and interface it belongs to (when it is a USB port) and
// the udev properties that users and other programs set on it. Plain data,
// filled from udev or sysfs and read by the port policy.
struct PortDescription
{
    QString path; // the device node, /dev/ttyACM0
    QString name; // the kernel's name, ttyACM0
    QString driver; // cdc_acm, ftdi_sio, serial8250, …; empty when unknown

    // The USB device, all empty for a port that is not on USB. IDs are four
    // lower-case hex digits, as sysfs writes them.
    QString vendorId;
    QString productId;
    QString manufacturer;
    QString product;
    QString serial;
    // The USB interface the port belongs to; -1 when unknown.
    int interfaceClass = -1;
    int interfaceSubClass = -1;
    int interfaceProtocol = -1;

    // udev properties of the port, its interface and its device that the
    // policy reads (ID_MM_*, CALLERID_*); the port's own win over its parents'.
    QHash<QString, QString> properties;

    bool operator==(const PortDescription&) const = default;

    bool isUsb() const { return !vendorId.isEmpty(); }
    // "2341:0043", or empty for a port that is not on USB.
    QString usbId() const { return isUsb() ? vendorId + QLatin1Char(':') + productId : QString(); }
    // True when the property is set to a true value ("1", "true", "yes").
    bool flag(const char* property) const
    {
        const QString value = properties.value(QLatin1String(property)).trimmed().toLower();
        return value == QLatin1String("1") || value == QLatin1String("true")
            || value == QLatin1String("yes");
    }
};
