#pragma once

#include <QObject>
#include <QTimer>

#include <malloc.h>

#include <algorithm>
#include <cstddef>

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
// whenever sample() is called and at every turn of the event loop.
class HeapPeak : public QObject
{
public:
    HeapPeak()
        : m_base(liveHeapBytes())
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { sample(); });
        m_timer.start(5);
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
