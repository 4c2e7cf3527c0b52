#pragma once

// Helpers the benchmark programs share: their clock and frame, telling when a
// widget has been painted, percentiles of samples, and the process's resident
// memory.

#include <QApplication>
#include <QPaintEvent>
#include <QRegion>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

using Clock = std::chrono::steady_clock;

// One frame of a 60 Hz screen, the unit the latency benches report in.
constexpr double FrameMs = 1000.0 / 60.0;

// Milliseconds from FROM to TO (by default, now).
inline double msSince(Clock::time_point from, Clock::time_point to = Clock::now())
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The latency benches draw offscreen unless QT_QPA_PLATFORM asks for a real
// screen, at one device pixel per pixel unless the caller asks for scaling.
inline void useOffscreenUnlessAsked()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 0);
}

// Tells when a paint of one widget has been handled completely.
class PaintWatchApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (receiver != watched || event->type() != QEvent::Paint || !onPainted)
            return QApplication::notify(receiver, event);
        const QRegion region = static_cast<QPaintEvent*>(event)->region();
        const bool result = QApplication::notify(receiver, event);
        onPainted(region);
        return result;
    }

    QObject* watched = nullptr;
    std::function<void(const QRegion&)> onPainted;
};

// The sample at fraction P (0.5 the median) of VALUES, by rank.
inline double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t rank = std::size_t(std::ceil(p * double(values.size())));
    return values[std::min(values.size() - 1, rank == 0 ? 0 : rank - 1)];
}

inline std::size_t residentBytes()
{
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    unsigned long size = 0, resident = 0;
    if (f) {
        if (std::fscanf(f, "%lu %lu", &size, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return std::size_t(resident) * std::size_t(sysconf(_SC_PAGESIZE));
}

// Resident memory with the allocator's free pages given back first.
inline std::size_t settledResidentBytes()
{
    malloc_trim(0);
    return residentBytes();
}
