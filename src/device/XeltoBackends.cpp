#include "XeltoBackends.h"

#include "AutoXelto.h"
#include "DemoScript.h"
#include "ModemFinder.h"
#include "ModemXelto.h"
#include "NcidXelto.h"
#include "SimControlServer.h"
#include "SimulatedXelto.h"
#include "UnitLink.h"
#include "UnitXelto.h"
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

std::unique_ptr<DeviceCandidate> modemFinder(const Options& options)
{
    ModemFinder::Options finder;
    finder.link = options.modem;
    return std::make_unique<ModemFinder>(finder);
}

std::vector<std::unique_ptr<DeviceCandidate>> autoCandidates(const Options& options)
{
    std::vector<std::unique_ptr<DeviceCandidate>> candidates;
    candidates.push_back(modemFinder(options));
    // Only this machine's own NCID server: nothing else on the network is probed.
    candidates.push_back(std::make_unique<NcidCandidate>());
    // Ethernet units' datagrams: heard on UDP 3520, nothing is sent.
    candidates.push_back(std::make_unique<UnitCandidate>());
    return candidates;
}

} // namespace

QString BackendFromEnvironment()
{
    const QString name = qEnvironmentVariable("CALLERID_DEVICE").trimmed();
    return name.isEmpty() ? QStringLiteral("auto") : name;
}

ModemLink::Options ModemOptionsFromEnvironment()
{
    ModemLink::Options options;
    options.extraInit = qEnvironmentVariable("CALLERID_MODEM_INIT").trimmed();
    return options;
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
        factory
            = [options] { return asUnknown(std::make_shared<AutoXelto>(autoCandidates(options))); };
        break;
    case DeviceSpec::Kind::Modem:
        if (spec->path.isEmpty()) {
            factory = [options] {
                std::vector<std::unique_ptr<DeviceCandidate>> candidates;
                candidates.push_back(modemFinder(options));
                return asUnknown(std::make_shared<AutoXelto>(std::move(candidates)));
            };
        } else {
            factory = [options, path = spec->path] {
                ModemLink::Options link = options.modem;
                link.path = path;
                link.reopen = true;
                return asUnknown(std::make_shared<ModemXelto>(new ModemLink(link)));
            };
        }
        break;
    case DeviceSpec::Kind::Ncid:
        factory = [host = spec->host, port = spec->port] {
            return asUnknown(std::make_shared<NcidXelto>(std::make_unique<NcidLink>(host, port)));
        };
        break;
    case DeviceSpec::Kind::Unit:
        factory = [path = spec->path] {
            UnitLink::Options link;
            link.path = path;
            return asUnknown(std::make_shared<UnitXelto>(std::make_unique<UnitLink>(link)));
        };
        break;
    case DeviceSpec::Kind::UnitUdp:
        factory = [host = spec->host, port = spec->port] {
            UnitUdpLink::Options link;
            link.port = port;
            link.from = host.isEmpty() ? QHostAddress() : QHostAddress(host);
            return asUnknown(std::make_shared<UnitXelto>(std::make_unique<UnitUdpLink>(link)));
        };
        break;
    }
    ComRegistry::RegisterClass(CLASS_Xelto, QStringLiteral("XeltoCallerID.Xelto"), factory);
    return true;
}

void Unregister()
{
    ComRegistry::UnregisterClass(CLASS_Xelto);
}

} // namespace XeltoBackends
