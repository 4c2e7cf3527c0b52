#include "FakeDesktop.h"

#include <QPixmap>

BOOL FakeDesktop::GetCursorPos(POINT* point)
{
    if (!cursorAvailable || !point)
        return 0;
    *point = cursor;
    return 1;
}

SHORT FakeDesktop::GetAsyncKeyState(int virtualKey)
{
    const bool down = (virtualKey == VK_SHIFT && shiftDown)
        || (virtualKey == VK_CONTROL && controlDown) || (virtualKey == VK_MENU && altDown);
    return down ? SHORT(0x8000) : SHORT(0);
}

BOOL FakeDesktop::SetForegroundWindow(HWND window)
{
    foreground.append(window);
    return 1;
}

BOOL FakeDesktop::PostMessageA(QWidget*, UINT message, WPARAM, LPARAM)
{
    postedToWindows.append(message);
    return 1;
}

QIcon FakeDesktop::LoadIconA(int id)
{
    iconsLoaded.append(id);
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::blue);
    return QIcon(pixmap);
}

void FakeDesktop::BroadcastApplicationMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    deliverToApplication(message, wParam, lParam);
}

int FakeDesktop::SubclassWindow(QWidget* window, SubclassProc procedure)
{
    const int id = m_nextSubclass++;
    m_subclasses.emplace(id, Subclass { window, std::move(procedure) });
    return id;
}

void FakeDesktop::RestoreWindow(int id)
{
    m_subclasses.erase(id);
}

void FakeDesktop::SendApplicationMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    deliverToApplication(message, wParam, lParam);
}

LRESULT FakeDesktop::SendWindowMessage(
    QWidget* window, UINT message, WPARAM wParam, LPARAM lParam, bool* passedOn)
{
    bool reached = false;
    const PreviousWindowProc own = [&reached]() -> LRESULT {
        reached = true;
        return 0;
    };
    LRESULT result = 0;
    bool filtered = false;
    // The most recent subclass runs first, as with chained window procedures.
    for (auto it = m_subclasses.rbegin(); it != m_subclasses.rend(); ++it) {
        if (it->second.window != window)
            continue;
        const SubclassProc procedure = it->second.procedure;
        result = procedure(message, wParam, lParam, own);
        filtered = true;
        break;
    }
    if (!filtered)
        result = own();
    if (passedOn)
        *passedOn = reached;
    return result;
}

bool FakeDesktop::IsSubclassed(QWidget* window) const
{
    for (const auto& entry : m_subclasses)
        if (entry.second.window == window)
            return true;
    return false;
}
