#include "X11NotifyArea.h"

#include "Desktop.h"
#include "MessageWindows.h"
#include "Platform.h"
#include "Win1254.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QVariantMap>
#include <QWidget>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <xcb/xcb.h>

#include <cstdio>

namespace {

const QString NotificationService = QStringLiteral("org.freedesktop.Notifications");
const QString NotificationPath = QStringLiteral("/org/freedesktop/Notifications");

// Notification close reasons of the desktop notification protocol.
constexpr uint ClosedExpired = 1;
constexpr uint ClosedDismissed = 2;

constexpr long SystemTrayRequestDock = 0;
constexpr int IconSize = 22;

Display* display(void* handle)
{
    return static_cast<Display*>(handle);
}

QString fieldText(const char* field, std::size_t size)
{
    return Win1254::decode(QByteArray(field, int(qstrnlen(field, uint(size)))));
}

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

} // namespace

// The icon's own small window, embedded by the tray. Every button and motion
// over it goes to the icon's owner as the callback message.
class TrayIconWindow final : public QWidget
{
public:
    explicit TrayIconWindow(std::function<void(UINT)> report)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint)
        , m_report(std::move(report))
    {
        setAttribute(Qt::WA_AlwaysShowToolTips, true);
        setAttribute(Qt::WA_QuitOnClose, false);
        setMouseTracking(true);
        const QSize size(IconSize, IconSize);
        setGeometry(QRect(QPoint(0, 0), size));
        setMinimumSize(size);
        // A name that scripts and window lists can find the icon by.
        setWindowTitle(QCoreApplication::applicationName() + QStringLiteral(" notification icon"));
    }

    void setIcon(const QIcon& icon)
    {
        m_icon = icon;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().window());
        m_icon.paint(&painter, rect());
    }

    void mousePressEvent(QMouseEvent* event) override { report(event, WM_LBUTTONDOWN); }
    void mouseReleaseEvent(QMouseEvent* event) override { report(event, WM_LBUTTONUP); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { report(event, WM_LBUTTONDBLCLK); }
    void mouseMoveEvent(QMouseEvent*) override { m_report(WM_MOUSEMOVE); }

private:
    // The left button's code; the right and middle codes follow at steps of 3 and 6.
    void report(QMouseEvent* event, UINT leftCode)
    {
        switch (event->button()) {
        case Qt::LeftButton:
            m_report(leftCode);
            break;
        case Qt::RightButton:
            m_report(leftCode + 3);
            break;
        case Qt::MiddleButton:
            m_report(leftCode + 6);
            break;
        default:
            break;
        }
    }

    std::function<void(UINT)> m_report;
    QIcon m_icon;
};

X11NotifyArea::X11NotifyArea()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 && x11->display()) {
        m_display = x11->display();
        Display* dpy = display(m_display);
        const int screen = DefaultScreen(dpy);
        m_root = RootWindow(dpy, screen);
        m_selection = XInternAtom(
            dpy, QByteArray("_NET_SYSTEM_TRAY_S" + QByteArray::number(screen)).constData(), False);
        m_opcode = XInternAtom(dpy, "_NET_SYSTEM_TRAY_OPCODE", False);
        m_manager = XInternAtom(dpy, "MANAGER", False);
        m_xembedInfo = XInternAtom(dpy, "_XEMBED_INFO", False);
        // A tray announces itself to the root window's structure listeners.
        XWindowAttributes attributes;
        if (XGetWindowAttributes(dpy, m_root, &attributes))
            XSelectInput(dpy, m_root, attributes.your_event_mask | StructureNotifyMask);
        watchTray(findTray());
        XFlush(dpy);
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        m_busConnected = true;
        bus.connect(NotificationService, NotificationPath, NotificationService,
            QStringLiteral("NotificationClosed"), this, SLOT(notificationClosed(uint, uint)));
        bus.connect(NotificationService, NotificationPath, NotificationService,
            QStringLiteral("ActionInvoked"), this, SLOT(actionInvoked(uint, QString)));
    }
}

