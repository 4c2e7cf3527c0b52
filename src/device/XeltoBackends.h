#pragma once

#include <QString>

#include <functional>
#include <memory>

class SimulatedXelto;

// Registers the control that stands behind the caller-ID class ID.
//   "demo" (the default): the simulated device plays a demo and can also be driven;
//   "sim": a quiet simulated device, driven only by the `callerid-sim` controller;
//   "none": nothing is registered (the program runs without a control).
namespace XeltoBackends {

struct Options
{
    QString backend = QStringLiteral("demo");
    // Controller socket; empty for none.
    QString socketPath;
    // Called with each control created, e.g. for tests that drive it directly.
    std::function<void(const std::shared_ptr<SimulatedXelto>&)> onCreated;
};

// The backend named by $CALLERID_DEVICE, "demo" when unset.
QString BackendFromEnvironment();

// Returns false (after saying why on standard error) for an unknown backend name.
bool Register(const Options& options);
void Unregister();

} // namespace XeltoBackends
