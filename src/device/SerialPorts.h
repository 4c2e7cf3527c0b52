#pragma once

#include "PortDescription.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <optional>

class QFileSystemWatcher;
class QSocketNotifier;
struct udev;
struct udev_monitor;

// The machine's serial ports as udev knows them, and a watch on ports that
// come and go. Ports are described from udev's database where the udev daemon
// runs; without it (a container) the same descriptions come from sysfs alone
// and the device folder is watched instead of udev's events, which is said
// once on standard error. Virtual consoles and built-in ports without a UART
// behind them are not serial ports and are left out.
class SerialPorts : public QObject
{
    Q_OBJECT
public:
    explicit SerialPorts(QObject* parent = nullptr);
    ~SerialPorts() override;

    // The ports there are now, sorted by path.
    static QList<PortDescription> scan();
    // The port whose device node PATH is (links followed), if it is one.
    static std::optional<PortDescription> describe(const QString& path);
    // The stable /dev/serial/by-id name udev made for the port behind PATH, if any.
    static QString byIdName(const QString& path);
    // Whether a udev daemon keeps the database and sends events.
    static bool udevRunning();

    // Starts following ports; ports() is current from here on.
    void watch();
    bool watching() const { return m_watching; }
    const QList<PortDescription>& ports() const { return m_ports; }

signals:
    // Ports came, went or changed their properties.
    void changed();

private:
    void onMonitorReadable();
    void rescan();

    struct udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    QFileSystemWatcher* m_devWatcher = nullptr;
    // Gathers a burst of events (a device brings several) into one rescan.
    QTimer m_settle;
    QList<PortDescription> m_ports;
    bool m_watching = false;
};
