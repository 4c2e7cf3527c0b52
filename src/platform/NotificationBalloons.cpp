#include "NotificationBalloons.h"

#include "MessageWindows.h"
#include "NotifyArea.h"
#include "Platform.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QVariantMap>

#include <cstdio>

namespace {

const QString NotificationService = QStringLiteral("org.freedesktop.Notifications");
const QString NotificationPath = QStringLiteral("/org/freedesktop/Notifications");

// Notification close reasons of the desktop notification protocol.
constexpr uint ClosedExpired = 1;
constexpr uint ClosedDismissed = 2;

// How long a request may stay unanswered before the next one may go.
constexpr int AnswerTimeout = 2000;

QString balloonIconName(DWORD infoFlags)
{
    switch (infoFlags & 0x0F) {
    case NIIF_INFO:
        return QStringLiteral("dialog-information");
    case NIIF_WARNING:
        return QStringLiteral("dialog-warning");
    case NIIF_ERROR:
        return QStringLiteral("dialog-error");
    default:
        return {};
    }
}

QDBusMessage serviceCall(const QString& method)
{
    return QDBusMessage::createMethodCall(
        NotificationService, NotificationPath, NotificationService, method);
}

} // namespace

NotificationBalloons::NotificationBalloons(const QDBusConnection& bus)
    : m_bus(bus)
{
    if (!m_bus.isConnected())
        return;
    if (QDBusConnectionInterface* daemon = m_bus.interface()) {
        m_serviceRegistered = daemon->isServiceRegistered(NotificationService).value();
        m_serviceActivatable
            = daemon->activatableServiceNames().value().contains(NotificationService);
    }
    auto* watcher = new QDBusServiceWatcher(NotificationService, m_bus,
        QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration,
        this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this,
        [this] { m_serviceRegistered = true; });
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        m_serviceRegistered = false;
        // A service started anew knows nothing of what the old one showed.
        m_capabilities = Capabilities::Unknown;
    });
    m_bus.connect(NotificationService, NotificationPath, NotificationService,
        QStringLiteral("NotificationClosed"), this, SLOT(notificationClosed(uint, uint)));
    m_bus.connect(NotificationService, NotificationPath, NotificationService,
        QStringLiteral("ActionInvoked"), this, SLOT(actionInvoked(uint, QString)));
}

NotificationBalloons::~NotificationBalloons()
{
    for (const auto& [key, slot] : m_slots)
        if (slot.shown)
            close(slot.shown);
    reportSuppressed();
}

bool NotificationBalloons::Available() const
{
    return m_bus.isConnected() && (m_serviceRegistered || m_serviceActivatable);
}

bool NotificationBalloons::Show(const NOTIFYICONDATAA& data)
{
    if (!Available())
        return false;
    const IconKey key { data.hWnd, data.uID };
    Slot& slot = m_slots[key];
    slot.owner = { data.hWnd, data.uID, data.uCallbackMessage };
    slot.forgotten = false;
    slot.hideWanted = false;
    Balloon balloon;
    balloon.title = NotifyFieldText(data.szInfoTitle, sizeof data.szInfoTitle);
    balloon.text = NotifyFieldText(data.szInfo, sizeof data.szInfo);
    balloon.icon = balloonIconName(data.dwInfoFlags);
    balloon.urgency = (data.dwInfoFlags & 0x0F) == NIIF_ERROR ? 2 : 1;
    balloon.timeout = int(qMin<UINT>(data.u.uTimeout, 0x7FFFFFFF));
    // An older balloon still waiting is never shown: this one takes its place.
    slot.waiting = std::move(balloon);
    pump(key);
    return true;
}

void NotificationBalloons::Hide(const IconKey& key)
{
    const auto it = m_slots.find(key);
    if (it == m_slots.end())
        return;
    Slot& slot = it->second;
    slot.waiting.reset();
    slot.hideWanted = true;
    // A balloon shown right after (as every new balloon is, after hiding the
    // old one) replaces this one in place instead: wait for the event loop.
    if (!slot.hideQueued) {
        slot.hideQueued = true;
        QMetaObject::invokeMethod(
            this,
            [this, key] {
                if (const auto found = m_slots.find(key); found != m_slots.end()) {
                    found->second.hideQueued = false;
                    pump(key);
                }
            },
            Qt::QueuedConnection);
    }
}

void NotificationBalloons::Forget(const IconKey& key)
{
    const auto it = m_slots.find(key);
    if (it == m_slots.end())
        return;
    it->second.waiting.reset();
    it->second.hideWanted = true;
    it->second.forgotten = true;
    pump(key);
}

void NotificationBalloons::pump(const IconKey& key)
{
    const auto it = m_slots.find(key);
    if (it == m_slots.end())
        return;
    Slot& slot = it->second;
    if (slot.requestOut)
        return;
    if (slot.waiting) {
        if (m_capabilities == Capabilities::Known)
            send(key, slot);
        else
            askCapabilities();
        return;
    }
    if (slot.hideWanted && !slot.hideQueued) {
        slot.hideWanted = false;
        if (slot.shown) {
            // The service's closing report tells the owner.
            close(slot.shown);
            slot.shown = 0;
        }
    }
    if (slot.forgotten && !slot.shown && !slot.hideQueued)
        m_slots.erase(it);
}

