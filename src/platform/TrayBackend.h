#pragma once

#include "WinTypes.h"

#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QString>

#include <functional>
#include <utility>

// An icon of the notification area, as the shell knows it: by its window and identifier.
using IconKey = std::pair<HWND, UINT_PTR>;

// What a tray shows of one icon.
struct TrayIcon
{
    QIcon icon;
    QString tip;
    bool hidden = false;
    QPointer<QMenu> menu;
};

// A tray the notification area can put its icons into: the X11 system tray
// or a StatusNotifierItem host. The area keeps the icons and chooses the
// tray; a tray shows them and turns the user's input on them into the
// icons' callback codes (WM_LBUTTONDOWN, …).
class ITrayBackend
{
public:
    using Report = std::function<void(UINT code)>;

    virtual ~ITrayBackend() = default;

    // Whether the tray is there to take icons now; false as long as that is
    // not known yet.
    virtual bool Available() const = 0;
    // Whether the tray's presence has been found out.
    virtual bool Known() const { return true; }
    // Counts the tray's arrivals: icons put into an earlier one are lost.
    virtual quint64 Generation() const = 0;
    // Called (from the event loop) whenever Available or Generation changed.
    void SetChangeHandler(std::function<void()> handler) { m_changed = std::move(handler); }

    virtual bool Place(const IconKey& key, const TrayIcon& icon, Report report) = 0;
    // `changed` holds NIF_ICON, NIF_TIP and NIF_STATE for what differs from
    // before; the menu is always taken.
    virtual void Update(const IconKey& key, const TrayIcon& icon, UINT changed) = 0;
    virtual void Remove(const IconKey& key) = 0;

protected:
    void changed()
    {
        if (m_changed)
            m_changed();
    }

private:
    std::function<void()> m_changed;
};
