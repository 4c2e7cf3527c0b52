#pragma once

#include "WinTypes.h"

#include <QByteArray>
#include <QHash>

// Hidden utility windows: windows that are never shown and exist only to
// receive messages, each with a window procedure bound to an object. Timers
// set on such a window deliver WM_TIMER with the caller's identifier as the
// first parameter.
class IMessageWindows
{
public:
    virtual ~IMessageWindows() = default;

    virtual HWND AllocateHWnd(WindowProc procedure) = 0;
    virtual void DeallocateHWnd(HWND window) = 0;
    virtual bool IsWindow(HWND window) const = 0;

    // Non-zero on success. Setting an identifier again restarts its countdown.
    virtual UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse) = 0;
    // Non-zero when the timer existed; a message it had already queued is withdrawn.
    virtual BOOL KillTimer(HWND window, UINT_PTR id) = 0;

    // Queues a message for the window's procedure; it arrives from the event loop.
    virtual BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Calls the window's procedure at once; 0 when the window does not exist.
    virtual LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;

    // The same name always gives the same message number, in 0xC000..0xFFFF.
    UINT RegisterWindowMessageA(const char* name);

private:
    QHash<QByteArray, UINT> m_registered;
};
