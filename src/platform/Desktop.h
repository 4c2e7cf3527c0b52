#pragma once

#include "WinTypes.h"

#include <QIcon>

#include <functional>
#include <map>

class QWidget;

// Runs a window's own handling of the message being filtered.
using PreviousWindowProc = std::function<LRESULT()>;
// A window procedure put in front of a window's own: it decides whether the
// message goes on (by calling `previous`) or is finished here.
using SubclassProc = std::function<LRESULT(
    UINT message, WPARAM wParam, LPARAM lParam, const PreviousWindowProc& previous)>;
// Watches the application's messages without consuming any.
using ApplicationHook = std::function<void(UINT message, WPARAM wParam, LPARAM lParam)>;

// The desktop around the program: cursor, keyboard, double-click time,
// foreground switching, the application's messages and its windows'
// procedures, and the installed common-controls version.
class IDesktop
{
public:
    virtual ~IDesktop() = default;

    virtual BOOL GetCursorPos(POINT* point) = 0;
    // High bit set while the key is down.
    virtual SHORT GetAsyncKeyState(int virtualKey) = 0;
    virtual UINT GetDoubleClickTime() = 0;
    virtual BOOL SetForegroundWindow(HWND window) = 0;
    virtual void ActivateWindow(QWidget* window) = 0;
    virtual BOOL PostMessageA(QWidget* window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Major version in the high word, minor in the low word.
    virtual DWORD CommonControlsVersion() = 0;
    virtual QIcon LoadIconA(int id) = 0;

    virtual bool IsApplicationWindowVisible() = 0;
    virtual void HideApplicationWindow() = 0;

    // Hooks on the application window's messages; the id removes the hook.
    int HookApplication(ApplicationHook hook);
    void UnhookApplication(int id);
    std::size_t ApplicationHookCount() const { return m_hooks.size(); }
    // Sends a message to every top-level window of the application, the way the
    // shell announces itself; delivered from the event loop.
    virtual void BroadcastApplicationMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

    virtual int SubclassWindow(QWidget* window, SubclassProc procedure) = 0;
    virtual void RestoreWindow(int id) = 0;

protected:
    // Runs every hook; hooks may add or remove hooks while being told.
    void deliverToApplication(UINT message, WPARAM wParam, LPARAM lParam);

private:
    int m_nextHook = 1;
    std::map<int, ApplicationHook> m_hooks;
};
