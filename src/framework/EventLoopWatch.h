#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QTimer>

// How long the event loop was kept from running, for a window that feels
// slow: a precise timer ticks every 10 ms, and the time by which a tick comes
// late is time in which the window could not answer its user. Once a second
// the worst lateness of that second is written to a file (with the time of
// day), and when the watch ends, the worst of the whole run. It measures from
// the first turn of the event loop on.
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
    // The worst lateness so far, in milliseconds.
    qint64 worstMs() const { return m_worst; }

private:
    void tick();
    void writeSecond();

    QFile m_file;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastTick = -1;
    qint64 m_secondStart = 0;
    qint64 m_worstThisSecond = 0;
    qint64 m_worst = 0;
};
