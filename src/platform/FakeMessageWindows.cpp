#include "FakeMessageWindows.h"

HWND FakeMessageWindows::AllocateHWnd(WindowProc procedure)
{
    const HWND handle = m_nextHandle++;
    m_windows.emplace(handle, std::move(procedure));
    ++m_created;
    return handle;
}

void FakeMessageWindows::DeallocateHWnd(HWND window)
{
    m_windows.erase(window);
    for (auto it = m_timers.begin(); it != m_timers.end();)
        it = it->first.first == window ? m_timers.erase(it) : std::next(it);
    std::erase_if(m_posted, [window](const Posted& p) { return p.window == window; });
}

bool FakeMessageWindows::IsWindow(HWND window) const
{
    return m_windows.count(window) != 0;
}

UINT_PTR FakeMessageWindows::SetTimer(HWND window, UINT_PTR id, UINT elapse)
{
    if (refuseSetTimer || !IsWindow(window) || elapse == 0)
        return 0;
    m_timers[{ window, id }] = elapse;
    ++m_starts[id];
    return id ? id : 1;
}

BOOL FakeMessageWindows::KillTimer(HWND window, UINT_PTR id)
{
    return m_timers.erase({ window, id }) ? 1 : 0;
}

BOOL FakeMessageWindows::PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!IsWindow(window))
        return 0;
    m_posted.push_back({ window, message, wParam, lParam });
    return 1;
}

LRESULT FakeMessageWindows::SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto it = m_windows.find(window);
    if (it == m_windows.end() || !it->second)
        return 0;
    const WindowProc procedure = it->second;
    return procedure(window, message, wParam, lParam);
}

LRESULT FakeMessageWindows::DefWindowProcA(HWND, UINT message, WPARAM, LPARAM)
{
    ++m_defaultProcessed;
    return message == WM_QUERYENDSESSION ? 1 : 0;
}

bool FakeMessageWindows::FireTimer(HWND window, UINT_PTR id)
{
    if (!m_timers.count({ window, id }))
        return false;
    SendMessageA(window, WM_TIMER, id, 0);
    return true;
}

bool FakeMessageWindows::FireTimer(UINT_PTR id)
{
    for (const auto& [key, interval] : m_timers)
        if (key.second == id)
            return FireTimer(key.first, id);
    return false;
}

bool FakeMessageWindows::HasTimer(UINT_PTR id) const
{
    return TimerInterval(id) != 0;
}

UINT FakeMessageWindows::TimerInterval(UINT_PTR id) const
{
    for (const auto& [key, interval] : m_timers)
        if (key.second == id)
            return interval;
    return 0;
}

int FakeMessageWindows::TimerStarts(UINT_PTR id) const
{
    const auto it = m_starts.find(id);
    return it == m_starts.end() ? 0 : it->second;
}

int FakeMessageWindows::DeliverPosted()
{
    int delivered = 0;
    while (!m_posted.empty()) {
        const Posted p = m_posted.front();
        m_posted.pop_front();
        SendMessageA(p.window, p.message, p.wParam, p.lParam);
        ++delivered;
    }
    return delivered;
}
