// Start-up time of the program to its main window shown, against two Qt
// programs: one that shows an empty window, and one that shows a window with
// one label (it loads fonts as any window with text does). All are started as
// processes the same way and quit as soon as their window is shown.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>

#include <benchmark/benchmark.h>

#include <array>

#include <sys/resource.h>

namespace {

QString g_directory;

// Processor time (user and system) of the children waited for so far, in ms.
double childrenCpuMs()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Starts a program and waits until it has quit; false when it failed.
bool startAndQuit(const char* name)
{
    QProcess process;
    process.setProgram(g_directory + QLatin1Char('/') + QLatin1String(name));
    process.start();
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

// The time is the wall-clock time from start to exit. On a busy machine that
// includes waiting for a processor, so the processor time the started program
// used is reported beside it ("cpu_ms", per run).
void runProgram(benchmark::State& state, const char* name)
{
    const double cpuBefore = childrenCpuMs();
    for (auto _ : state) {
        if (!startAndQuit(name)) {
            state.SkipWithError("the program did not start and quit");
            return;
        }
    }
    state.counters["cpu_ms"]
        = benchmark::Counter(childrenCpuMs() - cpuBefore, benchmark::Counter::kAvgIterations);
}

void BM_StartupBareQt(benchmark::State& state)
{
    runProgram(state, "startup-bare");
}
void BM_StartupLabelQt(benchmark::State& state)
{
    runProgram(state, "startup-label");
}
void BM_StartupCallerIdTest(benchmark::State& state)
{
    runProgram(state, "startup-app");
}

BENCHMARK(BM_StartupBareQt)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_StartupLabelQt)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_StartupCallerIdTest)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The three in turn within each iteration, so that a machine whose load
// changes during the run weighs on all of them alike; the counters are the
// program's times as ratios to each peer's, by wall clock and by processor.
void BM_StartupRatios(benchmark::State& state)
{
    const std::array<const char*, 3> programs = { "startup-bare", "startup-label", "startup-app" };
    std::array<double, 3> wall {}, cpu {};
    for (auto _ : state) {
        for (std::size_t i = 0; i < programs.size(); ++i) {
            const double cpuBefore = childrenCpuMs();
            QElapsedTimer clock;
            clock.start();
            if (!startAndQuit(programs[i])) {
                state.SkipWithError("a program did not start and quit");
                return;
            }
            wall[i] += double(clock.nsecsElapsed()) / 1e6;
            cpu[i] += childrenCpuMs() - cpuBefore;
        }
    }
    state.counters["vs_bare"] = wall[2] / wall[0];
    state.counters["vs_label"] = wall[2] / wall[1];
    state.counters["cpu_vs_bare"] = cpu[2] / cpu[0];
    state.counters["cpu_vs_label"] = cpu[2] / cpu[1];
}
BENCHMARK(BM_StartupRatios)->Unit(benchmark::kMillisecond)->Iterations(60);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    g_directory = QCoreApplication::applicationDirPath();
    // All run on the same platform plugin: the offscreen one unless a display is chosen.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
