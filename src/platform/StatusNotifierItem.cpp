#include "StatusNotifierItem.h"

#include "DBusMenu.h"
#include "Desktop.h"
#include "Platform.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QFileInfo>
#include <QImage>
#include <QtEndian>

#include <unistd.h>

namespace {

const QString ItemPath = QStringLiteral("/StatusNotifierItem");
const QString MenuPath = QStringLiteral("/MenuBar");
const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

// Sizes offered for an icon that does not say which it holds.
constexpr int FallbackSizes[] = { 16, 22, 32, 48 };

} // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierPixmap& pixmap)
{
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.pixels;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierPixmap& pixmap)
{
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.pixels;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierToolTip& toolTip)
{
    argument.beginStructure();
    argument << toolTip.iconName << toolTip.iconPixmaps << toolTip.title << toolTip.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierToolTip& toolTip)
{
    argument.beginStructure();
    argument >> toolTip.iconName >> toolTip.iconPixmaps >> toolTip.title >> toolTip.text;
    argument.endStructure();
    return argument;
}

StatusNotifierItem::StatusNotifierItem(const TrayIcon& icon, ITrayBackend::Report report,
    int number, int iconSignalGap, QObject* parent)
    : QObject(parent)
    , m_icon(icon)
    , m_report(std::move(report))
    , m_connectionName(QStringLiteral("callerid-status-notifier-item-%1").arg(number))
    , m_serviceName(QStringLiteral("org.kde.StatusNotifierItem-%1-%2").arg(::getpid()).arg(number))
    , m_menu(new DBusMenu(this))
    , m_iconSignalGap(iconSignalGap)
{
    RegisterTypes();
    m_menu->SetMenu(icon.menu);
    m_newIconDue.setSingleShot(true);
    connect(&m_newIconDue, &QTimer::timeout, this, [this] { sendNewIcon(); });
    // A connection of its own: the host finds every item at the same path
    // under the item's bus name, so two icons cannot share one connection.
    m_bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName);
    if (!m_bus->isConnected())
        return;
    const auto exports = QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals
        | QDBusConnection::ExportAllProperties;
    m_exported = m_bus->registerObject(ItemPath, this, exports)
        && m_bus->registerObject(MenuPath, m_menu, exports)
        && m_bus->registerService(m_serviceName);
}

StatusNotifierItem::~StatusNotifierItem()
{
    if (m_bus->isConnected()) {
        // The name goes first: the watcher and the host drop the item at once.
        m_bus->unregisterService(m_serviceName);
        m_bus->unregisterObject(MenuPath);
        m_bus->unregisterObject(ItemPath);
    }
    m_bus.reset();
    QDBusConnection::disconnectFromBus(m_connectionName);
}

void StatusNotifierItem::RegisterTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<StatusNotifierPixmap>();
        qDBusRegisterMetaType<StatusNotifierPixmaps>();
        qDBusRegisterMetaType<StatusNotifierToolTip>();
        return true;
    }();
    Q_UNUSED(registered);
    DBusMenu::RegisterTypes();
}

void StatusNotifierItem::RegisterWithWatcher()
{
    if (!m_exported)
        return;
    QDBusMessage request
        = QDBusMessage::createMethodCall(WatcherService, QStringLiteral("/StatusNotifierWatcher"),
            WatcherService, QStringLiteral("RegisterStatusNotifierItem"));
    request << m_serviceName;
    request.setAutoStartService(false);
    // A watcher that refuses or vanishes shows up in its presence, which the tray follows.
    m_bus->asyncCall(request);
}

void StatusNotifierItem::Update(const TrayIcon& icon, UINT changed)
{
    const QString oldStatus = Status();
    m_icon = icon;
    m_menu->SetMenu(icon.menu);
    if (changed & NIF_ICON)
        iconChanged();
    if (changed & NIF_TIP)
        Q_EMIT NewToolTip();
    if ((changed & NIF_STATE) && Status() != oldStatus)
        Q_EMIT NewStatus(Status());
}

void StatusNotifierItem::iconChanged()
{
    m_pixmaps.reset();
    // A cycling icon changes every few hundred milliseconds, and every NewIcon
    // makes the host fetch every image again: the host hears of changes at
    // most once per gap, and always of the last one.
    if (m_newIconDue.isActive())
        return;
    const qint64 since = m_sinceNewIcon.isValid() ? m_sinceNewIcon.elapsed() : m_iconSignalGap;
    if (since >= m_iconSignalGap)
        sendNewIcon();
    else
        m_newIconDue.start(int(m_iconSignalGap - since));
}

void StatusNotifierItem::sendNewIcon()
{
    m_sinceNewIcon.start();
    Q_EMIT NewIcon();
}

QString StatusNotifierItem::Id() const
{
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

QString StatusNotifierItem::Title() const
{
    return QCoreApplication::applicationName();
}

QString StatusNotifierItem::Status() const
{
    return m_icon.hidden ? QStringLiteral("Passive") : QStringLiteral("Active");
}

StatusNotifierPixmaps StatusNotifierItem::IconPixmap() const
{
    if (!m_pixmaps)
        m_pixmaps = Pixmaps(m_icon.icon);
    return *m_pixmaps;
}

StatusNotifierPixmaps StatusNotifierItem::Pixmaps(const QIcon& icon)
{
    QList<QSize> sizes = icon.availableSizes();
    if (sizes.isEmpty())
        for (const int size : FallbackSizes)
            sizes.append(QSize(size, size));
    StatusNotifierPixmaps pixmaps;
    QList<QSize> done;
    for (const QSize& size : std::as_const(sizes)) {
        const QImage image
            = icon.pixmap(size, 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull() || done.contains(image.size()))
            continue;
        done.append(image.size());
        StatusNotifierPixmap pixmap { image.width(), image.height(), {} };
        pixmap.pixels.resize(qsizetype(image.width()) * image.height() * 4);
        auto* out = reinterpret_cast<quint32*>(pixmap.pixels.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                *out++ = qToBigEndian(line[x]);
        }
        pixmaps.append(pixmap);
    }
    return pixmaps;
}

StatusNotifierToolTip StatusNotifierItem::ToolTip() const
{
    return StatusNotifierToolTip { {}, {}, m_icon.tip, {} };
}

QDBusObjectPath StatusNotifierItem::Menu() const
{
    // Hosts show this menu themselves; without one they ask for ContextMenu.
    return QDBusObjectPath(m_icon.menu ? MenuPath : QStringLiteral("/NO_DBUSMENU"));
}

void StatusNotifierItem::Activate(int, int)
{
    // The host reports clicks, not presses: a second one soon after the
    // first is the double click's second press.
    const UINT doubleClickTime = Platform::Desktop().GetDoubleClickTime();
    if (m_sinceActivate.isValid() && m_sinceActivate.elapsed() < qint64(doubleClickTime)) {
        m_sinceActivate.invalidate();
        m_report(WM_LBUTTONDBLCLK);
    } else {
        m_sinceActivate.start();
        m_report(WM_LBUTTONDOWN);
    }
    m_report(WM_LBUTTONUP);
}

void StatusNotifierItem::SecondaryActivate(int, int)
{
    m_report(WM_MBUTTONDOWN);
    m_report(WM_MBUTTONUP);
}

void StatusNotifierItem::ContextMenu(int, int)
{
    m_report(WM_RBUTTONDOWN);
    m_report(WM_RBUTTONUP);
}

void StatusNotifierItem::Scroll(int, const QString&)
{
    // The icon has no wheel events to give.
}
