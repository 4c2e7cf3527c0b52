#pragma once

#include <QDBusArgument>
#include <QDBusContext>
#include <QDBusVariant>
#include <QHash>
#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QVariantMap>

// The records of the com.canonical.dbusmenu protocol.
struct DBusMenuItem
{
    int id = 0;
    QVariantMap properties;
};
using DBusMenuItemList = QList<DBusMenuItem>;

struct DBusMenuItemKeys
{
    int id = 0;
    QStringList names;
};
using DBusMenuItemKeysList = QList<DBusMenuItemKeys>;

struct DBusMenuLayoutItem
{
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};

struct DBusMenuEvent
{
    int id = 0;
    QString eventId;
    // Never empty: the type's signature is found by writing a default one.
    QDBusVariant data { QVariant(0) };
    uint timestamp = 0;
};
using DBusMenuEventList = QList<DBusMenuEvent>;

Q_DECLARE_METATYPE(DBusMenuItem)
Q_DECLARE_METATYPE(DBusMenuItemKeys)
Q_DECLARE_METATYPE(DBusMenuLayoutItem)
Q_DECLARE_METATYPE(DBusMenuEvent)

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemKeys& keys);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemKeys& keys);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayoutItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayoutItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event);

// A popup menu's top-level items, exported for a tray host that shows the
// menu itself. A click there triggers the same item as a click in the popup
// menu. The menu is read when the host asks, so captions and enabled states
// are always current; a change to the items tells the host to ask again.
class DBusMenu final : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ Version)
    Q_PROPERTY(QString TextDirection READ TextDirection)
    Q_PROPERTY(QString Status READ Status)
    Q_PROPERTY(QStringList IconThemePath READ IconThemePath)
public:
    explicit DBusMenu(QObject* parent = nullptr);

    // Makes the D-Bus types known; called before any is sent or received.
    static void RegisterTypes();

    void SetMenu(QMenu* menu);
    QMenu* Menu() const { return m_menu; }

    uint Version() const { return 3; }
    QString TextDirection() const;
    QString Status() const { return QStringLiteral("normal"); }
    QStringList IconThemePath() const { return {}; }

    bool eventFilter(QObject* watched, QEvent* event) override;

public Q_SLOTS:
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
        DBusMenuLayoutItem& layout);
    // Written out, not by their aliases: the bus finds a slot's types by the names written here.
    QList<DBusMenuItem> GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const QList<DBusMenuEvent>& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

Q_SIGNALS:
    void ItemsPropertiesUpdated(
        const QList<DBusMenuItem>& updatedProps, const QList<DBusMenuItemKeys>& removedProps);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    QList<QAction*> items() const;
    int idOf(QAction* action);
    QAction* actionOf(int id) const;
    bool known(int id) const;
    QVariantMap properties(int id, const QStringList& names);
    void itemsChanged();
    bool click(int id, const QString& eventId);

    QPointer<QMenu> m_menu;
    uint m_revision = 1;
    bool m_changeQueued = false;
    int m_nextId = 1;
    QHash<QAction*, int> m_ids;
};
