#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <set>

struct _UMockdevTestbed;

// A machine made up for a test with umockdev: USB and built-in serial ports
// with the sysfs attributes and udev properties real ones have, each device
// node backed by a pseudo-terminal whose other side the test holds. The
// process must run under umockdev's preload (umockdev-wrapper); its children
// see the same machine.
class FakeMachine
{
public:
    struct Usb
    {
        QString vendor; // "2341"
        QString product; // "0043"
        QString manufacturer;
        QString productName;
        QString serial;
        // The interface the port belongs to: CDC-ACM with AT commands unless said otherwise.
        int interfaceClass = 0x02;
        int interfaceSubClass = 0x02;
        int interfaceProtocol = 0x01;
    };
    struct Port
    {
        QString name; // ttyACM0, ttyUSB0, ttyS0
        QString driver; // cdc_acm, ftdi_sio, serial8250
        std::optional<Usb> usb;
        QHash<QString, QString> properties; // udev properties of the port
    };

    // The devices the tests are about.
    static Port arduinoUno(const QString& name = QStringLiteral("ttyACM0"));
    static Port voiceModem(const QString& name = QStringLiteral("ttyACM1"));
    static Port raspberryPiPico(const QString& name = QStringLiteral("ttyACM2"));
    static Port ftdiAdapter(const QString& name = QStringLiteral("ttyUSB0"));
    static Port cp210xStick(const QString& name = QStringLiteral("ttyUSB1"));
    // An external modem behind an adapter, marked for the program by a udev rule.
    static Port markedAdapter(const QString& name = QStringLiteral("ttyUSB2"));
    // A modem-like port that a udev rule keeps away from modem programs.
    static Port ignoredModem(const QString& name = QStringLiteral("ttyACM3"));
    static Port builtIn(const QString& name = QStringLiteral("ttyS0"));

    FakeMachine();
    ~FakeMachine();
    FakeMachine(const FakeMachine&) = delete;
    FakeMachine& operator=(const FakeMachine&) = delete;

    // Plugs PORT in: its devices appear and udev announces them.
    bool plug(const Port& port);
    // Pulls the port out: whoever has it open sees it hang up.
    void unplug(const QString& name);
    // The test's side of the port's terminal; -1 for an unknown port.
    int master(const QString& name) const;
    // Plays a recording of a device's side (umockdev-record -s) on the port.
    bool replay(const QString& name, const QString& scriptFile);
    // Everything written into the port so far (read from its terminal).
    QByteArray received(const QString& name);
    // umockdev's description of PORT, as umockdev-record writes it.
    static QString description(const Port& port, int usbNumber);

private:
    _UMockdevTestbed* m_testbed;
    std::map<QString, QString> m_syspaths; // port name to its tty's sysfs path
    std::map<QString, QByteArray> m_received;
    std::set<QString> m_devices;
    int m_nextUsb = 1;
};
