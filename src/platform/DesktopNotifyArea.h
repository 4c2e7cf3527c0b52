#pragma once

#include "NotifyArea.h"
#include "TrayBackend.h"

#include <QDBusConnection>
#include <QObject>

#include <map>
#include <memory>

class NotificationBalloons;
class StatusNotifierTray;
class XEmbedTray;

// The notification area of a Linux desktop. It keeps the icons and puts them
// into the tray the desktop has now: a StatusNotifierItem host when a
// StatusNotifierWatcher reports one, else the X11 system tray, else none
// (an icon then only carries balloons). The choice is made again whenever a
// watcher, host or tray comes, goes or is replaced: the icons are lost to the
// old tray, and, as when the shell restarts, "TaskbarCreated" is broadcast so
// that their owners add them again (a hidden icon stays hidden). Balloons are
// desktop notifications whatever the tray.
class DesktopNotifyArea final : public QObject, public INotifyArea
{
    Q_OBJECT
public:
    enum class Tray { Unknown, None, XEmbed, StatusNotifier };

    // `x11Display` is the application's X11 connection, null without one.
    DesktopNotifyArea(void* x11Display, const QDBusConnection& bus);
    ~DesktopNotifyArea() override;

    BOOL Shell_NotifyIconA(DWORD message, const NOTIFYICONDATAA* data) override;

    // The tray the icons are in now; Unknown until the session bus has told.
    Tray CurrentTray() const { return m_tray; }
    StatusNotifierTray* StatusNotifier() const { return m_statusNotifier.get(); }
    XEmbedTray* XEmbed() const { return m_xembed.get(); }

private:
    struct Icon
    {
        NOTIFYICONDATAA data;
        TrayIcon shown;
    };

    bool add(const NOTIFYICONDATAA& data);
    bool modify(const NOTIFYICONDATAA& data);
    bool remove(const NOTIFYICONDATAA& data);
    static UINT apply(Icon& icon, const NOTIFYICONDATAA& data);
    bool place(const IconKey& key, const Icon& icon);
    ITrayBackend* backend(Tray tray) const;
    Tray wanted() const;
    void chooseSoon();
    void choose();

    std::unique_ptr<NotificationBalloons> m_balloons;
    std::unique_ptr<XEmbedTray> m_xembed;
    std::unique_ptr<StatusNotifierTray> m_statusNotifier;
    std::map<IconKey, Icon> m_icons;
    Tray m_tray = Tray::Unknown;
    quint64 m_trayGeneration = 0;
    bool m_choiceQueued = false;
};
