#pragma once

#include "DeviceSpec.h"

#include <QString>

#include <functional>
#include <memory>

class SimulatedXelto;

// Registers the control that stands behind the caller-ID class ID for a device
// spec (see DeviceSpec):
//   "auto" (the default): real devices, found when they answer;
//   "modem[:PATH]": a caller-ID modem;
//   "demo": the simulated device plays a demo and can also be driven;
//   "sim": a quiet simulated device, driven only by the `callerid-sim` controller;
//   "none": nothing is registered (the program runs without a control).
namespace XeltoBackends {

struct Options
{
    // The device spec's text.
    QString backend = QStringLiteral("auto");
    // Controller socket of the simulated device; empty for none.
    QString socketPath;
    // Called with each simulated control created, e.g. for tests that drive it directly.
    std::function<void(const std::shared_ptr<SimulatedXelto>&)> onCreated;
};

// The spec named by $CALLERID_DEVICE, "auto" when unset or empty.
QString BackendFromEnvironment();

// Registers the control for OPTIONS. Returns false, with a one-line reason in
// *error, for a spec that names no device or one this build cannot reach;
// nothing is registered then.
bool Register(const Options& options, QString* error = nullptr);
void Unregister();

} // namespace XeltoBackends
