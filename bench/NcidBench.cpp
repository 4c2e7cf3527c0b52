// The program as an NCID client, against an NCID server running on a thread of
// its own in this process:
//
// 1. CidLineToPaint: from the moment the server writes a "CID:" line to its
//    socket until the call list (GridView1) has finished a paint that covers
//    the new row; median and p95 against one frame at 60 Hz.
// 2. A flood: 100,000 "CID:" lines written as fast as the server can write
//    them. Every call must be counted, the list must hold six rows, and
//    resident memory must stay within 1 MiB of its level after the first
//    1,000 calls; the time per call is the whole run's time over the calls.
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise. Exits
// with status 1 when a check of the flood fails.

#include "BenchSupport.h"
#include "Forms.h"
#include "GridView.h"
#include "Program.h"
#include "Unit1.h"
#include "XeltoBackends.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QPaintEvent>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int Calls = 300;
constexpr int WarmUpCalls = 10;
constexpr int GapMs = 25;
constexpr int GiveUpMs = 2000;
constexpr int FloodCalls = 100000;
constexpr int SettleCalls = 1000;

// The NCID server, living on its own thread: it greets its one client and
// writes call lines when asked.
class Server : public QObject
{
public:
    // Called on the server's thread.
    void listen()
    {
        m_server = new QTcpServer(this);
        m_server->listen(QHostAddress::LocalHost, 0);
        port = m_server->serverPort();
        connect(m_server, &QTcpServer::newConnection, this, [this] {
            m_client = m_server->nextPendingConnection();
            // The client's introduction is read and dropped.
            connect(m_client, &QTcpSocket::readyRead, m_client, [this] { m_client->readAll(); });
            m_client->write("200 Server: ncidd (NCID) 1.6\n251 Call log not sent\n"
                            "300 End of connection startup\n");
        });
    }

    // One call; the time it is handed to the socket is kept in written.
    void call(int n)
    {
        const QByteArray line = callLine(n % 4 + 1, n);
        written.store(Clock::now().time_since_epoch().count());
        m_client->write(line);
        m_client->flush();
    }

    void flood(int count)
    {
        for (int n = 1; n <= count; ++n) {
            m_client->write(callLine(n % 4 + 1, n));
            // Keep the socket's own buffer small: the kernel's is what carries the flood.
            if (m_client->bytesToWrite() > 64 * 1024)
                m_client->waitForBytesWritten(-1);
        }
        m_client->flush();
        while (m_client->bytesToWrite() > 0 && m_client->waitForBytesWritten(-1)) { }
    }

    std::atomic<quint16> port { 0 };
    std::atomic<Clock::rep> written { 0 };

private:
    static QByteArray callLine(int line, int n)
    {
        return QStringLiteral("CID: *DATE*12092026*TIME*1430*LINE*%1*NMBR*0212%2*MESG*NONE*"
                              "NAME*-*\n")
            .arg(line)
            .arg(n % 10000000, 7, 10, QLatin1Char('0'))
            .toLatin1();
    }

    QTcpServer* m_server = nullptr;
    QTcpSocket* m_client = nullptr;
};

Server* g_server = nullptr;
int g_callNumber = 0;

template <typename Fn> void onServer(Fn fn, Qt::ConnectionType type = Qt::QueuedConnection)
{
    QMetaObject::invokeMethod(g_server, std::move(fn), type);
}

