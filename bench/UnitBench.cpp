// An Ethernet multi-line caller-ID unit (the emulator, in this process) in
// front of the program's windows, the program listening with unit-udp:PORT on
// 127.0.0.1 and its event loop running as usual.
//
// 1. Latency: from the moment a call datagram is handed to the kernel until
//    the call list (GridView1) has finished a paint that covers the new row;
//    median and p95 against one frame at 60 Hz (target: under 0.1 frame).
//    The device's own part of it (datagram to OnCallerID, no window) is
//    measured apart.
// 2. A flood: 100,000 call datagrams as fast as the program takes them. UDP
//    has no flow control, so the emulator keeps at most a window of datagrams
//    on their way (what the kernel's receive buffer holds without dropping
//    any) and sends the next as soon as calls are counted. Every call must be
//    counted, the list must hold six rows, and resident memory must stay
//    within 1 MiB of its level after the first 1,000 calls; the time per call
//    is the whole run's time over the calls.
//
// Usage: unit_bench [LATENCY_CALLS [FLOOD_CALLS]]; offscreen unless
// QT_QPA_PLATFORM says otherwise. Exits with status 1 when a check of the flood fails.

#include "BenchSupport.h"
#include "Forms.h"
#include "GridView.h"
#include "Program.h"
#include "Unit1.h"
#include "UnitEmulator.h"
#include "UnitUdpLink.h"
#include "UnitXelto.h"
#include "XeltoBackends.h"

#include <QAction>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>
#include <QUdpSocket>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int GapMs = 25;
constexpr int GiveUpMs = 2000;
constexpr int WarmUpCalls = 10;
constexpr int SettleCalls = 1000;
// Datagrams on their way at most: far below what a default receive buffer holds.
constexpr int Window = 64;

UnitEmulator* g_unit = nullptr;

QByteArray callDatagram(int n)
{
    return g_unit->datagram(g_unit->callRecord(n % 4 + 1, true, true, 0, true, 0,
        QStringLiteral("0212%1").arg(n % 10000000, 7, 10, QLatin1Char('0')), {},
        QDateTime::currentDateTime()));
}

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

// One call datagram; the time until the paint showing it, or -1 when no such
// paint came within GiveUpMs.
double measureOneCall(int n)
{
    auto* app = static_cast<PaintWatchApplication*>(qApp);
    TGridView* grid = Form1->GridView1;
    QEventLoop loop;
    double paintedMs = -1;
    const int expected = CallCount + 1;
    const QByteArray datagram = callDatagram(n);
    Clock::time_point sent;

    app->watched = grid;
    app->onPainted = [&](const QRegion& region) {
        if (CallCount != expected || paintedMs >= 0 || grid->RowCount() == 0)
            return;
        if (!region.intersects(grid->RowRect(grid->RowCount() - 1).ToQRect()))
            return;
        paintedMs = msSince(sent);
        loop.quit();
    };
    QTimer::singleShot(GapMs, &loop, [&] {
        sent = Clock::now();
        g_unit->sendRaw(datagram);
    });
    QTimer::singleShot(GapMs + GiveUpMs, &loop, &QEventLoop::quit);
    loop.exec();
    app->onPainted = nullptr;
    app->watched = nullptr;
    return paintedMs;
}

bool latency(int calls)
{
    std::vector<double> painted;
    int missed = 0;
    for (int i = 0; i < calls + WarmUpCalls; ++i) {
        const double ms = measureOneCall(i);
        if (i < WarmUpCalls)
            continue;
        if (ms < 0)
            ++missed;
        else
            painted.push_back(ms);
    }
    const double median = percentile(painted, 0.5), p95 = percentile(painted, 0.95);
    std::printf("\nCall datagram sent to painted row, %zu calls on the \"%s\" platform (%d with no "
                "paint within %d ms)\n",
        painted.size(), qPrintable(QGuiApplication::platformName()), missed, GiveUpMs);
    std::printf("   %8.3f ms median %8.3f ms p95\n", median, p95);
    std::printf("   %8.4f frames   %8.4f frames   (60 Hz; target < 0.1)\n", median / FrameMs,
        p95 / FrameMs);
    return missed == 0 && p95 / FrameMs < 0.1;
}

