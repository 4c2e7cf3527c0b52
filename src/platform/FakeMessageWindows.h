#pragma once

#include "MessageWindows.h"

#include <deque>
#include <map>
#include <unordered_map>
#include <utility>

// Test double of the utility windows: timers fire only when a test says so,
// SetTimer can be refused, and posted messages wait until a test delivers them.
class FakeMessageWindows final : public IMessageWindows
{
public:
    struct Posted
    {
        HWND window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    HWND AllocateHWnd(WindowProc procedure) override;
    void DeallocateHWnd(HWND window) override;
    bool IsWindow(HWND window) const override;
    UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse) override;
    BOOL KillTimer(HWND window, UINT_PTR id) override;
    BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    // Every later SetTimer fails while set.
    bool refuseSetTimer = false;

    // Delivers WM_TIMER for a running timer as its countdown would; false
    // when no such timer runs.
    bool FireTimer(HWND window, UINT_PTR id);
    bool FireTimer(UINT_PTR id); // on whichever window runs it
    bool HasTimer(UINT_PTR id) const;
    UINT TimerInterval(UINT_PTR id) const; // 0 when not running
    // How many times SetTimer accepted this identifier (each is a fresh countdown).
    int TimerStarts(UINT_PTR id) const;
    std::size_t RunningTimers() const { return m_timers.size(); }

    // Delivers the queued messages, oldest first, including any they post; returns how many.
    int DeliverPosted();
    const std::deque<Posted>& PostedMessages() const { return m_posted; }

    std::size_t WindowCount() const { return m_windows.size(); }
    int WindowsCreated() const { return m_created; }
    // Messages that reached DefWindowProcA, for checks of what a procedure passed on.
    int DefaultProcessed() const { return m_defaultProcessed; }

private:
    HWND m_nextHandle = 0x100;
    int m_created = 0;
    int m_defaultProcessed = 0;
    std::unordered_map<HWND, WindowProc> m_windows;
    std::map<std::pair<HWND, UINT_PTR>, UINT> m_timers;
    std::unordered_map<UINT_PTR, int> m_starts;
    std::deque<Posted> m_posted;
};