// Runs the event loop until CONDITION holds or LIMIT ms have passed.
bool runUntil(const std::function<bool()>& condition, int limitMs)
{
    const auto start = Clock::now();
    while (!condition()) {
        if (msSince(start) > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

// One call line written by the server; the time until the paint showing it,
// or -1 when no such paint came within GiveUpMs.
double measureOneCall()
{
    auto* app = static_cast<PaintWatchApplication*>(qApp);
    TGridView* grid = Form1->GridView1;
    QEventLoop loop;
    double paintedMs = -1;
    const int expected = CallCount + 1;

    app->watched = grid;
    app->onPainted = [&](const QRegion& region) {
        if (CallCount != expected || paintedMs >= 0 || grid->RowCount() == 0)
            return;
        if (!region.intersects(grid->RowRect(grid->RowCount() - 1).ToQRect()))
            return;
        const Clock::time_point written { Clock::duration { g_server->written.load() } };
        paintedMs = std::chrono::duration<double, std::milli>(Clock::now() - written).count();
        loop.quit();
    };
    QTimer::singleShot(GapMs, &loop, [] {
        const int n = ++g_callNumber;
        onServer([n] { g_server->call(n); });
    });
    QTimer::singleShot(GapMs + GiveUpMs, &loop, &QEventLoop::quit);
    loop.exec();
    app->onPainted = nullptr;
    app->watched = nullptr;
    return paintedMs;
}

std::vector<double> g_painted;
int g_missed = 0;

void CidLineToPaint(benchmark::State& state)
{
    for (int i = 0; i < WarmUpCalls; ++i)
        measureOneCall();
    g_painted.clear();
    g_missed = 0;
    for (auto _ : state) {
        const double ms = measureOneCall();
        if (ms < 0) {
            ++g_missed;
            state.SetIterationTime(GiveUpMs / 1000.0);
            continue;
        }
        g_painted.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
    }
    state.counters["median_frames"] = percentile(g_painted, 0.5) / FrameMs;
    state.counters["p95_frames"] = percentile(g_painted, 0.95) / FrameMs;
    state.counters["missed"] = g_missed;
}
BENCHMARK(CidLineToPaint)->UseManualTime()->Iterations(Calls)->Unit(benchmark::kMicrosecond);

// The flood; returns false when a check fails.
bool flood()
{
    Form1->Listeyisil1->trigger();
    std::size_t settled = 0;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
        if (!settled && CallCount >= SettleCalls)
            settled = settledResidentBytes();
    });
    watch.start();
    const auto start = Clock::now();
    onServer([] { g_server->flood(FloodCalls); });
    const bool all = runUntil([] { return CallCount >= FloodCalls; }, 600000);
    const double totalMs = msSince(start);
    watch.stop();
    // Whatever the last calls left to paint is painted before memory is looked at.
    QCoreApplication::processEvents();
    const std::size_t after = settledResidentBytes();
    const double grownKiB = (double(after) - double(settled)) / 1024.0;
    const int rows = Form1->GridView1->RowCount();

    std::printf("\n%d CID: lines as fast as the server writes them\n", FloodCalls);
    std::printf("   calls counted              %d (%s)\n", CallCount, all ? "all" : "NOT ALL");
    std::printf("   rows in the list           %d\n", rows);
    std::printf("   time per call              %.2f us (%.0f ms in all)\n",
        totalMs * 1000.0 / FloodCalls, totalMs);
    std::printf("   resident memory            %.1f MiB after %d calls, %+.0f KiB after all\n",
        double(settled) / 1048576.0, SettleCalls, grownKiB);
    return all && rows == 6 && settled > 0 && grownKiB <= 1024.0;
}

void printLatency()
{
    if (g_painted.empty())
        return;
    const double median = percentile(g_painted, 0.5), p95 = percentile(g_painted, 0.95);
    const double max = *std::max_element(g_painted.begin(), g_painted.end());
    std::printf("\nCID: line written to painted row, %zu calls on the \"%s\" platform (%d with "
                "no paint within %d ms)\n",
        g_painted.size(), qPrintable(QGuiApplication::platformName()), g_missed, GiveUpMs);
    std::printf("   %8.3f ms median %8.3f ms p95 %8.3f ms max\n", median, p95, max);
    std::printf("   %8.4f frames   %8.4f frames %8.4f frames   (60 Hz; target < 1)\n",
        median / FrameMs, p95 / FrameMs, max / FrameMs);
}

} // namespace

int main(int argc, char** argv)
{
    useOffscreenUnlessAsked();
    PaintWatchApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    QThread serverThread;
    auto* server = new Server;
    server->moveToThread(&serverThread);
    QObject::connect(&serverThread, &QThread::finished, server, &QObject::deleteLater);
    serverThread.start();
    g_server = server;
    onServer([] { g_server->listen(); }, Qt::BlockingQueuedConnection);

    XeltoBackends::Options device;
    device.backend = QStringLiteral("ncid:127.0.0.1:%1").arg(server->port.load());
    QString error;
    if (!XeltoBackends::Register(device, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    InitializeProgram();
    Application()->MainForm()->show();
    if (!runUntil([] { return Form1->Label9->text() == QStringLiteral("Cihaz bağlı"); }, 10000)) {
        std::fprintf(stderr, "the program did not see the server as its device\n");
        return 1;
    }

    benchmark::RunSpecifiedBenchmarks();
    printLatency();
    const bool floodOk = flood();
    benchmark::Shutdown();

    delete Application();
    XeltoBackends::Unregister();
    serverThread.quit();
    serverThread.wait();
    if (!floodOk)
        std::printf("FAILED: the flood's checks\n");
    return floodOk ? 0 : 1;
}
