#pragma once

#include "Desktop.h"

#include <QList>
#include <QPointer>
#include <QWidget>

// Test double of the desktop: a cursor and keys the test sets, a recorded
// foreground, application messages and owner-window messages the test sends.
class FakeDesktop final : public IDesktop
{
public:
    BOOL GetCursorPos(POINT* point) override;
    SHORT GetAsyncKeyState(int virtualKey) override;
    UINT GetDoubleClickTime() override { return doubleClickTime; }
    BOOL SetForegroundWindow(HWND window) override;
    void ActivateWindow(QWidget* window) override { activated.append(window); }
    BOOL PostMessageA(QWidget* window, UINT message, WPARAM wParam, LPARAM lParam) override;
    DWORD CommonControlsVersion() override { return commonControlsVersion; }
    QIcon LoadIconA(int id) override;
    bool IsApplicationWindowVisible() override { return applicationWindowVisible; }
    void HideApplicationWindow() override { applicationWindowVisible = false; }
    void BroadcastApplicationMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    int SubclassWindow(QWidget* window, SubclassProc procedure) override;
    void RestoreWindow(int id) override;

    // Sends a message to the application window's hooks now.
    void SendApplicationMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Sends a message to a subclassed window; `passedOn` tells whether the
    // window's own procedure was reached.
    LRESULT SendWindowMessage(
        QWidget* window, UINT message, WPARAM wParam, LPARAM lParam, bool* passedOn = nullptr);
    bool IsSubclassed(QWidget* window) const;

    POINT cursor { 100, 200 };
    bool cursorAvailable = true;
    bool shiftDown = false;
    bool controlDown = false;
    bool altDown = false;
    UINT doubleClickTime = 500;
    DWORD commonControlsVersion = 0x00060000;
    bool applicationWindowVisible = true;
    QList<HWND> foreground;
    QList<QWidget*> activated;
    QList<UINT> postedToWindows;
    QList<int> iconsLoaded;

private:
    struct Subclass
    {
        QPointer<QWidget> window;
        SubclassProc procedure;
    };
    int m_nextSubclass = 1;
    std::map<int, Subclass> m_subclasses;
};
