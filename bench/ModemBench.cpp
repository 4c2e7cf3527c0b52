// A caller-ID modem on a pseudo-terminal (the emulator, in this process) in
// front of the program's windows, the event loop running as usual.
//
// Latency: from the last byte of a caller-ID block written to the terminal to
// the end of the call list's paint that covers the new row, for formatted
// blocks with every tag (complete at their last line), formatted blocks
// without a name (complete only after the quiet time that lets a modem pace
// its lines: the worst case), and raw packets (complete at their line's end).
// The wait for the block is reported separately. Figures against one frame at
// 60 Hz.
//
// Memory: resident size before and after 10,000 calls (raw packets, so that no
// quiet time stretches the run) through the modem.
//
// Usage: modem_bench [CALLS_PER_KIND [SOAK_CALLS]]; offscreen unless
// QT_QPA_PLATFORM says otherwise.

#include "BenchSupport.h"
#include "Forms.h"
#include "GridView.h"
#include "ModemEmulator.h"
#include "ModemLink.h"
#include "ModemXelto.h"
#include "Program.h"
#include "Unit1.h"
#include "xeltocallerid_TLB.h"

#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int GiveUpMs = 3000;
// Between measured calls: more than a frame.
constexpr int GapMs = 25;

ModemEmulator* g_modem = nullptr;
ModemXelto* g_control = nullptr;

struct Sample
{
    double waitMs = -1; // last byte written to the call raised
    double paintMs = -1; // call raised to the row painted
};

Sample measureOneCall(const QByteArray& block, bool watchPaint)
{
    auto* app = static_cast<PaintWatchApplication*>(qApp);
    TGridView* grid = Form1->GridView1;
    QEventLoop loop;
    Sample sample;
    Clock::time_point written, raised;
    bool waiting = false;
    QMetaObject::Connection sent = QObject::connect(g_modem, &ModemEmulator::sent, &loop, [&] {
        written = Clock::now();
        waiting = true;
    });
    QMetaObject::Connection call
        = QObject::connect(g_control->link(), &ModemLink::call, &loop, [&](const CallerIdBlock&) {
              raised = Clock::now();
              sample.waitMs = msSince(written, raised);
              if (!watchPaint)
                  QTimer::singleShot(0, &loop, &QEventLoop::quit);
          });
    app->watched = grid;
    app->onPainted = [&](const QRegion& region) {
        if (!waiting || sample.waitMs < 0 || grid->RowCount() == 0)
            return;
        if (!region.intersects(grid->RowRect(grid->RowCount() - 1).ToQRect()))
            return;
        sample.paintMs = msSince(raised);
        waiting = false;
        QTimer::singleShot(0, &loop, &QEventLoop::quit);
    };
    // A measured call comes to a window that has settled, as a call does: one
    // that comes within a frame of the last paint waits for the frame's end.
    QTimer gap;
    gap.setSingleShot(true);
    QObject::connect(&gap, &QTimer::timeout, &loop, [&] { g_modem->send(block); });
    if (watchPaint)
        gap.start(GapMs);
    else
        g_modem->send(block);
    // A timer that goes with this call: a single shot would live on for its
    // three seconds, and thousands of them would count as the program's memory.
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);
    giveUp.start((watchPaint ? GapMs : 0) + GiveUpMs);
    loop.exec();
    app->onPainted = nullptr;
    app->watched = nullptr;
    QObject::disconnect(sent);
    QObject::disconnect(call);
    return sample;
}

void report(const char* what, const std::vector<double>& v)
{
    const double median = percentile(v, 0.5), p95 = percentile(v, 0.95);
    const double max = v.empty() ? 0 : *std::max_element(v.begin(), v.end());
    std::printf("   %-40s %8.3f ms %8.3f ms %8.3f ms   (%.4f / %.4f frames)\n", what, median, p95,
        max, median / FrameMs, p95 / FrameMs);
}

enum class Kind { Formatted, FormattedWithoutName, Raw };

