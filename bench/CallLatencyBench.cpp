// From a call to the screen: the program's windows over the quiet simulated
// device, the event loop running as usual; the device raises a call and the
// time runs until the call list (GridView1) has finished a paint that covers
// the new row. A second figure runs on to the first moment the event loop is
// idle again, after the window system has been handed the painted pixels.
// Results are reported against one frame at 60 Hz.
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise, for
// example under tools/with-desktop.sh.

#include "BenchSupport.h"
#include "Forms.h"
#include "GridView.h"
#include "Program.h"
#include "SimulatedXelto.h"
#include "Unit1.h"
#include "XeltoBackends.h"

#include <QApplication>
#include <QEventLoop>
#include <QPaintEvent>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int Calls = 300;
constexpr int WarmUpCalls = 10;
// Time between calls: long enough for every repaint of one call to be over
// before the next call comes.
constexpr int GapMs = 25;
constexpr int GiveUpMs = 2000;

std::shared_ptr<SimulatedXelto> g_device;
int g_callNumber = 0;

struct Sample
{
    double handledMs = -1;
    double paintedMs = -1;
    double idleMs = -1;
};

// One call raised from the event loop; returns when the paint showing it is
// done and the loop has come round once more, or after GiveUpMs.
Sample measureOneCall()
{
    auto* app = static_cast<PaintWatchApplication*>(qApp);
    TGridView* grid = Form1->GridView1;
    QEventLoop loop;
    Clock::time_point start, painted;
    Sample sample;
    bool waiting = false;

    app->watched = grid;
    app->onPainted = [&](const QRegion& region) {
        if (!waiting || grid->RowCount() == 0)
            return;
        if (!region.intersects(grid->RowRect(grid->RowCount() - 1).ToQRect()))
            return;
        painted = Clock::now();
        waiting = false;
        sample.paintedMs = msSince(start, painted);
        QTimer::singleShot(0, &loop, [&] {
            sample.idleMs = msSince(start);
            loop.quit();
        });
    };
    QTimer::singleShot(GapMs, &loop, [&] {
        ++g_callNumber;
        waiting = true;
        start = Clock::now();
        g_device->raiseCall(g_callNumber % 4 + 1,
            QStringLiteral("0212555%1").arg(g_callNumber % 10000, 4, 10, QLatin1Char('0')));
        sample.handledMs = msSince(start);
    });
    QTimer::singleShot(GapMs + GiveUpMs, &loop, &QEventLoop::quit);
    loop.exec();
    app->onPainted = nullptr;
    app->watched = nullptr;
    return sample;
}

struct Summary
{
    std::vector<double> handled;
    std::vector<double> painted;
    std::vector<double> idle;
    int missed = 0;
} g_summary;

void CallToPaint(benchmark::State& state)
{
    for (int i = 0; i < WarmUpCalls; ++i)
        measureOneCall();
    Summary summary;
    for (auto _ : state) {
        const Sample sample = measureOneCall();
        if (sample.paintedMs < 0) {
            ++summary.missed;
            state.SetIterationTime(GiveUpMs / 1000.0);
            continue;
        }
        summary.handled.push_back(sample.handledMs);
        summary.painted.push_back(sample.paintedMs);
        summary.idle.push_back(sample.idleMs);
        state.SetIterationTime(sample.paintedMs / 1000.0);
    }
    state.counters["median_ms"] = percentile(summary.painted, 0.5);
    state.counters["p95_ms"] = percentile(summary.painted, 0.95);
    state.counters["idle_p95_ms"] = percentile(summary.idle, 0.95);
    state.counters["missed"] = summary.missed;
    g_summary = std::move(summary);
}
BENCHMARK(CallToPaint)->UseManualTime()->Iterations(Calls)->Unit(benchmark::kMicrosecond);

void printSummary()
{
    const Summary& s = g_summary;
    if (s.painted.empty())
        return;
    std::printf("\nCall to painted row, %zu calls on the \"%s\" platform (%d with no paint "
                "within %d ms)\n",
        s.painted.size(), qPrintable(QGuiApplication::platformName()), s.missed, GiveUpMs);
    std::printf("   %-32s %9s %9s %9s\n", "", "median", "p95", "max");
    auto line = [](const char* what, const std::vector<double>& v) {
        const double median = percentile(v, 0.5), p95 = percentile(v, 0.95);
        const double max = *std::max_element(v.begin(), v.end());
        std::printf("   %-32s %8.3f ms %6.3f ms %6.3f ms\n", what, median, p95, max);
        std::printf("   %-32s %9.4f %9.4f %9.4f\n", "  in 60 Hz frames (target < 1)",
            median / FrameMs, p95 / FrameMs, max / FrameMs);
    };
    line("call handler returned", s.handled);
    line("paint of the new row finished", s.painted);
    line("event loop idle again", s.idle);
}

} // namespace

int main(int argc, char** argv)
{
    useOffscreenUnlessAsked();
    PaintWatchApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    XeltoBackends::Options device;
    device.backend = QStringLiteral("sim");
    device.onCreated = [](const std::shared_ptr<SimulatedXelto>& c) { g_device = c; };
    if (!XeltoBackends::Register(device))
        return 1;
    InitializeProgram();
    if (!g_device || !Form1) {
        std::fprintf(stderr, "the main window or its device was not created\n");
        return 1;
    }
    // As the message loop starts: the main form shown, then the device plugged in.
    Application()->MainForm()->show();
    g_device->attach(QStringLiteral("RT4052"), QStringLiteral("123456"));
    QEventLoop settle;
    QTimer::singleShot(700, &settle, &QEventLoop::quit);
    settle.exec();

    benchmark::RunSpecifiedBenchmarks();
    printSummary();
    benchmark::Shutdown();

    delete Application();
    g_device.reset();
    XeltoBackends::Unregister();
    return 0;
}
