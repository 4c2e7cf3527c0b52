// Start-up time of the program to its main window shown, against a bare Qt
// program that shows one empty window, both started as processes the same way.
#include <QCoreApplication>
#include <QProcess>
#include <QString>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

QString g_directory;

void runProgram(benchmark::State& state, const char* name)
{
    const QString program = g_directory + QLatin1Char('/') + QLatin1String(name);
    for (auto _ : state) {
        QProcess process;
        process.setProgram(program);
        process.start();
        if (!process.waitForFinished(30000) || process.exitCode() != 0) {
            state.SkipWithError("the program did not start and quit");
            return;
        }
    }
}

void BM_StartupBareQt(benchmark::State& state) { runProgram(state, "startup-bare"); }
void BM_StartupCallerIdTest(benchmark::State& state) { runProgram(state, "startup-app"); }

BENCHMARK(BM_StartupBareQt)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_StartupCallerIdTest)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    g_directory = QCoreApplication::applicationDirPath();
    // Both run on the same platform plugin: the offscreen one unless a display is chosen.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
