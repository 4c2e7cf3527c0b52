#include "DBusMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QDBusMetaType>
#include <QEvent>
#include <QGuiApplication>

namespace {

constexpr int RootId = 0;

// Qt marks the access key with '&', the menu protocol with '_'.
QString protocolLabel(const QString& text)
{
    QString label;
    label.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('&') && i + 1 < text.size()) {
            ++i;
            label += text.at(i) == QLatin1Char('&') ? QStringLiteral("&") : QStringLiteral("_");
            if (text.at(i) != QLatin1Char('&'))
                label
                    += text.at(i) == QLatin1Char('_') ? QStringLiteral("__") : QString(text.at(i));
        } else if (c == QLatin1Char('_')) {
            label += QStringLiteral("__");
        } else {
            label += c;
        }
    }
    return label;
}

QVariantMap filtered(const QVariantMap& all, const QStringList& names)
{
    if (names.isEmpty())
        return all;
    QVariantMap wanted;
    for (const QString& name : names)
        if (all.contains(name))
            wanted.insert(name, all.value(name));
    return wanted;
}

} // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItem& item)
{
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItem& item)
{
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemKeys& keys)
{
    argument.beginStructure();
    argument << keys.id << keys.names;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemKeys& keys)
{
    argument.beginStructure();
    argument >> keys.id >> keys.names;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayoutItem& item)
{
    argument.beginStructure();
    argument << item.id << item.properties;
    // Children travel as variants, each holding a layout item of its own.
    argument.beginArray(QMetaType::fromType<QDBusVariant>());
    for (const DBusMenuLayoutItem& child : item.children)
        argument << QDBusVariant(QVariant::fromValue(child));
    argument.endArray();
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayoutItem& item)
{
    argument.beginStructure();
    argument >> item.id >> item.properties;
    item.children.clear();
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        DBusMenuLayoutItem childItem;
        child.variant().value<QDBusArgument>() >> childItem;
        item.children.append(childItem);
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event)
{
    argument.beginStructure();
    argument << event.id << event.eventId << event.data << event.timestamp;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event)
{
    argument.beginStructure();
    argument >> event.id >> event.eventId >> event.data >> event.timestamp;
    argument.endStructure();
    return argument;
}

DBusMenu::DBusMenu(QObject* parent)
    : QObject(parent)
{
    RegisterTypes();
}

void DBusMenu::RegisterTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<DBusMenuItem>();
        qDBusRegisterMetaType<DBusMenuItemList>();
        qDBusRegisterMetaType<DBusMenuItemKeys>();
        qDBusRegisterMetaType<DBusMenuItemKeysList>();
        qDBusRegisterMetaType<DBusMenuLayoutItem>();
        qDBusRegisterMetaType<DBusMenuEvent>();
        qDBusRegisterMetaType<DBusMenuEventList>();
        return true;
    }();
    Q_UNUSED(registered);
}

void DBusMenu::SetMenu(QMenu* menu)
{
    if (menu == m_menu)
        return;
    if (m_menu)
        m_menu->removeEventFilter(this);
    m_menu = menu;
    if (menu)
        menu->installEventFilter(this);
    itemsChanged();
}

QString DBusMenu::TextDirection() const
{
    return QGuiApplication::layoutDirection() == Qt::RightToLeft ? QStringLiteral("rtl")
                                                                 : QStringLiteral("ltr");
}

bool DBusMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_menu
        && (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionRemoved
            || event->type() == QEvent::ActionChanged))
        itemsChanged();
    return false;
}

void DBusMenu::itemsChanged()
{
    // One announcement for a burst of changes (a menu being filled, say).
    if (m_changeQueued)
        return;
    m_changeQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_changeQueued = false;
            Q_EMIT LayoutUpdated(++m_revision, RootId);
        },
        Qt::QueuedConnection);
}

QList<QAction*> DBusMenu::items() const
{
    return m_menu ? m_menu->actions() : QList<QAction*>();
}

