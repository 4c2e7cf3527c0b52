#pragma once

#include <QObject>

#include <functional>
#include <memory>

// A restartable one-shot timer for device links. Links take a factory for
// them, so that a test can hand in timers on a clock it advances itself
// instead of waiting for real seconds to pass.
class DeviceTimer
{
public:
    virtual ~DeviceTimer() = default;
    virtual void start(int milliseconds) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    // The time of the latest start.
    virtual int interval() const = 0;

    // Runs once per expiry, on the thread of the timer's context.
    std::function<void()> onTimeout;
};

// Makes a timer whose expiries are delivered for the given context object.
using DeviceTimerFactory = std::function<std::unique_ptr<DeviceTimer>(QObject* context)>;

// Timers on Qt's event loop.
std::unique_ptr<DeviceTimer> MakeQtDeviceTimer(QObject* context);
