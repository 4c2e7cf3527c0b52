// Simple timers at scale: one shared window for 10,000 timers, the memory
// each costs, and one firing from the platform's timer event to OnTimer
// against a QTimer firing its slot from the same kind of event.

#include "Platform.h"
#include "QtMessageWindows.h"
#include "SimpleTimer.h"

#include <QApplication>
#include <QTimer>
#include <QTimerEvent>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <memory>
#include <vector>

namespace {

constexpr int TimerCount = 10000;

std::size_t heapInUse()
{
    return mallinfo2().uordblks;
}

void BM_TenThousandTimers(benchmark::State& state)
{
    QtMessageWindows windows;
    Platform::Scope scope(&windows, nullptr, nullptr);
    for (auto _ : state) {
        const std::size_t before = heapInUse();
        std::vector<std::unique_ptr<TSimpleTimer>> timers;
        timers.reserve(TimerCount);
        const std::size_t reserved = heapInUse();
        for (int i = 0; i < TimerCount; ++i)
            timers.push_back(std::make_unique<TSimpleTimer>(60000, [](TObject*) {}));
        const std::size_t created = heapInUse();
        for (auto& timer : timers)
            timer->SetEnabled(true);
        const std::size_t running = heapInUse();
        state.counters["shared_windows"] = double(TSimpleTimerHandler::Instance() ? 1 : 0);
        state.counters["bytes_per_timer"] = double(created - reserved) / TimerCount;
        state.counters["bytes_per_running_timer"] = double(running - reserved) / TimerCount;
        state.counters["vector_bytes"] = double(reserved - before);
        timers.clear();
    }
}
BENCHMARK(BM_TenThousandTimers)->Iterations(1)->Unit(benchmark::kMillisecond);

// Both sides get the event their platform timer delivers and run to an empty handler.
void BM_SimpleTimerFiring(benchmark::State& state)
{
    QtMessageWindows windows;
    Platform::Scope scope(&windows, nullptr, nullptr);
    std::vector<std::unique_ptr<TSimpleTimer>> others;
    for (int i = 0; i < TimerCount - 1; ++i) {
        others.push_back(std::make_unique<TSimpleTimer>(60000, [](TObject*) {}));
        others.back()->SetEnabled(true);
    }
    std::uint64_t fired = 0;
    TSimpleTimer timer(60000, [&fired](TObject*) { ++fired; });
    timer.SetEnabled(true);
    const HWND window = TSimpleTimerHandler::Instance()->Window();
    QObject* target = windows.WindowObject(window);
    QTimerEvent event(windows.QtTimerId(window, timer.Id()));
    for (auto _ : state)
        QCoreApplication::sendEvent(target, &event);
    if (fired != std::uint64_t(state.iterations()))
        state.SkipWithError("OnTimer did not run once per event");
}
BENCHMARK(BM_SimpleTimerFiring);

void BM_QTimerFiring(benchmark::State& state)
{
    std::uint64_t fired = 0;
    QTimer timer;
    timer.setInterval(60000);
    QObject context;
    QObject::connect(&timer, &QTimer::timeout, &context, [&fired] { ++fired; });
    timer.start();
    QTimerEvent event(timer.timerId());
    for (auto _ : state)
        QCoreApplication::sendEvent(&timer, &event);
    if (fired != std::uint64_t(state.iterations()))
        state.SkipWithError("the slot did not run once per event");
}
BENCHMARK(BM_QTimerFiring);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
