#pragma once

#include <QPoint>

#include <functional>
#include <memory>
#include <vector>

// What a scrolling view needs from the window system besides drawing: a
// repeating timer whose interval can change while it runs, and the cursor's
// position on the screen. The desktop backend uses QTimer and QCursor; the
// test double runs on a clock the test advances, so roll speeds can be
// checked without waiting.

class IIntervalTimer
{
public:
    virtual ~IIntervalTimer() = default;
    // Setting the interval of a running timer restarts its period from now.
    virtual void SetInterval(int milliseconds) = 0;
    virtual int Interval() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;

    std::function<void()> OnTimer;
};

class IViewServices
{
public:
    virtual ~IViewServices() = default;
    // A new timer, disabled.
    virtual std::unique_ptr<IIntervalTimer> CreateTimer() = 0;
    virtual QPoint CursorPos() const = 0;
};

// The services in force: the desktop backend unless a test installed another.
IViewServices& ViewServices();
// Installs services (nullptr restores the desktop backend); not owned.
void SetViewServices(IViewServices* services);

// The test double: timers fire only when the test advances the clock.
class FakeViewServices : public IViewServices
{
public:
    FakeViewServices();
    ~FakeViewServices() override;

    std::unique_ptr<IIntervalTimer> CreateTimer() override;
    QPoint CursorPos() const override { return m_cursor; }

    void SetCursorPos(const QPoint& p) { m_cursor = p; }
    // Moves the clock on, firing every timer that falls due in between, in order.
    void Advance(int milliseconds);
    long long Now() const { return m_now; }

private:
    class Timer;
    friend class Timer;

    QPoint m_cursor;
    long long m_now = 0;
    std::vector<Timer*> m_timers;
};
