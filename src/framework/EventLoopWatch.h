#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QTimer>

// How long the event loop was kept from running, for a window that feels
// slow: a precise timer ticks every 10 ms, and the time by which a tick comes
// late is time in which the window could not answer its user. Part of that
// may be the thread waiting for a processor that other programs hold (the
// kernel says how long, in /proc/thread-self/schedstat); the rest is the
// program's own doing. Once a second the worst of that second is written to
// a file: the program's own part, then the whole lateness, as
// "14:30:02 worst 3 ms (12 ms with the wait for a processor)"; when the watch
// ends, the worst of the whole run. It measures from the first turn of the
// event loop on.
class EventLoopWatch : public QObject
{
    Q_OBJECT
public:
    static constexpr int TickMs = 10;

    // Starts watching and writing to PATH, which is created or emptied.
    explicit EventLoopWatch(const QString& path, QObject* parent = nullptr);
    ~EventLoopWatch() override;

    // False when the file could not be opened; errorString() says why.
    bool isOpen() const { return m_file.isOpen(); }
    QString errorString() const { return m_file.errorString(); }
    // The worst lateness so far that was the program's own, in milliseconds.
    qint64 worstMs() const { return m_worst; }

private:
    void tick();
    void writeSecond();
    // Milliseconds this thread has waited for a processor, 0 where the kernel does not say.
    qint64 waitedForProcessorMs() const;

    QFile m_file;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastTick = -1;
    qint64 m_secondStart = 0;
    qint64 m_worstThisSecond = 0;
    qint64 m_worstWithWaitThisSecond = 0;
    qint64 m_worst = 0;
    qint64 m_worstWithWait = 0;
    qint64 m_waited = 0;
    int m_schedStat = -1;
};
