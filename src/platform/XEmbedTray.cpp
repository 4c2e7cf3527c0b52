#include "XEmbedTray.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <xcb/xcb.h>

namespace {

constexpr long SystemTrayRequestDock = 0;
constexpr long XEmbedMapped = 1;
constexpr int IconSize = 22;

Display* display(void* handle)
{
    return static_cast<Display*>(handle);
}

} // namespace

// The icon's own small window, embedded by the tray. Every button and motion
// over it goes to the icon's owner as the callback code.
class TrayIconWindow final : public QWidget
{
public:
    explicit TrayIconWindow(ITrayBackend::Report report)
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

    ITrayBackend::Report m_report;
    QIcon m_icon;
};

XEmbedTray::XEmbedTray(void* handle)
    : m_display(handle)
{
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

XEmbedTray::~XEmbedTray()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool XEmbedTray::Place(const IconKey& key, const TrayIcon& icon, Report report)
{
    if (!m_trayWindow || m_windows.count(key))
        return false;
    auto window = std::make_unique<TrayIconWindow>(std::move(report));
    window->setIcon(icon.icon);
    window->setToolTip(icon.tip);
    Display* dpy = display(m_display);
    const auto id = static_cast<Window>(window->winId());
    setMapped(*window, !icon.hidden);
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
    m_windows.emplace(key, std::move(window));
    return true;
}

void XEmbedTray::Update(const IconKey& key, const TrayIcon& icon, UINT changed)
{
    const auto it = m_windows.find(key);
    if (it == m_windows.end())
        return;
    if (changed & NIF_ICON)
        it->second->setIcon(icon.icon);
    if (changed & NIF_TIP)
        it->second->setToolTip(icon.tip);
    if (changed & NIF_STATE) {
        setMapped(*it->second, !icon.hidden);
        XFlush(display(m_display));
    }
}

void XEmbedTray::Remove(const IconKey& key)
{
    m_windows.erase(key);
}

void XEmbedTray::setMapped(TrayIconWindow& window, bool mapped)
{
    // XEmbed: protocol version 0; the tray shows or hides the icon by the flag.
    const long info[2] = { 0, mapped ? XEmbedMapped : 0 };
    XChangeProperty(display(m_display), static_cast<Window>(window.winId()), m_xembedInfo,
        m_xembedInfo, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(info), 2);
}

unsigned long XEmbedTray::findTray()
{
    return XGetSelectionOwner(display(m_display), m_selection);
}

void XEmbedTray::watchTray(unsigned long window)
{
    m_trayWindow = window;
    if (!window)
        return;
    ++m_generation;
    Display* dpy = display(m_display);
    // We learn of the tray's end from its window's destruction.
    XWindowAttributes attributes;
    if (XGetWindowAttributes(dpy, window, &attributes))
        XSelectInput(dpy, window, attributes.your_event_mask | StructureNotifyMask);
}

void XEmbedTray::trayChanged()
{
    // The icons the old tray held went with it.
    m_windows.clear();
    watchTray(findTray());
    XFlush(display(m_display));
    changed();
}

bool XEmbedTray::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
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
        for (auto& [key, window] : m_windows) {
            if (window->winId() == reparent->window) {
                QPointer<QWidget> shown = window.get();
                QMetaObject::invokeMethod(
                    this,
                    [shown] {
                        if (shown)
                            shown->show();
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
