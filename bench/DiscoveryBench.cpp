// What `auto` spends on deciding which serial ports it may open, on a machine
// faked by umockdev with 200 built-in ports and a handful of USB ones: the scan
// of udev (every tty, its parents and their attributes) and the port policy
// over the descriptions, separately and together. Runs under umockdev-wrapper.

#include "FakeMachine.h"
#include "PortPolicy.h"
#include "SerialPorts.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

constexpr int BuiltInPorts = 196;

void Scan(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(SerialPorts::scan());
    state.counters["ports"] = double(SerialPorts::scan().size());
}
BENCHMARK(Scan)->Unit(benchmark::kMillisecond);

void Decide(benchmark::State& state)
{
    const QList<PortDescription> ports = SerialPorts::scan();
    for (auto _ : state)
        for (const PortDescription& port : ports)
            benchmark::DoNotOptimize(PortPolicy::decide(port));
    state.counters["ports"] = double(ports.size());
}
BENCHMARK(Decide)->Unit(benchmark::kMicrosecond);

void ScanAndDecide(benchmark::State& state)
{
    for (auto _ : state)
        for (const PortDescription& port : SerialPorts::scan())
            benchmark::DoNotOptimize(PortPolicy::decide(port));
}
BENCHMARK(ScanAndDecide)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    FakeMachine machine;
    for (const FakeMachine::Port& port : { FakeMachine::arduinoUno(), FakeMachine::voiceModem(),
             FakeMachine::ftdiAdapter(), FakeMachine::markedAdapter() })
        machine.plug(port);
    for (int i = 0; i < BuiltInPorts; ++i)
        machine.plug(FakeMachine::builtIn(QStringLiteral("ttyS%1").arg(i)));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