int DBusMenu::idOf(QAction* action)
{
    auto it = m_ids.find(action);
    if (it == m_ids.end())
        it = m_ids.insert(action, m_nextId++);
    return it.value();
}

QAction* DBusMenu::actionOf(int id) const
{
    const QList<QAction*> actions = items();
    for (QAction* action : actions)
        if (m_ids.value(action) == id)
            return action;
    return nullptr;
}

bool DBusMenu::known(int id) const
{
    return id == RootId || actionOf(id);
}

QVariantMap DBusMenu::properties(int id, const QStringList& names)
{
    QVariantMap all;
    if (id == RootId) {
        all.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
        return filtered(all, names);
    }
    const QAction* action = actionOf(id);
    if (!action)
        return {};
    if (action->isSeparator()) {
        all.insert(QStringLiteral("type"), QStringLiteral("separator"));
    } else {
        all.insert(QStringLiteral("label"), protocolLabel(action->text()));
        if (action->isCheckable()) {
            all.insert(QStringLiteral("toggle-type"),
                action->actionGroup() && action->actionGroup()->isExclusive()
                    ? QStringLiteral("radio")
                    : QStringLiteral("checkmark"));
            all.insert(QStringLiteral("toggle-state"), action->isChecked() ? 1 : 0);
        }
    }
    all.insert(QStringLiteral("enabled"), action->isEnabled());
    all.insert(QStringLiteral("visible"), action->isVisible());
    return filtered(all, names);
}

uint DBusMenu::GetLayout(
    int parentId, int recursionDepth, const QStringList& propertyNames, DBusMenuLayoutItem& layout)
{
    if (!known(parentId)) {
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("no menu item %1").arg(parentId));
        return 0;
    }
    const QList<QAction*> actions = items();
    // Ids of items no longer in the menu are let go.
    for (auto it = m_ids.begin(); it != m_ids.end();)
        it = actions.contains(it.key()) ? std::next(it) : m_ids.erase(it);
    layout.id = parentId;
    layout.properties = properties(parentId, propertyNames);
    layout.children.clear();
    if (parentId == RootId && recursionDepth != 0) {
        for (QAction* action : actions) {
            const int id = idOf(action);
            layout.children.append({ id, properties(id, propertyNames), {} });
        }
    }
    return m_revision;
}

QList<DBusMenuItem> DBusMenu::GetGroupProperties(
    const QList<int>& ids, const QStringList& propertyNames)
{
    DBusMenuItemList result;
    for (const int id : ids)
        if (known(id))
            result.append({ id, properties(id, propertyNames) });
    return result;
}

QDBusVariant DBusMenu::GetProperty(int id, const QString& name)
{
    const QVariantMap all = properties(id, { name });
    if (!all.contains(name)) {
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("no property %1").arg(name));
        return QDBusVariant(QVariant(0));
    }
    return QDBusVariant(all.value(name));
}

void DBusMenu::Event(int id, const QString& eventId, const QDBusVariant&, uint)
{
    if (!click(id, eventId) && !known(id))
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("no menu item %1").arg(id));
}

QList<int> DBusMenu::EventGroup(const QList<DBusMenuEvent>& events)
{
    QList<int> errors;
    for (const DBusMenuEvent& event : events)
        if (!click(event.id, event.eventId) && !known(event.id))
            errors.append(event.id);
    return errors;
}

bool DBusMenu::click(int id, const QString& eventId)
{
    if (eventId != QLatin1String("clicked"))
        return false;
    QPointer<QAction> action = actionOf(id);
    if (!action || !action->isEnabled())
        return false;
    // After the answer: the item may open a dialog or end the program.
    QMetaObject::invokeMethod(
        this,
        [action] {
            if (action && action->isEnabled())
                action->trigger();
        },
        Qt::QueuedConnection);
    return true;
}

bool DBusMenu::AboutToShow(int)
{
    // The layout is read from the menu whenever it is asked for: never stale.
    return false;
}

QList<int> DBusMenu::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors)
{
    idErrors.clear();
    for (const int id : ids)
        if (!known(id))
            idErrors.append(id);
    return {};
}
