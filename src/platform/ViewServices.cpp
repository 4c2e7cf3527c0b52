#include "ViewServices.h"

#include <QCursor>
#include <QTimer>

#include <algorithm>

namespace {

class QtIntervalTimer : public IIntervalTimer
{
public:
    QtIntervalTimer()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            if (OnTimer)
                OnTimer();
        });
    }
    void SetInterval(int milliseconds) override { m_timer.setInterval(std::max(milliseconds, 0)); }
    int Interval() const override { return m_timer.interval(); }
    void SetEnabled(bool enabled) override
    {
        if (enabled && !m_timer.isActive())
            m_timer.start();
        else if (!enabled)
            m_timer.stop();
    }
    bool Enabled() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

class DesktopViewServices : public IViewServices
{
public:
    std::unique_ptr<IIntervalTimer> CreateTimer() override
    {
        return std::make_unique<QtIntervalTimer>();
    }
    QPoint CursorPos() const override { return QCursor::pos(); }
};

IViewServices* g_services = nullptr;

} // namespace

IViewServices& ViewServices()
{
    static DesktopViewServices desktop;
    return g_services ? *g_services : desktop;
}

void SetViewServices(IViewServices* services)
{
    g_services = services;
}

// ---------------------------------------------------------------- test double

class FakeViewServices::Timer : public IIntervalTimer
{
public:
    explicit Timer(FakeViewServices* owner)
        : m_owner(owner)
    {
        m_owner->m_timers.push_back(this);
    }
    ~Timer() override
    {
        if (m_owner) {
            auto& list = m_owner->m_timers;
            list.erase(std::remove(list.begin(), list.end(), this), list.end());
        }
    }
    void SetInterval(int milliseconds) override
    {
        m_interval = std::max(milliseconds, 0);
        m_due = (m_owner ? m_owner->m_now : 0) + m_interval;
    }
    int Interval() const override { return m_interval; }
    void SetEnabled(bool enabled) override
    {
        if (enabled && !m_enabled)
            m_due = (m_owner ? m_owner->m_now : 0) + m_interval;
        m_enabled = enabled;
    }
    bool Enabled() const override { return m_enabled; }

    FakeViewServices* m_owner;
    int m_interval = 1000;
    bool m_enabled = false;
    long long m_due = 0;
};

FakeViewServices::FakeViewServices() = default;

FakeViewServices::~FakeViewServices()
{
    for (Timer* t : m_timers)
        t->m_owner = nullptr;
}

std::unique_ptr<IIntervalTimer> FakeViewServices::CreateTimer()
{
    return std::make_unique<Timer>(this);
}

void FakeViewServices::Advance(int milliseconds)
{
    const long long end = m_now + std::max(milliseconds, 0);
    for (;;) {
        Timer* next = nullptr;
        for (Timer* t : m_timers)
            if (t->m_enabled && t->m_due <= end && (!next || t->m_due < next->m_due))
                next = t;
        if (!next)
            break;
        m_now = std::max(m_now, next->m_due);
        // A period of 0 still takes a millisecond, so the clock always moves on.
        next->m_due = m_now + std::max(next->m_interval, 1);
        if (next->OnTimer)
            next->OnTimer();
    }
    m_now = end;
}
