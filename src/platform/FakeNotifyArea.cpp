#include "FakeNotifyArea.h"

#include "Desktop.h"
#include "MessageWindows.h"
#include "Platform.h"

BOOL FakeNotifyArea::Shell_NotifyIconA(DWORD message, const NOTIFYICONDATAA* data)
{
    if (!data)
        return 0;
    const auto key = std::make_pair(data->hWnd, data->uID);
    const bool known = m_icons.count(key) != 0;
    bool accepted = !refuseAll && !(refuse && refuse(message, *data));
    if (accepted) {
        switch (message) {
        case NIM_ADD:
            accepted = !known;
            if (accepted)
                m_icons.emplace(key, *data);
            break;
        case NIM_MODIFY:
        case NIM_SETVERSION:
            accepted = known;
            if (accepted)
                m_icons[key] = *data;
            break;
        case NIM_DELETE:
            accepted = m_icons.erase(key) != 0;
            break;
        default:
            accepted = false;
        }
    }
    if (recording)
        m_calls.append({ message, *data, accepted ? 1 : 0 });
    return accepted ? 1 : 0;
}

int FakeNotifyArea::CountOf(DWORD message) const
{
    return int(std::count_if(m_calls.cbegin(), m_calls.cend(),
        [message](const Call& c) { return c.message == message; }));
}

bool FakeNotifyArea::SendCallback(UINT_PTR id, UINT code)
{
    for (const auto& [key, data] : m_icons) {
        if (key.second != id)
            continue;
        Platform::Windows().SendMessageA(data.hWnd, data.uCallbackMessage, id, LPARAM(code));
        return true;
    }
    return false;
}

bool FakeNotifyArea::PostCallback(UINT_PTR id, UINT code)
{
    for (const auto& [key, data] : m_icons)
        if (key.second == id)
            return PostCallbackTo(data.hWnd, data.uCallbackMessage, id, code);
    return false;
}

bool FakeNotifyArea::PostCallbackTo(HWND window, UINT callbackMessage, UINT_PTR id, UINT code)
{
    return Platform::Windows().PostMessageA(window, callbackMessage, id, LPARAM(code)) != 0;
}

void FakeNotifyArea::RestartShell()
{
    m_icons.clear();
    const UINT message = Platform::Windows().RegisterWindowMessageA(TaskbarCreatedName);
    Platform::Desktop().BroadcastApplicationMessage(message, 0, 0);
}
