#include "EventLoopWatch.h"

#include <QTime>

#include <algorithm>

EventLoopWatch::EventLoopWatch(const QString& path, QObject* parent)
    : QObject(parent)
    , m_file(path)
{
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return;
    m_clock.start();
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &EventLoopWatch::tick);
    m_timer.start(TickMs);
}

EventLoopWatch::~EventLoopWatch()
{
    if (!isOpen())
        return;
    writeSecond();
    m_file.write(QStringLiteral("worst of the run: %1 ms\n").arg(m_worst).toUtf8());
}

void EventLoopWatch::tick()
{
    const qint64 now = m_clock.elapsed();
    if (m_lastTick < 0) {
        // The first tick comes once the event loop runs: what was done before
        // it (building the windows) is start-up, not a held-up loop.
        m_lastTick = m_secondStart = now;
        return;
    }
    const qint64 late = std::max<qint64>(0, now - m_lastTick - TickMs);
    m_lastTick = now;
    m_worstThisSecond = std::max(m_worstThisSecond, late);
    m_worst = std::max(m_worst, late);
    if (now - m_secondStart >= 1000) {
        writeSecond();
        m_secondStart = now;
    }
}

void EventLoopWatch::writeSecond()
{
    m_file.write(QStringLiteral("%1 worst %2 ms\n")
                     .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")))
                     .arg(m_worstThisSecond)
                     .toUtf8());
    m_file.flush();
    m_worstThisSecond = 0;
}