X11NotifyArea::~X11NotifyArea()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    for (auto& [key, entry] : m_entries)
        closeBalloon(entry);
}

BOOL X11NotifyArea::Shell_NotifyIconA(DWORD message, const NOTIFYICONDATAA* data)
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
        // Both protocol versions send the same messages from here.
        return m_entries.count({ data->hWnd, data->uID }) ? 1 : 0;
    default:
        return 0;
    }
}

bool X11NotifyArea::add(const NOTIFYICONDATAA& data)
{
    const Key key { data.hWnd, data.uID };
    if (m_entries.count(key))
        return false;
    Entry entry;
    entry.data = data;
    entry.data.uFlags = 0;
    const bool docked = dock(entry, key);
    // Without a tray an icon still carries balloons, as long as someone shows them.
    if (!docked && !notificationServiceAvailable())
        return false;
    auto& stored = m_entries.emplace(key, std::move(entry)).first->second;
    apply(stored, data);
    return true;
}

bool X11NotifyArea::modify(const NOTIFYICONDATAA& data)
{
    const auto it = m_entries.find({ data.hWnd, data.uID });
    if (it == m_entries.end())
        return false;
    Entry& entry = it->second;
    apply(entry, data);
    if (!(data.uFlags & NIF_INFO))
        return true;
    if (data.szInfo[0] == '\0') {
        closeBalloon(entry);
        return true;
    }
    return showBalloon(entry, it->first);
}

bool X11NotifyArea::remove(const NOTIFYICONDATAA& data)
{
    const auto it = m_entries.find({ data.hWnd, data.uID });
    if (it == m_entries.end())
        return false;
    closeBalloon(it->second);
    m_entries.erase(it);
    return true;
}

void X11NotifyArea::apply(Entry& entry, const NOTIFYICONDATAA& data)
{
    if (data.uFlags & NIF_MESSAGE)
        entry.data.uCallbackMessage = data.uCallbackMessage;
    if (data.uFlags & NIF_TIP)
        std::memcpy(entry.data.szTip, data.szTip, sizeof data.szTip);
    if (data.uFlags & NIF_INFO) {
        std::memcpy(entry.data.szInfo, data.szInfo, sizeof data.szInfo);
        std::memcpy(entry.data.szInfoTitle, data.szInfoTitle, sizeof data.szInfoTitle);
        entry.data.u = data.u;
        entry.data.dwInfoFlags = data.dwInfoFlags;
    }
    if (!entry.window)
        return;
    if (data.uFlags & NIF_ICON)
        entry.window->setIcon(data.hIcon ? *data.hIcon : QIcon());
    if (data.uFlags & NIF_TIP)
        entry.window->setToolTip(fieldText(entry.data.szTip, sizeof entry.data.szTip));
}

bool X11NotifyArea::dock(Entry& entry, const Key& key)
{
    if (!m_display || !m_trayWindow)
        return false;
    entry.window = std::make_unique<TrayIconWindow>([this, key](UINT code) {
        if (const auto it = m_entries.find(key); it != m_entries.end())
            post(it->second.data, code);
    });
    Display* dpy = display(m_display);
    const auto id = static_cast<Window>(entry.window->winId());
    // XEmbed: protocol version 0, mapped.
    const long info[2] = { 0, 1 };
    XChangeProperty(dpy, id, m_xembedInfo, m_xembedInfo, 32, PropModeReplace,
        reinterpret_cast<const unsigned char*>(info), 2);
    // Trays size an icon by its size hints, which Qt would set only later:
    // set them before asking to be docked, or the icon may get no room.
    XSizeHints hints {};
    hints.flags = PSize | PMinSize | PBaseSize;
    hints.width = hints.min_width = hints.base_width = IconSize;
    hints.height = hints.min_height = hints.base_height = IconSize;
    XSetWMNormalHints(dpy, id, &hints);
    XEvent request {};
    request.xclient.type = ClientMessage;
    request.xclient.window = m_trayWindow;
    request.xclient.message_type = m_opcode;
    request.xclient.format = 32;
    request.xclient.data.l[0] = CurrentTime;
    request.xclient.data.l[1] = SystemTrayRequestDock;
    request.xclient.data.l[2] = long(id);
    XSendEvent(dpy, m_trayWindow, False, NoEventMask, &request);
    XFlush(dpy);
    // Shown once the tray has taken it in (see the reparent notification): a
    // window mapped earlier may be laid out by the tray before its size is known.
    return true;
}

