#pragma once

#include "TrayBackend.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <map>
#include <optional>

class QDBusPendingCallWatcher;

// The notification area's balloons, shown as desktop notifications
// (org.freedesktop.Notifications) whatever tray holds the icons. Each icon
// has at most one balloon: a new one replaces the previous one in place.
// Nothing waits for the service: an icon has at most one request on its way,
// and balloons asked for meanwhile wait, the newest replacing older ones, so
// that a flood of balloons costs the service one notification. The service's
// answers become the icon's balloon callback codes.
class NotificationBalloons final : public QObject
{
    Q_OBJECT
public:
    explicit NotificationBalloons(const QDBusConnection& bus);
    ~NotificationBalloons() override;

    // Whether a notification service runs or can be started.
    bool Available() const;
    // Shows the record's balloon (szInfo, szInfoTitle, uTimeout,
    // dwInfoFlags) for its icon; false when no service can show it.
    bool Show(const NOTIFYICONDATAA& data);
    // Takes the icon's balloon down, unless a new one follows at once and
    // takes its place.
    void Hide(const IconKey& key);
    // The icon has gone: its balloon goes with it.
    void Forget(const IconKey& key);

private Q_SLOTS:
    void notificationClosed(uint id, uint reason);
    void actionInvoked(uint id, const QString& actionKey);

private:
    struct Balloon
    {
        QString title;
        QString text;
        QString icon;
        uchar urgency = 1;
        int timeout = 0;
    };
    // Where an icon's callback codes go.
    struct Owner
    {
        HWND window = 0;
        UINT_PTR id = 0;
        UINT callbackMessage = 0;
    };
    struct Slot
    {
        Owner owner;
        // The notification the service shows for the icon now, 0 for none.
        uint shown = 0;
        bool requestOut = false;
        std::optional<Balloon> waiting;
        bool hideWanted = false;
        bool hideQueued = false;
        bool forgotten = false;
    };
    // A notification the service holds for us, kept until it reports it
    // closed, even when its icon has gone meanwhile.
    struct Shown
    {
        Owner owner;
        bool clicked = false;
    };
    enum class Capabilities { Unknown, Asking, Known };

    void pump(const IconKey& key);
    void send(const IconKey& key, Slot& slot);
    void answered(const IconKey& key, uint replaced, QDBusPendingCallWatcher* call);
    void askCapabilities();
    void capabilitiesAnswered(QDBusPendingCallWatcher* call);
    void close(uint notification);
    void failed(const QString& message);
    void reportSuppressed();
    static void post(const Owner& owner, UINT code);

    QDBusConnection m_bus;
    bool m_serviceRegistered = false;
    bool m_serviceActivatable = false;
    Capabilities m_capabilities = Capabilities::Unknown;
    bool m_bodyMarkup = false;
    // Failures since the last success; only the first is written out.
    int m_failures = 0;
    std::map<IconKey, Slot> m_slots;
    std::map<uint, Shown> m_shown;
};
