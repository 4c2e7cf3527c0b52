#pragma once

#include "NotifyArea.h"

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QString>

#include <map>
#include <memory>
#include <utility>

class TrayIconWindow;

// The notification area of an X11 desktop. Icons dock into the system tray
// by the XEmbed system-tray protocol, so every press, release, double click
// and motion over them comes back as the icon's callback message; balloons
// are desktop notifications on the session bus. When the tray's owner
// changes (a tray starts or restarts) the shell's restart message is
// broadcast so that visible icons add themselves again. Without a tray and
// without a notification service every call fails quietly.
class X11NotifyArea final : public QObject, public INotifyArea, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    X11NotifyArea();
    ~X11NotifyArea() override;

    BOOL Shell_NotifyIconA(DWORD message, const NOTIFYICONDATAA* data) override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    // The window of the tray that holds the icons now, 0 when there is none.
    unsigned long TrayWindow() const { return m_trayWindow; }

private Q_SLOTS:
    void notificationClosed(uint id, uint reason);
    void actionInvoked(uint id, const QString& actionKey);

private:
    struct Entry
    {
        NOTIFYICONDATAA data;
        std::unique_ptr<TrayIconWindow> window;
        uint notification = 0;
        // The balloon asked for last; a reply for an older one closes it at once.
        quint64 balloonRequest = 0;
    };
    // Who a notification belongs to; kept until the service reports it closed,
    // even when its icon has gone meanwhile.
    struct Balloon
    {
        HWND window;
        UINT_PTR id;
        UINT callbackMessage;
        bool clicked = false;
    };
    using Key = std::pair<HWND, UINT_PTR>;

    bool add(const NOTIFYICONDATAA& data);
    bool modify(const NOTIFYICONDATAA& data);
    bool remove(const NOTIFYICONDATAA& data);
    void apply(Entry& entry, const NOTIFYICONDATAA& data);
    bool dock(Entry& entry, const Key& key);
    bool showBalloon(Entry& entry, const Key& key);
    void balloonShown(const Key& key, quint64 request, uint notification);
    void closeBalloon(Entry& entry);
    static void closeNotification(uint notification);
    bool notificationServiceAvailable();
    void post(const NOTIFYICONDATAA& data, UINT code);
    static void post(const Balloon& balloon, UINT code);

    unsigned long findTray();
    void watchTray(unsigned long window);
    void trayChanged();

    void* m_display = nullptr;
    unsigned long m_root = 0;
    unsigned long m_selection = 0;
    unsigned long m_opcode = 0;
    unsigned long m_manager = 0;
    unsigned long m_xembedInfo = 0;
    unsigned long m_trayWindow = 0;
    bool m_busConnected = false;
    int m_bodyMarkup = -1;
    quint64 m_lastBalloonRequest = 0;
    std::map<Key, Entry> m_entries;
    std::map<uint, Balloon> m_balloons;
};