// The device's own share of the latency: the same datagrams to a control of
// their own with a sink that only notes the time, no window behind it.
void deviceShare(int calls)
{
    class Sink : public IDispatch
    {
    public:
        HRESULT QueryInterface(const QUuid&, void** object) override
        {
            *object = this;
            return hr::S_OK;
        }
        HRESULT Invoke(DISPID id, DispatchKind, const QVariantList&, QVariant*) override
        {
            if (id == XeltoDispId::OnCallerID)
                raised = Clock::now();
            return hr::S_OK;
        }
        Clock::time_point raised;
    } sink;
    UnitUdpLink::Options options;
    options.port = 0;
    auto link = std::make_unique<UnitUdpLink>(options);
    UnitUdpLink* raw = link.get();
    UnitXelto control(std::move(link));
    quint32 cookie = 0;
    control.Advise(DIID_IXeltoEvents, &sink, &cookie);
    control.Start();
    UnitEmulator unit;
    unit.aim(QHostAddress::LocalHost, raw->port());
    std::vector<double> raised;
    for (int i = 0; i < calls + WarmUpCalls; ++i) {
        const QByteArray datagram = callDatagram(i);
        sink.raised = {};
        const auto sent = Clock::now();
        unit.sendRaw(datagram);
        if (!runUntil([&] { return sink.raised != Clock::time_point {}; }, GiveUpMs))
            continue;
        if (i >= WarmUpCalls)
            raised.push_back(std::chrono::duration<double, std::milli>(sink.raised - sent).count());
    }
    control.Unadvise(cookie);
    std::printf("   of which the device's part (datagram sent to OnCallerID raised, no window):\n");
    std::printf("   %8.3f ms median %8.3f ms p95   (%.4f / %.4f frames)\n", percentile(raised, 0.5),
        percentile(raised, 0.95), percentile(raised, 0.5) / FrameMs,
        percentile(raised, 0.95) / FrameMs);
}

bool flood(int calls)
{
    Form1->Listeyisil1->trigger();
    std::size_t settled = 0;
    int sent = 0, lost = 0;
    int lastCounted = 0;
    auto lastProgress = Clock::now();
    QTimer sender;
    sender.setInterval(0);
    QObject::connect(&sender, &QTimer::timeout, &sender, [&] {
        if (!settled && CallCount >= SettleCalls)
            settled = settledResidentBytes();
        if (CallCount != lastCounted) {
            lastCounted = CallCount;
            lastProgress = Clock::now();
        } else if (sent > CallCount + lost && msSince(lastProgress) > 1000) {
            // Datagrams the kernel dropped never come: count them and go on.
            lost = sent - CallCount;
            lastProgress = Clock::now();
        }
        while (sent < calls && sent - CallCount - lost < Window)
            g_unit->sendRaw(callDatagram(++sent));
    });
    const auto start = Clock::now();
    sender.start();
    const bool all = runUntil([&] { return CallCount + lost >= calls; }, 600000);
    const double totalMs = msSince(start);
    sender.stop();
    QCoreApplication::processEvents();
    const std::size_t after = settledResidentBytes();
    const double grownKiB = (double(after) - double(settled)) / 1024.0;
    const int rows = Form1->GridView1->RowCount();

    std::printf("\n%d call datagrams as fast as the program takes them (at most %d on their way)\n",
        calls, Window);
    std::printf("   calls counted              %d of %d (%s; %d lost on the way)\n", CallCount,
        calls, all && CallCount == calls ? "all" : "NOT ALL", lost);
    std::printf("   rows in the list           %d\n", rows);
    std::printf("   time per call              %.2f us (%.0f ms in all)\n",
        totalMs * 1000.0 / calls, totalMs);
    std::printf("   resident memory            %.1f MiB after %d calls, %+.0f KiB after all\n",
        double(settled) / 1048576.0, SettleCalls, grownKiB);
    return all && CallCount == calls && rows == 6 && settled > 0 && grownKiB <= 1024.0;
}

} // namespace

int main(int argc, char** argv)
{
    useOffscreenUnlessAsked();
    PaintWatchApplication app(argc, argv);
    const int latencyCalls = argc > 1 ? std::atoi(argv[1]) : 300;
    const int floodCalls = argc > 2 ? std::atoi(argv[2]) : 100000;

    quint16 port = 0;
    {
        QUdpSocket probe;
        probe.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::DontShareAddress);
        port = probe.localPort();
    }
    XeltoBackends::Options device;
    device.backend = QStringLiteral("unit-udp:%1@127.0.0.1").arg(port);
    QString error;
    if (!XeltoBackends::Register(device, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    InitializeProgram();
    Application()->MainForm()->show();

    UnitEmulator unit;
    g_unit = &unit;
    if (!unit.aim(QHostAddress::LocalHost, port, &error)) {
        std::fprintf(stderr, "the emulator cannot send: %s\n", qPrintable(error));
        return 1;
    }
    // The unit is there from its first datagram on.
    unit.detail(1, UnitEmulator::Detail::Ring);
    if (!runUntil([] { return Form1->Label9->text() == QStringLiteral("Cihaz bağlı"); }, 10000)) {
        std::fprintf(stderr, "the program did not hear the unit\n");
        return 1;
    }

    const bool fast = latency(latencyCalls);
    deviceShare(latencyCalls);
    const bool floodOk = flood(floodCalls);
    delete Application();
    XeltoBackends::Unregister();
    if (!fast)
        std::printf("NOTE: the latency target was missed (a busy machine?)\n");
    if (!floodOk)
        std::printf("FAILED: the flood's checks\n");
    return floodOk ? 0 : 1;
}
