#pragma once

#include "DeviceTimer.h"

#include <QList>

#include <algorithm>
#include <memory>

// Device timers on a clock that moves only when the test says so.
class FakeDeviceClock
{
public:
    DeviceTimerFactory factory()
    {
        return [this](QObject*) { return std::make_unique<Timer>(this); };
    }

    // Moves the clock on, firing every timer that falls due on the way, in order.
    void advance(qint64 milliseconds)
    {
        const qint64 until = m_now + milliseconds;
        for (;;) {
            Timer* next = nullptr;
            for (Timer* t : m_timers)
                if (t->active && t->due <= until && (!next || t->due < next->due))
                    next = t;
            if (!next)
                break;
            m_now = next->due;
            next->active = false;
            if (next->onTimeout)
                next->onTimeout();
        }
        m_now = until;
    }

    // The intervals of the timers now running, shortest first.
    QList<int> running() const
    {
        QList<int> intervals;
        for (const Timer* t : m_timers)
            if (t->active)
                intervals.append(t->intervalMs);
        std::sort(intervals.begin(), intervals.end());
        return intervals;
    }

    // The time left on the timers now running, shortest first.
    QList<qint64> remaining() const
    {
        QList<qint64> left;
        for (const Timer* t : m_timers)
            if (t->active)
                left.append(t->due - m_now);
        std::sort(left.begin(), left.end());
        return left;
    }

private:
    class Timer final : public DeviceTimer
    {
    public:
        explicit Timer(FakeDeviceClock* clock)
            : clock(clock)
        {
            clock->m_timers.append(this);
        }
        ~Timer() override { clock->m_timers.removeOne(this); }
        void start(int milliseconds) override
        {
            intervalMs = milliseconds;
            due = clock->m_now + milliseconds;
            active = true;
        }
        void stop() override { active = false; }
        bool isActive() const override { return active; }
        int interval() const override { return intervalMs; }

        FakeDeviceClock* clock;
        qint64 due = 0;
        int intervalMs = 0;
        bool active = false;
    };

    qint64 m_now = 0;
    QList<Timer*> m_timers;
};
