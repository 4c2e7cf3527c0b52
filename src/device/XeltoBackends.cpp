#include "XeltoBackends.h"

#include "AutoXelto.h"
#include "DemoScript.h"
#include "SimControlServer.h"
#include "SimulatedXelto.h"
#include "xeltocallerid_TLB.h"

#include <cstdio>

namespace XeltoBackends {

namespace {

std::shared_ptr<IUnknown> asUnknown(const std::shared_ptr<XeltoControl>& control)
{
    return std::static_pointer_cast<IUnknown>(std::static_pointer_cast<IXelto>(control));
}

std::shared_ptr<IUnknown> createSimulated(const Options& options, bool demo)
{
    auto control = std::make_shared<SimulatedXelto>();
    if (demo)
        new DemoScript(control.get(), control.get());
    if (!options.socketPath.isEmpty()) {
        auto* server = new SimControlServer(control.get(), control.get());
        if (server->listen(options.socketPath))
            std::fprintf(stderr, "callerid: simulated device controller at %s\n",
                qPrintable(server->path()));
    }
    if (options.onCreated)
        options.onCreated(control);
    return asUnknown(control);
}

std::vector<std::unique_ptr<DeviceCandidate>> autoCandidates()
{
    return {};
}

} // namespace

QString BackendFromEnvironment()
{
    const QString name = qEnvironmentVariable("CALLERID_DEVICE").trimmed();
    return name.isEmpty() ? QStringLiteral("auto") : name;
}

bool Register(const Options& options, QString* error)
{
    Unregister();
    const std::optional<DeviceSpec> spec = DeviceSpec::parse(options.backend, error);
    if (!spec)
        return false;
    ComFactory factory;
    switch (spec->kind) {
    case DeviceSpec::Kind::None:
        return true;
    case DeviceSpec::Kind::Demo:
    case DeviceSpec::Kind::Sim: {
        const bool demo = spec->kind == DeviceSpec::Kind::Demo;
        factory = [options, demo] { return createSimulated(options, demo); };
        break;
    }
    case DeviceSpec::Kind::Auto:
        factory = [] { return asUnknown(std::make_shared<AutoXelto>(autoCandidates())); };
        break;
    case DeviceSpec::Kind::Modem:
    case DeviceSpec::Kind::Ncid:
        if (error)
            *error = QStringLiteral("device '%1' is not available in this build")
                         .arg(spec->toString());
        return false;
    }
    ComRegistry::RegisterClass(CLASS_Xelto, QStringLiteral("XeltoCallerID.Xelto"), factory);
    return true;
}

void Unregister()
{
    ComRegistry::UnregisterClass(CLASS_Xelto);
}

} // namespace XeltoBackends