void NotificationBalloons::send(const IconKey& key, Slot& slot)
{
    const Balloon balloon = std::move(*slot.waiting);
    slot.waiting.reset();
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(balloon.urgency));
    QDBusMessage notify = serviceCall(QStringLiteral("Notify"));
    notify << QCoreApplication::applicationName() << slot.shown << balloon.icon << balloon.title
           << (m_bodyMarkup ? balloon.text.toHtmlEscaped() : balloon.text)
           << QStringList { QStringLiteral("default"), QString() } << hints << balloon.timeout;
    slot.requestOut = true;
    auto* call = new QDBusPendingCallWatcher(m_bus.asyncCall(notify, AnswerTimeout), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
        [this, key, replaced = slot.shown](
            QDBusPendingCallWatcher* finished) { answered(key, replaced, finished); });
}

void NotificationBalloons::answered(
    const IconKey& key, uint replaced, QDBusPendingCallWatcher* call)
{
    call->deleteLater();
    const QDBusPendingReply<uint> reply = *call;
    const auto it = m_slots.find(key);
    if (it == m_slots.end())
        return;
    Slot& slot = it->second;
    slot.requestOut = false;
    if (reply.isError()) {
        failed(reply.error().message());
    } else {
        reportSuppressed();
        const uint id = reply.value();
        slot.shown = id;
        const auto old = m_shown.find(id);
        const bool replacedInPlace = replaced == id && old != m_shown.end();
        const Owner previous = replacedInPlace ? old->second.owner : Owner {};
        m_shown[id] = Shown { slot.owner, false };
        // Hidden while the service was answering: it goes again at once.
        if (!slot.hideWanted) {
            if (replacedInPlace)
                post(previous, NIN_BALLOONHIDE);
            post(slot.owner, NIN_BALLOONSHOW);
        }
    }
    pump(key);
}

void NotificationBalloons::askCapabilities()
{
    if (m_capabilities != Capabilities::Unknown)
        return;
    m_capabilities = Capabilities::Asking;
    auto* call = new QDBusPendingCallWatcher(
        m_bus.asyncCall(serviceCall(QStringLiteral("GetCapabilities")), AnswerTimeout), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
        [this](QDBusPendingCallWatcher* finished) { capabilitiesAnswered(finished); });
}

void NotificationBalloons::capabilitiesAnswered(QDBusPendingCallWatcher* call)
{
    call->deleteLater();
    const QDBusPendingReply<QStringList> reply = *call;
    if (!reply.isError()) {
        m_capabilities = Capabilities::Known;
        m_bodyMarkup = reply.value().contains(QStringLiteral("body-markup"));
    } else if (reply.error().type() == QDBusError::NoReply
        || reply.error().type() == QDBusError::Timeout) {
        // A service too slow to say is not asked again: plain text it is.
        m_capabilities = Capabilities::Known;
        m_bodyMarkup = false;
    } else {
        // Nobody there to ask: the waiting balloons are not shown.
        m_capabilities = Capabilities::Unknown;
        failed(reply.error().message());
        for (auto& [key, slot] : m_slots)
            slot.waiting.reset();
    }
    std::vector<IconKey> keys;
    for (const auto& [key, slot] : m_slots)
        keys.push_back(key);
    for (const IconKey& key : keys)
        pump(key);
}

void NotificationBalloons::close(uint notification)
{
    QDBusMessage close = serviceCall(QStringLiteral("CloseNotification"));
    // A service that has gone took its notifications along: none is started for this.
    close.setAutoStartService(false);
    m_bus.asyncCall(close << notification);
}

void NotificationBalloons::failed(const QString& message)
{
    // A service that fails once usually fails many times in a row: one line
    // says why, and the count follows when it works again.
    if (m_failures++ == 0)
        std::fprintf(stderr, "Balloon not shown: %s\n", qPrintable(message));
}

void NotificationBalloons::reportSuppressed()
{
    if (m_failures > 1)
        std::fprintf(stderr, "%d more balloons not shown\n", m_failures - 1);
    m_failures = 0;
}

void NotificationBalloons::post(const Owner& owner, UINT code)
{
    // The icon's owner gets the message from its queue, never in the middle of our own work.
    Platform::Windows().PostMessageA(owner.window, owner.callbackMessage, owner.id, LPARAM(code));
}

void NotificationBalloons::notificationClosed(uint id, uint reason)
{
    const auto it = m_shown.find(id);
    if (it == m_shown.end())
        return;
    const Shown shown = it->second;
    m_shown.erase(it);
    for (auto& [key, slot] : m_slots)
        if (slot.shown == id)
            slot.shown = 0;
    if (reason == ClosedExpired) {
        post(shown.owner, NIN_BALLOONTIMEOUT);
    } else if (reason == ClosedDismissed) {
        // Clicking a notification dismisses it; a click already reported is not reported twice.
        if (!shown.clicked)
            post(shown.owner, NIN_BALLOONUSERCLICK);
    } else {
        post(shown.owner, NIN_BALLOONHIDE);
    }
}

void NotificationBalloons::actionInvoked(uint id, const QString&)
{
    const auto it = m_shown.find(id);
    if (it == m_shown.end() || it->second.clicked)
        return;
    it->second.clicked = true;
    post(it->second.owner, NIN_BALLOONUSERCLICK);
}
