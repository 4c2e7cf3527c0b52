#pragma once

// What the flood tests share: the heap's size, and waiting for a condition
// without pauses between turns of the event loop.

#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <malloc.h>

#include <algorithm>
#include <cstddef>
#include <functional>

#if defined(__SANITIZE_ADDRESS__)
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

// The bytes the process holds on its heap now. Unlike resident memory, it
// does not count pages the allocator keeps after they were freed, nor the
// address sanitizer's quarantine: it is what the code under test keeps.
inline std::size_t liveHeapBytes()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

// The most the heap has grown above where it stood at construction, sampled
// whenever sample() is called and every tenth of a second. A sample walks the
// allocator's free lists, which can take milliseconds: sample sparingly.
class HeapPeak : public QObject
{
public:
    HeapPeak()
        : m_base(liveHeapBytes())
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { sample(); });
        m_timer.start(100);
    }

    void sample()
    {
        const std::size_t now = liveHeapBytes();
        m_peak = std::max(m_peak, now > m_base ? now - m_base : 0);
    }
    std::size_t growth() const { return m_peak; }
    double growthMiB() const { return double(m_peak) / (1024.0 * 1024.0); }

private:
    std::size_t m_base;
    std::size_t m_peak = 0;
    QTimer m_timer;
};

// Runs the event loop until CONDITION holds or MS milliseconds have passed.
// QTest::qWaitFor pauses 10 ms after each turn, which starves code that reads
// a bounded slice per turn; this never pauses while there is work.
inline bool runUntil(const std::function<bool()>& condition, int ms)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    check.start(1);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    if (!condition())
        loop.exec();
    return condition();
}
