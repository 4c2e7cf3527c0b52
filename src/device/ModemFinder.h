#pragma once

#include "DeviceFinder.h"
#include "ModemLink.h"

#include <QHash>
#include <QSet>
#include <QTimer>

class QFileSystemWatcher;

// Looks for a caller-ID modem on USB serial ports (ttyACM*, ttyUSB*; never
// ttyS* or anything else): each plugged port is probed once, and not again
// while it stays plugged and refuses; a port another program holds is left
// alone and looked at again later. Ports are re-checked every two seconds and
// whenever one appears or disappears.
class ModemFinder : public DeviceCandidate
{
    Q_OBJECT
public:
    struct Options
    {
        QString devDirectory = QStringLiteral("/dev");
        int rescanMs = 2000;
        // Settings of every probe (time-outs, extra init, opener); path and reopen are set here.
        ModemLink::Options link;
    };

    explicit ModemFinder(Options options);
    ~ModemFinder() override;

    void startSearch(Found found) override;
    void stopSearch() override;
    bool busy() const override { return !m_probes.isEmpty(); }

    // The ports a search would look at now, sorted.
    QStringList ports() const;

private:
    void scan();
    void probe(const QString& path);
    void finished(ModemLink* link);
    void dropProbes();

    Options m_options;
    Found m_found;
    QTimer m_timer;
    QFileSystemWatcher* m_watcher = nullptr;
    QHash<QString, ModemLink*> m_probes;
    // Plugged ports that refused, and ports whose refusal was logged.
    QSet<QString> m_refused;
    QHash<QString, ModemLink::OpenResult> m_logged;
};
