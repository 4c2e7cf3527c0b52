#include "XeltoBackends.h"

#include "DemoScript.h"
#include "SimControlServer.h"
#include "SimulatedXelto.h"
#include "xeltocallerid_TLB.h"

#include <cstdio>

namespace XeltoBackends {

QString BackendFromEnvironment()
{
    const QString name = qEnvironmentVariable("CALLERID_DEVICE").trimmed().toLower();
    return name.isEmpty() ? QStringLiteral("demo") : name;
}

bool Register(const Options& options)
{
    const QString backend = options.backend;
    if (backend == QLatin1String("none")) {
        Unregister();
        return true;
    }
    if (backend != QLatin1String("demo") && backend != QLatin1String("sim")) {
        std::fprintf(stderr, "callerid: unknown device backend '%s' (use demo, sim or none)\n",
            qPrintable(backend));
        Unregister();
        return false;
    }
    ComRegistry::RegisterClass(CLASS_Xelto, QStringLiteral("XeltoCallerID.Xelto"), [options] {
        auto control = std::shared_ptr<SimulatedXelto>(
            new SimulatedXelto(), [](SimulatedXelto* c) { delete c; });
        if (options.backend == QLatin1String("demo"))
            new DemoScript(control.get(), control.get());
        if (!options.socketPath.isEmpty()) {
            auto* server = new SimControlServer(control.get(), control.get());
            if (server->listen(options.socketPath))
                std::fprintf(stderr, "callerid: simulated device controller at %s\n",
                    qPrintable(server->path()));
        }
        if (options.onCreated)
            options.onCreated(control);
        return std::static_pointer_cast<IUnknown>(std::static_pointer_cast<IXelto>(control));
    });
    return true;
}

void Unregister()
{
    ComRegistry::UnregisterClass(CLASS_Xelto);
}

} // namespace XeltoBackends