bool X11NotifyArea::notificationServiceAvailable()
{
    if (!m_busConnected)
        return false;
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return bus
        && (bus->isServiceRegistered(NotificationService).value()
            || bus->activatableServiceNames().value().contains(NotificationService));
}

bool X11NotifyArea::showBalloon(Entry& entry, const Key& key)
{
    if (!m_busConnected)
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (m_bodyMarkup < 0) {
        const QDBusMessage ask = QDBusMessage::createMethodCall(NotificationService,
            NotificationPath, NotificationService, QStringLiteral("GetCapabilities"));
        const QDBusReply<QStringList> capabilities = bus.call(ask, QDBus::Block, 2000);
        if (!capabilities.isValid()) {
            // A service that does not answer in time is not asked again: plain text it is.
            if (capabilities.error().type() != QDBusError::NoReply
                && capabilities.error().type() != QDBusError::Timeout)
                return false;
            m_bodyMarkup = 0;
        } else {
            m_bodyMarkup = capabilities.value().contains(QStringLiteral("body-markup")) ? 1 : 0;
        }
    }
    QString body = fieldText(entry.data.szInfo, sizeof entry.data.szInfo);
    if (m_bodyMarkup)
        body = body.toHtmlEscaped();
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"),
        QVariant::fromValue<uchar>((entry.data.dwInfoFlags & 0x0F) == NIIF_ERROR ? 2 : 1));
    QDBusMessage notify = QDBusMessage::createMethodCall(
        NotificationService, NotificationPath, NotificationService, QStringLiteral("Notify"));
    // Always a new notification: the one it would replace may be closing right now.
    notify << QCoreApplication::applicationName() << uint(0)
           << balloonIconName(entry.data.dwInfoFlags)
           << fieldText(entry.data.szInfoTitle, sizeof entry.data.szInfoTitle) << body
           << QStringList { QStringLiteral("default"), QString() } << hints
           << qint32(qMin<UINT>(entry.data.u.uTimeout, 0x7FFFFFFF));
    // Asked without waiting: a slow or hung service must not stop the caller's
    // window. The balloon counts as shown when the service answers.
    const quint64 request = ++m_lastBalloonRequest;
    entry.balloonRequest = request;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(notify, 2000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
        [this, key, request](QDBusPendingCallWatcher* call) {
            call->deleteLater();
            const QDBusPendingReply<uint> reply = *call;
            if (reply.isError()) {
                std::fprintf(
                    stderr, "Balloon not shown: %s\n", qPrintable(reply.error().message()));
                return;
            }
            balloonShown(key, request, reply.value());
        });
    return true;
}

void X11NotifyArea::balloonShown(const Key& key, quint64 request, uint notification)
{
    const auto it = m_entries.find(key);
    if (it == m_entries.end() || it->second.balloonRequest != request) {
        // Hidden, replaced or removed while the service was answering.
        closeNotification(notification);
        return;
    }
    Entry& entry = it->second;
    entry.notification = notification;
    m_balloons[notification]
        = Balloon { entry.data.hWnd, entry.data.uID, entry.data.uCallbackMessage, false };
    post(entry.data, NIN_BALLOONSHOW);
}

void X11NotifyArea::closeBalloon(Entry& entry)
{
    // A balloon still on its way is closed when its answer comes.
    entry.balloonRequest = 0;
    if (!entry.notification || !m_busConnected)
        return;
    closeNotification(entry.notification);
    entry.notification = 0;
}

void X11NotifyArea::closeNotification(uint notification)
{
    const QDBusMessage close = QDBusMessage::createMethodCall(NotificationService, NotificationPath,
        NotificationService, QStringLiteral("CloseNotification"));
    QDBusConnection::sessionBus().asyncCall(QDBusMessage(close) << notification);
}

