#pragma once

#include <QObject>

#include <functional>
#include <memory>

class XeltoControl;

// One kind of real device that `auto` looks for (modems on USB serial ports, a
// network server, …). A candidate looks on its own schedule once started and
// hands over a ready control when a device has answered; it must never hand
// over one that is not there.
class DeviceCandidate : public QObject
{
    Q_OBJECT
public:
    using Found = std::function<void(std::unique_ptr<XeltoControl> device)>;

    // Starts or resumes looking; FOUND is called at most once per start.
    virtual void startSearch(Found found) = 0;
    // Stops looking and lets go of anything half-open. Safe to call when stopped.
    virtual void stopSearch() = 0;
    // True while the candidate is looking at something that may still answer
    // (a plugged port being probed). A later candidate's device waits for it.
    virtual bool busy() const { return false; }

signals:
    void busyChanged();
    // Something the user should know (a port another program uses, a missing permission).
    void logLine(const QString& line);
};
