#include "DesktopNotifyArea.h"

#include "Desktop.h"
#include "MessageWindows.h"
#include "NotificationBalloons.h"
#include "Platform.h"
#include "StatusNotifierTray.h"
#include "XEmbedTray.h"

#include <cstring>

DesktopNotifyArea::DesktopNotifyArea(void* x11Display, const QDBusConnection& bus)
    : m_balloons(std::make_unique<NotificationBalloons>(bus))
    , m_statusNotifier(std::make_unique<StatusNotifierTray>(bus))
{
    if (x11Display) {
        m_xembed = std::make_unique<XEmbedTray>(x11Display);
        m_xembed->SetChangeHandler([this] { chooseSoon(); });
    }
    m_statusNotifier->SetChangeHandler([this] { chooseSoon(); });
    choose();
}

DesktopNotifyArea::~DesktopNotifyArea()
{
    // The items and windows go before the balloons and the trays that hold them.
    if (ITrayBackend* tray = backend(m_tray))
        for (const auto& [key, icon] : m_icons)
            tray->Remove(key);
}

BOOL DesktopNotifyArea::Shell_NotifyIconA(DWORD message, const NOTIFYICONDATAA* data)
{
    if (!data)
        return 0;
    switch (message) {
    case NIM_ADD:
        return add(*data) ? 1 : 0;
    case NIM_MODIFY:
        return modify(*data) ? 1 : 0;
    case NIM_DELETE:
        return remove(*data) ? 1 : 0;
    case NIM_SETVERSION:
        // Every tray sends the same callback codes whatever the version.
        return m_icons.count({ data->hWnd, data->uID }) ? 1 : 0;
    default:
        return 0;
    }
}

bool DesktopNotifyArea::add(const NOTIFYICONDATAA& data)
{
    const IconKey key { data.hWnd, data.uID };
    if (m_icons.count(key))
        return false;
    Icon icon;
    icon.data = data;
    icon.data.uFlags = 0;
    apply(icon, data);
    // Without a tray an icon still carries balloons, as long as someone shows
    // them; before the tray is known it is kept for the one that comes.
    if (m_tray != Tray::Unknown && !place(key, icon) && !m_balloons->Available())
        return false;
    m_icons.emplace(key, std::move(icon));
    return true;
}

bool DesktopNotifyArea::modify(const NOTIFYICONDATAA& data)
{
    const IconKey key { data.hWnd, data.uID };
    const auto it = m_icons.find(key);
    if (it == m_icons.end())
        return false;
    Icon& icon = it->second;
    const UINT changed = apply(icon, data);
    if (ITrayBackend* tray = backend(m_tray))
        tray->Update(key, icon.shown, changed);
    if (!(data.uFlags & NIF_INFO))
        return true;
    if (data.szInfo[0] == '\0') {
        m_balloons->Hide(key);
        return true;
    }
    return m_balloons->Show(icon.data);
}

bool DesktopNotifyArea::remove(const NOTIFYICONDATAA& data)
{
    const IconKey key { data.hWnd, data.uID };
    const auto it = m_icons.find(key);
    if (it == m_icons.end())
        return false;
    if (ITrayBackend* tray = backend(m_tray))
        tray->Remove(key);
    m_balloons->Forget(key);
    m_icons.erase(it);
    return true;
}

UINT DesktopNotifyArea::apply(Icon& icon, const NOTIFYICONDATAA& data)
{
    UINT changed = 0;
    NOTIFYICONDATAA& kept = icon.data;
    TrayIcon& shown = icon.shown;
    if (data.uFlags & NIF_MESSAGE)
        kept.uCallbackMessage = data.uCallbackMessage;
    if (data.uFlags & NIF_ICON) {
        // Every balloon comes with the icon again; only a new image is news to the tray.
        const QIcon image = data.hIcon ? *data.hIcon : QIcon();
        if (image.cacheKey() != shown.icon.cacheKey() || image.isNull() != shown.icon.isNull()) {
            shown.icon = image;
            changed |= NIF_ICON;
        }
    }
    if (data.uFlags & NIF_TIP) {
        std::memcpy(kept.szTip, data.szTip, sizeof data.szTip);
        const QString tip = NotifyFieldText(kept.szTip, sizeof kept.szTip);
        if (tip != shown.tip) {
            shown.tip = tip;
            changed |= NIF_TIP;
        }
    }
    if ((data.uFlags & NIF_STATE) && (data.dwStateMask & NIS_HIDDEN)) {
        const bool hidden = (data.dwState & NIS_HIDDEN) != 0;
        if (hidden != shown.hidden) {
            shown.hidden = hidden;
            changed |= NIF_STATE;
        }
    }
    if (data.uFlags & NIF_INFO) {
        std::memcpy(kept.szInfo, data.szInfo, sizeof data.szInfo);
        std::memcpy(kept.szInfoTitle, data.szInfoTitle, sizeof data.szInfoTitle);
        kept.u = data.u;
        kept.dwInfoFlags = data.dwInfoFlags;
    }
    shown.menu = data.hMenu;
    return changed;
}

bool DesktopNotifyArea::place(const IconKey& key, const Icon& icon)
{
    ITrayBackend* tray = backend(m_tray);
    return tray && tray->Place(key, icon.shown, [this, key](UINT code) {
        // The icon's owner gets the message from its queue, never in the middle of our own work.
        if (const auto it = m_icons.find(key); it != m_icons.end())
            Platform::Windows().PostMessageA(
                key.first, it->second.data.uCallbackMessage, key.second, LPARAM(code));
    });
}

ITrayBackend* DesktopNotifyArea::backend(Tray tray) const
{
    switch (tray) {
    case Tray::XEmbed:
        return m_xembed.get();
    case Tray::StatusNotifier:
        return m_statusNotifier.get();
    default:
        return nullptr;
    }
}

DesktopNotifyArea::Tray DesktopNotifyArea::wanted() const
{
    if (!m_statusNotifier->Known())
        return Tray::Unknown;
    if (m_statusNotifier->Available())
        return Tray::StatusNotifier;
    if (m_xembed && m_xembed->Available())
        return Tray::XEmbed;
    return Tray::None;
}

void DesktopNotifyArea::chooseSoon()
{
    // Trays and watchers change in bursts (a watcher, then its host): one choice for all.
    if (m_choiceQueued)
        return;
    m_choiceQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_choiceQueued = false;
            choose();
        },
        Qt::QueuedConnection);
}

void DesktopNotifyArea::choose()
{
    const Tray tray = wanted();
    if (tray == Tray::Unknown)
        return;
    const quint64 generation = backend(tray) ? backend(tray)->Generation() : 0;
    if (m_tray == Tray::Unknown) {
        // The icons added while the tray was not known yet go where it is now.
        m_tray = tray;
        m_trayGeneration = generation;
        for (const auto& [key, icon] : m_icons)
            place(key, icon);
        return;
    }
    if (tray == m_tray && generation == m_trayGeneration)
        return;
    if (ITrayBackend* old = backend(m_tray))
        for (const auto& [key, icon] : m_icons)
            old->Remove(key);
    m_icons.clear();
    m_tray = tray;
    m_trayGeneration = generation;
    IMessageWindows& windows = Platform::Windows();
    Platform::Desktop().BroadcastApplicationMessage(
        windows.RegisterWindowMessageA(TaskbarCreatedName), 0, 0);
}
