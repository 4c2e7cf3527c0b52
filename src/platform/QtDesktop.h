#pragma once

#include "Desktop.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

// The desktop through Qt: the application's windows are Qt's top-level
// widgets, and their state changes are turned into the messages the
// components listen for.
class QtDesktop final : public QObject, public IDesktop
{
public:
    QtDesktop();
    ~QtDesktop() override;

    BOOL GetCursorPos(POINT* point) override;
    SHORT GetAsyncKeyState(int virtualKey) override;
    UINT GetDoubleClickTime() override;
    BOOL SetForegroundWindow(HWND window) override;
    void ActivateWindow(QWidget* window) override;
    BOOL PostMessageA(QWidget* window, UINT message, WPARAM wParam, LPARAM lParam) override;
    DWORD CommonControlsVersion() override;
    QIcon LoadIconA(int id) override;
    bool IsApplicationWindowVisible() override;
    void HideApplicationWindow() override;
    void BroadcastApplicationMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    int SubclassWindow(QWidget* window, SubclassProc procedure) override;
    void RestoreWindow(int id) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Subclass
    {
        QPointer<QWidget> window;
        SubclassProc procedure;
    };
    // Runs the subclass of `window`, if any; true when it finished the message.
    bool runSubclass(QWidget* window, UINT message, WPARAM wParam, LPARAM lParam);
    void updateFilter();

    int m_nextSubclass = 1;
    std::map<int, Subclass> m_subclasses;
    bool m_filtering = false;
};
