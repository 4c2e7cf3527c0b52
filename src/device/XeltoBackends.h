#pragma once

#include "DeviceSpec.h"
#include "ModemLink.h"

#include <QString>

#include <functional>
#include <memory>

class SimulatedXelto;

// Registers the control that stands behind the caller-ID class ID for a device
// spec (see DeviceSpec):
//   "auto" (the default): real devices, found when they answer;
//   "modem": a caller-ID modem on a USB serial port, found when it answers;
//   "modem:PATH": a caller-ID modem on PATH, reopened whenever it returns;
//   "ncid[:HOST[:PORT]]": an NCID server's calls;
//   "unit:PATH": a multi-line caller-ID unit on PATH, reopened whenever it returns;
//   "unit-udp[:PORT[@ADDRESS]]": Ethernet multi-line units heard on UDP PORT;
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
    // Settings of modem links (time-outs, a test's opener); the path is set from the spec.
    ModemLink::Options modem;
    // Called with each simulated control created, e.g. for tests that drive it directly.
    std::function<void(const std::shared_ptr<SimulatedXelto>&)> onCreated;
};

// The spec named by $CALLERID_DEVICE, "auto" when unset or empty.
QString BackendFromEnvironment();
// Modem settings from the environment: $CALLERID_MODEM_INIT, sent after the reset.
ModemLink::Options ModemOptionsFromEnvironment();

// Registers the control for OPTIONS. Returns false, with a one-line reason in
// *error, for a spec that names no device or one this build cannot reach;
// nothing is registered then.
bool Register(const Options& options, QString* error = nullptr);
void Unregister();

} // namespace XeltoBackends