QByteArray block(Kind kind, int i)
{
    const QString number = QStringLiteral("0212555%1").arg(i % 10000, 4, 10, QLatin1Char('0'));
    const QDateTime now = QDateTime::currentDateTime();
    switch (kind) {
    case Kind::Formatted:
        return ModemEmulator::formattedBlock(number, QStringLiteral("ARAYAN"), now);
    case Kind::FormattedWithoutName:
        return ModemEmulator::formattedBlock(number, {}, now);
    case Kind::Raw:
        break;
    }
    return ModemEmulator::rawPacket(number, QStringLiteral("ARAYAN"), now);
}

void latency(Kind kind, int calls)
{
    std::vector<double> wait, paint, total;
    int missed = 0;
    for (int i = 0; i < calls + 10; ++i) {
        const Sample s = measureOneCall(block(kind, i), true);
        if (i < 10)
            continue; // warm-up
        if (s.paintMs < 0) {
            ++missed;
            continue;
        }
        wait.push_back(s.waitMs);
        paint.push_back(s.paintMs);
        total.push_back(s.waitMs + s.paintMs);
    }
    const char* names[] = { "Formatted (every tag)", "Formatted without a name", "Raw MDMF" };
    std::printf("\n%s blocks, %zu calls (%d without a paint within %d ms)      median        p95"
                "        max\n",
        names[int(kind)], paint.size(), missed, GiveUpMs);
    report("last byte to call raised (block wait)", wait);
    report("call raised to row painted", paint);
    report("last byte to row painted", total);
}

void soak(int calls)
{
    for (int i = 0; i < 500; ++i)
        measureOneCall(block(Kind::Raw, i), false);
    const long before = long(settledResidentBytes() / 1024);
    int raised = 0;
    const auto start = Clock::now();
    for (int i = 0; i < calls; ++i)
        raised += measureOneCall(block(Kind::Raw, i), false).waitMs >= 0;
    const long after = long(settledResidentBytes() / 1024);
    std::printf("\nMemory: %d of %d calls through the modem in %.1f s; resident %ld KiB before, "
                "%ld KiB after: %+ld KiB (target within 1024)\n",
        raised, calls, msSince(start) / 1000, before, after, after - before);
}

} // namespace

int main(int argc, char** argv)
{
    useOffscreenUnlessAsked();
    PaintWatchApplication app(argc, argv);
    const int calls = argc > 1 ? std::atoi(argv[1]) : 200;
    const int soakCalls = argc > 2 ? std::atoi(argv[2]) : 10000;

    QTemporaryDir dir;
    ModemEmulator modem;
    g_modem = &modem;
    const QString path = dir.filePath(QStringLiteral("modem"));
    if (!modem.plug(path))
        return 1;
    ComRegistry::RegisterClass(CLASS_Xelto, QStringLiteral("XeltoCallerID.Xelto"), [path] {
        ModemLink::Options options;
        options.path = path;
        auto control = std::make_shared<ModemXelto>(new ModemLink(options));
        g_control = control.get();
        return std::static_pointer_cast<IUnknown>(std::static_pointer_cast<IXelto>(control));
    });
    InitializeProgram();
    Application()->MainForm()->show();
    QEventLoop settle;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &settle, [&] {
        if (g_control && g_control->devicePresent()
            && Form1->Label9->text() != QStringLiteral("--"))
            settle.quit();
    });
    poll.start(20);
    QTimer::singleShot(10000, &settle, &QEventLoop::quit);
    settle.exec();
    if (!g_control || !g_control->devicePresent()) {
        std::fprintf(stderr, "the modem was not initialised\n");
        return 1;
    }
    std::printf("Modem call latency on the \"%s\" platform; one 60 Hz frame is %.3f ms\n",
        qPrintable(QGuiApplication::platformName()), FrameMs);
    latency(Kind::Formatted, calls);
    latency(Kind::FormattedWithoutName, calls / 4);
    latency(Kind::Raw, calls);
    if (soakCalls > 0)
        soak(soakCalls);
    delete Application();
    return 0;
}
