#pragma once

#include "NotifyArea.h"

#include <QList>

#include <functional>
#include <map>
#include <utility>

// Test double of the notification area: it keeps the icons it accepted,
// records every call with a copy of the record, refuses what a test asks it
// to, and sends callback messages and the restart broadcast on demand. With
// refuseAll set and recording off it is also the quiet stand-in where no
// notification area exists.
class FakeNotifyArea final : public INotifyArea
{
public:
    struct Call
    {
        DWORD message;
        NOTIFYICONDATAA data;
        BOOL result;
    };

    BOOL Shell_NotifyIconA(DWORD message, const NOTIFYICONDATAA* data) override;

    bool refuseAll = false;
    // Off in the quiet stand-in, which lives as long as the program: a record
    // of every balloon would grow with every call.
    bool recording = true;
    // Refuses a call when it returns true.
    std::function<bool(DWORD message, const NOTIFYICONDATAA& data)> refuse;

    const QList<Call>& Calls() const { return m_calls; }
    void ClearCalls() { m_calls.clear(); }
    int CountOf(DWORD message) const;
    const Call* LastCall() const { return m_calls.isEmpty() ? nullptr : &m_calls.last(); }
    bool HasIcon(HWND window, UINT_PTR id) const { return m_icons.count({ window, id }) != 0; }
    std::size_t IconCount() const { return m_icons.size(); }

    // Sends the callback message of an icon in the area at once; false when
    // the area does not hold it.
    bool SendCallback(UINT_PTR id, UINT code);
    // Queues it, as the shell does.
    bool PostCallback(UINT_PTR id, UINT code);
    // Queues a callback to a window whether or not the area holds the icon,
    // as a message already on its way when the icon went.
    static bool PostCallbackTo(HWND window, UINT callbackMessage, UINT_PTR id, UINT code);

    // The shell restarted: it forgets its icons and announces itself.
    void RestartShell();

private:
    QList<Call> m_calls;
    std::map<std::pair<HWND, UINT_PTR>, NOTIFYICONDATAA> m_icons;
};
