#include "EventLoopWatch.h"

#include <QTime>

#include <algorithm>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

EventLoopWatch::EventLoopWatch(const QString& path, QObject* parent)
    : QObject(parent)
    , m_file(path)
{
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return;
    m_schedStat = ::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);
    m_clock.start();
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &EventLoopWatch::tick);
    m_timer.start(TickMs);
}

EventLoopWatch::~EventLoopWatch()
{
    if (m_schedStat >= 0)
        ::close(m_schedStat);
    if (!isOpen())
        return;
    writeSecond();
    m_file.write(QStringLiteral("worst of the run: %1 ms (%2 ms with the wait for a processor)\n")
                     .arg(m_worst)
                     .arg(m_worstWithWait)
                     .toUtf8());
}

qint64 EventLoopWatch::waitedForProcessorMs() const
{
    // "time on a processor, time waiting in its run queue, slices", in nanoseconds.
    char text[128];
    const ssize_t size = m_schedStat < 0 ? -1 : ::pread(m_schedStat, text, sizeof text - 1, 0);
    if (size <= 0)
        return 0;
    text[size] = '\0';
    unsigned long long running = 0, waiting = 0;
    if (std::sscanf(text, "%llu %llu", &running, &waiting) != 2)
        return 0;
    return qint64(waiting / 1000000);
}

void EventLoopWatch::tick()
{
    const qint64 now = m_clock.elapsed();
    const qint64 waited = waitedForProcessorMs();
    if (m_lastTick < 0) {
        // The first tick comes once the event loop runs: what was done before
        // it (building the windows) is start-up, not a held-up loop.
        m_lastTick = m_secondStart = now;
        m_waited = waited;
        return;
    }
    const qint64 late = std::max<qint64>(0, now - m_lastTick - TickMs);
    const qint64 own = std::max<qint64>(0, late - (waited - m_waited));
    m_lastTick = now;
    m_waited = waited;
    m_worstThisSecond = std::max(m_worstThisSecond, own);
    m_worstWithWaitThisSecond = std::max(m_worstWithWaitThisSecond, late);
    m_worst = std::max(m_worst, own);
    m_worstWithWait = std::max(m_worstWithWait, late);
    if (now - m_secondStart >= 1000) {
        writeSecond();
        m_secondStart = now;
    }
}

void EventLoopWatch::writeSecond()
{
    m_file.write(QStringLiteral("%1 worst %2 ms (%3 ms with the wait for a processor)\n")
                     .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")))
                     .arg(m_worstThisSecond)
                     .arg(m_worstWithWaitThisSecond)
                     .toUtf8());
    m_file.flush();
    m_worstThisSecond = m_worstWithWaitThisSecond = 0;
}
