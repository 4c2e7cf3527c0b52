#pragma once

#include "Classes.h"
#include "WinTypes.h"

#include <unordered_set>

class IMessageWindows;

// A millisecond timer that is a plain object: no owner, no window of its own.
// Every timer of the process shares one hidden window; the timer's address is
// its identifier with the platform's timer service, so a timer message leads
// straight back to the timer.
class TSimpleTimer : public TObject
{
public:
    // Interval 1000 ms, no handler.
    TSimpleTimer();
    TSimpleTimer(UINT interval, TNotifyEvent onTimer);
    ~TSimpleTimer() override;
    TSimpleTimer(const TSimpleTimer&) = delete;
    TSimpleTimer& operator=(const TSimpleTimer&) = delete;

    static TSimpleTimer* CreateWith(UINT interval, TNotifyEvent onTimer);

    UINT_PTR Id() const { return m_id; }

    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool value);
    UINT Interval() const { return m_interval; }
    void SetInterval(UINT value);
    bool AutoDisable() const { return m_autoDisable; }
    void SetAutoDisable(bool value) { m_autoDisable = value; }
    const TNotifyEvent& OnTimer() const { return m_onTimer; }
    void SetOnTimer(TNotifyEvent handler);

    // (Re)starts the system timer; true when the platform accepted it.
    bool StartTimer();
    void StopTimer(bool clearEnabled);

private:
    void AcquireTimerHandler();
    void ReleaseTimerHandler();

    UINT_PTR m_id = 0;
    bool m_enabled = false;
    UINT m_interval = 1000;
    bool m_autoDisable = false;
    TNotifyEvent m_onTimer;

    friend class TSimpleTimerHandler;
};

// Owns the hidden window that serves every simple timer, from the first
// timer's construction to the last one's destruction.
class TSimpleTimerHandler
{
public:
    TSimpleTimerHandler();
    ~TSimpleTimerHandler();
    TSimpleTimerHandler(const TSimpleTimerHandler&) = delete;
    TSimpleTimerHandler& operator=(const TSimpleTimerHandler&) = delete;

    HWND Window() const { return m_window; }
    UINT UserCount() const { return m_userCount; }

    // The shared handler, or null when no timer exists.
    static TSimpleTimerHandler* Instance();

private:
    LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_userCount = 0;
    HWND m_window = 0;
    // The service that made the window is the one that must destroy it.
    IMessageWindows* m_windows;
    // Timers alive now: a message for any other identifier is stale.
    std::unordered_set<UINT_PTR> m_live;

    friend class TSimpleTimer;
};
