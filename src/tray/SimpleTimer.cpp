#include "SimpleTimer.h"

#include "Forms.h"
#include "Platform.h"

#include <utility>

namespace {

// The unit's one handler. It goes with its last timer, or at the latest with
// the application object, while the window service it holds a window of is
// still there (see Platform::AtApplicationEnd).
TSimpleTimerHandler* g_handler = nullptr;

void releaseHandler()
{
    delete std::exchange(g_handler, nullptr);
}

} // namespace

TSimpleTimer::TSimpleTimer()
    : TSimpleTimer(1000, nullptr)
{
}

TSimpleTimer::TSimpleTimer(UINT interval, TNotifyEvent onTimer)
    : m_id(reinterpret_cast<UINT_PTR>(this))
    , m_interval(interval)
{
    SetOnTimer(std::move(onTimer));
    AcquireTimerHandler();
}

TSimpleTimer* TSimpleTimer::CreateWith(UINT interval, TNotifyEvent onTimer)
{
    return new TSimpleTimer(interval, std::move(onTimer));
}

TSimpleTimer::~TSimpleTimer()
{
    if (m_enabled)
        StopTimer(true);
    ReleaseTimerHandler();
}

void TSimpleTimer::SetEnabled(bool value)
{
    if (value)
        StartTimer();
    else
        StopTimer(true);
}

void TSimpleTimer::SetInterval(UINT value)
{
    if (value == m_interval)
        return;
    m_interval = value;
    if (!m_enabled)
        return;
    if (value != 0)
        StartTimer();
    else
        StopTimer(false);
}

void TSimpleTimer::SetOnTimer(TNotifyEvent handler)
{
    m_onTimer = std::move(handler);
    if (!m_onTimer && m_enabled)
        StopTimer(false);
}

bool TSimpleTimer::StartTimer()
{
    if (m_interval == 0)
        return false;
    if (m_enabled)
        StopTimer(true);
    TSimpleTimerHandler* handler = TSimpleTimerHandler::Instance();
    if (!handler || handler->m_windows->SetTimer(handler->m_window, m_id, m_interval) == 0)
        return false;
    m_enabled = true;
    return true;
}

void TSimpleTimer::StopTimer(bool clearEnabled)
{
    if (clearEnabled)
        m_enabled = false;
    if (TSimpleTimerHandler* handler = TSimpleTimerHandler::Instance())
        handler->m_windows->KillTimer(handler->m_window, m_id);
}

void TSimpleTimer::AcquireTimerHandler()
{
    if (!g_handler) {
        g_handler = new TSimpleTimerHandler();
        Platform::AtApplicationEnd(releaseHandler);
    }
    ++g_handler->m_userCount;
    g_handler->m_live.insert(m_id);
}

void TSimpleTimer::ReleaseTimerHandler()
{
    if (!g_handler)
        return;
    g_handler->m_live.erase(m_id);
    if (g_handler->m_userCount > 0)
        --g_handler->m_userCount;
    if (g_handler->m_userCount == 0)
        releaseHandler();
}

TSimpleTimerHandler::TSimpleTimerHandler()
    : m_windows(&Platform::Windows())
{
    m_window
        = m_windows->AllocateHWnd([this](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
              return WndProc(window, message, wParam, lParam);
          });
}

TSimpleTimerHandler::~TSimpleTimerHandler()
{
    m_windows->DeallocateHWnd(m_window);
}

TSimpleTimerHandler* TSimpleTimerHandler::Instance()
{
    return g_handler;
}

LRESULT TSimpleTimerHandler::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_TIMER)
        return m_windows->DefWindowProcA(window, message, wParam, lParam);
    // A message queued before its timer was destroyed finds no live timer and is dropped.
    if (!m_live.count(wParam))
        return 0;
    auto* timer = reinterpret_cast<TSimpleTimer*>(wParam);
    if (timer->m_autoDisable)
        timer->StopTimer(true);
    if (timer->m_onTimer) {
        // The handler may destroy the timer: call a copy, not the member.
        const TNotifyEvent onTimer = timer->m_onTimer;
        Application()->Guard(timer, [&] { onTimer(timer); });
    }
    return 0;
}
