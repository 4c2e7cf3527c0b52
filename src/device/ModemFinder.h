#pragma once

#include "DeviceFinder.h"
#include "DeviceTimer.h"
#include "ModemLink.h"
#include "PortPolicy.h"

#include <map>
#include <memory>
#include <vector>

class SerialPorts;
class UnitLink;

// Looks for a caller-ID modem on the machine's serial ports, as udev reports
// them while they come and go; a port the user marked for the program that does
// not answer AT commands is asked whether a multi-line caller-ID unit is
// behind it. Only ports the port policy allows are opened,
// a few at a time; a port another program uses is left until it is free. A
// port that gave no answer is tried again later and less often, a modem that
// refuses caller ID is not tried again until it is plugged in again, and the
// log says once when serial ports are there but none may be probed.
class ModemFinder : public DeviceCandidate
{
    Q_OBJECT
public:
    struct Options
    {
        // Settings of every probe (time-outs, extra init); path and reopen are set here.
        ModemLink::Options link;
        // Time-outs of the unit's handshake on a marked port; path and reopen are set here.
        int unitAnswerTimeoutMs = 1000;
        // Probes at once: each holds a descriptor, a lock and a port's attention.
        int maxProbes = 4;
        // Waits before a port that gave no answer is probed again; the last one repeats.
        std::vector<int> silentRetryMs { 30 * 1000, 2 * 60 * 1000, 10 * 60 * 1000 };
        // The wait before a port another program holds is looked at again.
        int heldRetryMs = 5000;
        DeviceTimerFactory timers = MakeQtDeviceTimer;
    };

    explicit ModemFinder(Options options);
    ~ModemFinder() override;

    void startSearch(Found found) override;
    void stopSearch() override;
    bool busy() const override;

    // Every serial port with what a search does with it and why, one line
    // each, as `--list-ports` prints them.
    static QString listing(const QList<PortDescription>& ports);

private:
    enum class State {
        Skipped, // the policy leaves it alone
        Ready, // to be probed as soon as a probe is free
        Probing,
        Waiting, // probed again when its timer runs out
        NoCallerId, // a modem without caller ID: not again until replugged
        Unreachable, // no permission: not again until replugged
        Found, // stands behind the control
    };
    struct Port
    {
        PortDescription description;
        PortPolicy::Decision decision;
        State state = State::Skipped;
        ModemLink* link = nullptr;
        UnitLink* unitLink = nullptr;
        int silences = 0;
        std::unique_ptr<DeviceTimer> retry;
        QString lastLogged;
    };

    void portsChanged();
    void schedule();
    void probe(Port& port);
    void finished(ModemLink* link);
    void probeUnit(Port& port);
    void unitFinished(UnitLink* link);
    void silent(Port& port);
    void handOver(Port& port, std::unique_ptr<XeltoControl> device);
    void wait(Port& port, int milliseconds);
    void log(Port& port, const QString& line);
    void dropProbe(Port& port);
    void sayWhenNothingMayBeProbed();
    void updateBusy();

    Options m_options;
    Found m_found;
    SerialPorts* m_ports = nullptr;
    std::map<QString, Port> m_table;
    QString m_nothingToProbeSaid;
    bool m_wasBusy = false;
};
