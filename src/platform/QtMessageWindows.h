#pragma once

#include "MessageWindows.h"

#include <QObject>

#include <memory>
#include <unordered_map>

class QtUtilityWindow;

// Utility windows as plain QObjects: posted messages are Qt events, timers are
// Qt timers, so both arrive through the thread's event loop like any input.
class QtMessageWindows final : public IMessageWindows
{
public:
    QtMessageWindows();
    ~QtMessageWindows() override;

    HWND AllocateHWnd(WindowProc procedure) override;
    void DeallocateHWnd(HWND window) override;
    bool IsWindow(HWND window) const override;
    UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse) override;
    BOOL KillTimer(HWND window, UINT_PTR id) override;
    BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    // The object behind a handle, for code that needs to reach it as Qt does
    // (the benchmark sends it Qt's own timer events).
    QObject* WindowObject(HWND window) const;
    // The Qt timer that stands for (window, id), or 0.
    int QtTimerId(HWND window, UINT_PTR id) const;

private:
    QtUtilityWindow* find(HWND window) const;

    HWND m_nextHandle = 0x1000;
    std::unordered_map<HWND, std::unique_ptr<QtUtilityWindow>> m_windows;
};
