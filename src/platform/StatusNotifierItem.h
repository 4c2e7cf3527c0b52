#pragma once

#include "TrayBackend.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <optional>

class DBusMenu;

// One image of an icon: width, height and ARGB32 pixels in network byte order.
struct StatusNotifierPixmap
{
    int width = 0;
    int height = 0;
    QByteArray pixels;
};
using StatusNotifierPixmaps = QList<StatusNotifierPixmap>;

struct StatusNotifierToolTip
{
    QString iconName;
    StatusNotifierPixmaps iconPixmaps;
    QString title;
    QString text;
};

Q_DECLARE_METATYPE(StatusNotifierPixmap)
Q_DECLARE_METATYPE(StatusNotifierToolTip)

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierToolTip& toolTip);

// One icon as a StatusNotifierItem: on a bus connection of its own, under
// the name org.kde.StatusNotifierItem-PID-N, with its menu exported over
// com.canonical.dbusmenu. The host's requests become the icon's callback
// codes: Activate a left click (or a double click when it follows the last
// one within the double-click time), SecondaryActivate a middle click,
// ContextMenu a right click. The protocol knows no pointer motion, so an
// icon here never hears of the mouse moving over it, entering or leaving.
class StatusNotifierItem final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ Category)
    Q_PROPERTY(QString Id READ Id)
    Q_PROPERTY(QString Title READ Title)
    Q_PROPERTY(QString Status READ Status)
    Q_PROPERTY(int WindowId READ WindowId)
    Q_PROPERTY(QString IconName READ NoName)
    Q_PROPERTY(StatusNotifierPixmaps IconPixmap READ IconPixmap)
    Q_PROPERTY(QString OverlayIconName READ NoName)
    Q_PROPERTY(StatusNotifierPixmaps OverlayIconPixmap READ NoPixmaps)
    Q_PROPERTY(QString AttentionIconName READ NoName)
    Q_PROPERTY(StatusNotifierPixmaps AttentionIconPixmap READ NoPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ NoName)
    Q_PROPERTY(StatusNotifierToolTip ToolTip READ ToolTip)
    Q_PROPERTY(bool ItemIsMenu READ ItemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ Menu)
public:
    // `number` makes the bus name unique in the process; NewIcon is sent at
    // most once per `iconSignalGap` milliseconds.
    StatusNotifierItem(const TrayIcon& icon, ITrayBackend::Report report, int number,
        int iconSignalGap, QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    static void RegisterTypes();

    // False when no bus connection or bus name could be had.
    bool Exported() const { return m_exported; }
    QString ServiceName() const { return m_serviceName; }
    // Asks the watcher to show the item; its answer is not waited for.
    void RegisterWithWatcher();
    void Update(const TrayIcon& icon, UINT changed);

    QString Category() const { return QStringLiteral("ApplicationStatus"); }
    QString Id() const;
    QString Title() const;
    QString Status() const;
    int WindowId() const { return 0; }
    QString NoName() const { return {}; }
    StatusNotifierPixmaps IconPixmap() const;
    StatusNotifierPixmaps NoPixmaps() const { return {}; }
    StatusNotifierToolTip ToolTip() const;
    bool ItemIsMenu() const { return false; }
    QDBusObjectPath Menu() const;

    // The icon's images at each size it holds.
    static StatusNotifierPixmaps Pixmaps(const QIcon& icon);

public Q_SLOTS:
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void ContextMenu(int x, int y);
    void Scroll(int delta, const QString& orientation);

Q_SIGNALS:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

private:
    void iconChanged();
    void sendNewIcon();

    TrayIcon m_icon;
    ITrayBackend::Report m_report;
    QString m_connectionName;
    QString m_serviceName;
    std::optional<QDBusConnection> m_bus;
    bool m_exported = false;
    DBusMenu* m_menu;
    mutable std::optional<StatusNotifierPixmaps> m_pixmaps;
    int m_iconSignalGap;
    QElapsedTimer m_sinceNewIcon;
    QTimer m_newIconDue;
    QElapsedTimer m_sinceActivate;
};