void X11NotifyArea::post(const NOTIFYICONDATAA& data, UINT code)
{
    // The icon's owner gets the message from its queue, never in the middle of our own work.
    Platform::Windows().PostMessageA(data.hWnd, data.uCallbackMessage, data.uID, LPARAM(code));
}

void X11NotifyArea::post(const Balloon& balloon, UINT code)
{
    Platform::Windows().PostMessageA(
        balloon.window, balloon.callbackMessage, balloon.id, LPARAM(code));
}

void X11NotifyArea::notificationClosed(uint id, uint reason)
{
    const auto it = m_balloons.find(id);
    if (it == m_balloons.end())
        return;
    const Balloon balloon = it->second;
    m_balloons.erase(it);
    for (auto& [key, entry] : m_entries)
        if (entry.notification == id)
            entry.notification = 0;
    if (reason == ClosedExpired) {
        post(balloon, NIN_BALLOONTIMEOUT);
    } else if (reason == ClosedDismissed) {
        // Clicking a notification dismisses it; a click already reported is not reported twice.
        if (!balloon.clicked)
            post(balloon, NIN_BALLOONUSERCLICK);
    } else {
        post(balloon, NIN_BALLOONHIDE);
    }
}

void X11NotifyArea::actionInvoked(uint id, const QString&)
{
    const auto it = m_balloons.find(id);
    if (it == m_balloons.end() || it->second.clicked)
        return;
    it->second.clicked = true;
    post(it->second, NIN_BALLOONUSERCLICK);
}

unsigned long X11NotifyArea::findTray()
{
    if (!m_display)
        return 0;
    return XGetSelectionOwner(display(m_display), m_selection);
}

void X11NotifyArea::watchTray(unsigned long window)
{
    m_trayWindow = window;
    if (!window)
        return;
    Display* dpy = display(m_display);
    // We learn of the tray's end from its window's destruction.
    XWindowAttributes attributes;
    if (XGetWindowAttributes(dpy, window, &attributes))
        XSelectInput(dpy, window, attributes.your_event_mask | StructureNotifyMask);
}

void X11NotifyArea::trayChanged()
{
    // The icons the old tray held are gone with it; the owners add them again
    // when they hear of the new one.
    for (auto& [key, entry] : m_entries)
        closeBalloon(entry);
    m_entries.clear();
    watchTray(findTray());
    XFlush(display(m_display));
    if (m_trayWindow) {
        IMessageWindows& windows = Platform::Windows();
        Platform::Desktop().BroadcastApplicationMessage(
            windows.RegisterWindowMessageA(TaskbarCreatedName), 0, 0);
    }
}

bool X11NotifyArea::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t" || !m_display)
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7F) {
    case XCB_CLIENT_MESSAGE: {
        const auto* client = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (client->type == m_manager && client->format == 32
            && client->data.data32[1] == m_selection)
            QMetaObject::invokeMethod(
                this, [this] { trayChanged(); }, Qt::QueuedConnection);
        break;
    }
    case XCB_REPARENT_NOTIFY: {
        const auto* reparent = reinterpret_cast<const xcb_reparent_notify_event_t*>(event);
        if (reparent->parent == m_root)
            break;
        for (auto& [key, entry] : m_entries) {
            if (entry.window && entry.window->winId() == reparent->window) {
                QPointer<QWidget> window = entry.window.get();
                QMetaObject::invokeMethod(
                    this,
                    [window] {
                        if (window)
                            window->show();
                    },
                    Qt::QueuedConnection);
            }
        }
        break;
    }
    case XCB_DESTROY_NOTIFY: {
        const auto* destroyed = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
        if (m_trayWindow && destroyed->window == m_trayWindow) {
            m_trayWindow = 0;
            QMetaObject::invokeMethod(
                this, [this] { trayChanged(); }, Qt::QueuedConnection);
        }
        break;
    }
    default:
        break;
    }
    return false;
}
